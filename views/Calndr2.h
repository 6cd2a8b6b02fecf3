// The date picker: a modal dialog with a month calendar, the month name with
// its arrows and a year field. It opens on today's date every time and hands
// back the picked day as text in the operator's short date format.
#pragma once

#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QDate>
#include <QDialog>
#include <QWidget>

class QHeaderView;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace orvex::views {

// The year field: a spin field whose arrows and programmatic settings keep
// the value within its range, while the operator may type any number. A text
// that is not a number reads as the minimum.
class YearSpinBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    YearSpinBox(int minimum, int maximum, QWidget *parent = nullptr);

    int value() const;
    // Sets the clamped value; the text (and textChanged) changes only when the
    // clamped number differs from the current text.
    void setValue(int value);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &pos) const override;

signals:
    void textChanged(const QString &text);

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    int m_minimum;
    int m_maximum;
};

// A pair of up and down arrows that can take the keyboard focus; the arrow
// keys press them.
class SpinArrows : public QWidget {
    Q_OBJECT
public:
    explicit SpinArrows(QWidget *parent = nullptr);
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    void upClicked();
    void downClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *m_up;
    QToolButton *m_down;
};

// The month grid: only the days of the shown month are drawn; the cells of
// the neighbouring months stay blank.
class MonthCalendar : public QCalendarWidget {
    Q_OBJECT
public:
    using QCalendarWidget::QCalendarWidget;

protected:
    void paintCell(QPainter *painter, const QRect &rect, QDate date) const override;
};

class TDateDlgForm : public QDialog {
    Q_OBJECT
public:
    explicit TDateDlgForm(QWidget *parent = nullptr);
    ~TDateDlgForm() override;

    // The calendar's date in the operator's short date format.
    QString SelectedDateText() const;

    // The calendar's date; the month name and the year field as shown.
    QDate calendarDate() const;
    QString monthText() const;
    QString yearText() const;

    // The month name of month 1..12.
    static QString monthName(int month);

    // Handlers.
    void FormCreate();
    void YearSpinEditChange();
    void MonthSpButtonDownClick();
    void MonthSpButtonUpClick();

    // Controls, named as the rest of the program and the tests know them.
    QCalendarWidget *Calendar1;
    QHeaderView *Header1;
    QLineEdit *MonthEdit;
    SpinArrows *MonthSpButton;
    YearSpinBox *YearSpinEdit;
    QPushButton *OkBitBtn;
    QPushButton *CancelBitBtn;

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setCalendarDate(const QDate &date);
    void moveMonth(int months);
    void updateFocusColours();

    bool m_resetOnShow = true;
    // The application-wide focus watch; ended before the dialog's children
    // are destroyed, since their destruction moves the focus.
    QMetaObject::Connection m_focusWatch;
};

} // namespace orvex::views
