// Controls of the options dialog that Qt has no ready equivalent for.
#pragma once

#include "ui/Hints.h"

#include <QAbstractSpinBox>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include <functional>

namespace orvex::config {

// A numeric spin field. Unlike QSpinBox it lets the operator type any number
// (digits and a sign, up to a maximum length), so that the field's own leave
// rule sees out-of-range values and can refuse them with its message. The
// arrows step by the increment within the range. When the field is left, the
// owner's leave rule runs first; a text that is then still no number, or a
// number outside the range, is replaced by the nearest bound.
class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    SpinEdit(int minValue, int maxValue, int value, QWidget *parent = nullptr);

    int minValue() const { return m_min; }
    int maxValue() const { return m_max; }
    void setIncrement(int increment) { m_increment = increment; }
    void setMaxLength(int length);
    // Arrows only: typing is blocked, the arrows still step.
    void setEditorEnabled(bool enabled);

    // The number in the field, unclamped; the lower bound when the text is
    // not a number.
    int value() const;
    // Shows `value` clamped to the range.
    void setValue(int value);

    QString text() const;
    void setText(const QString &text);

    // Sets an out-of-range or non-numeric text to the nearest bound.
    void clampToRange();

    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &pos) const override;

signals:
    // Every change of the text, typed, stepped or set.
    void changed();

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_min;
    int m_max;
    int m_increment = 1;
    int m_maxLength = 0;
};

// A group of radio buttons with a caption, laid out in columns that fill top
// to bottom (the first half of the items in the left column). At most one
// item is chosen; "none chosen" is a state of its own (item index -1).
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit RadioGroup(const QString &caption, QWidget *parent = nullptr);

    void setItems(const QStringList &items, int columns);
    QStringList items() const;
    int count() const { return int(m_buttons.size()); }
    QAbstractButton *button(int index) const { return m_buttons.value(index); }

    int itemIndex() const;        // -1 when none is chosen
    void setItemIndex(int index); // -1 chooses none
    QString chosenText() const;   // empty when none is chosen

signals:
    void itemClicked(int index);

private:
    QList<QRadioButton *> m_buttons;
    QButtonGroup *m_group;
    QGridLayout *m_layout;
};

// Tab bar whose tabs all have one fixed width.
class FixedWidthTabBar : public QTabBar {
public:
    explicit FixedWidthTabBar(int tabWidth, QWidget *parent = nullptr)
        : QTabBar(parent), m_tabWidth(tabWidth) {}

protected:
    QSize tabSizeHint(int index) const override;

private:
    int m_tabWidth;
};

// Page control: a tab widget whose tabs all have one width.
class PageControl : public QTabWidget {
public:
    explicit PageControl(int tabWidth, QWidget *parent = nullptr) : QTabWidget(parent) {
        setTabBar(new FixedWidthTabBar(tabWidth, this));
    }
};

// Reports when the keyboard focus leaves a watched control (the control or
// any child of it) for another control of the same window. Focus moving to
// another window (a message box, another program) or the window closing is
// not leaving, the same as for the operator's idea of "leaving a field".
// Also reports when focus enters a watched control from another control of
// the same window.
class FocusWatcher : public QObject {
    Q_OBJECT
public:
    explicit FocusWatcher(QObject *parent = nullptr);

    void onLeave(QWidget *control, std::function<void()> handler);
    void onEnter(QWidget *control, std::function<void()> handler);

private:
    void focusChanged(QWidget *old, QWidget *now);

    struct Watch {
        QPointer<QWidget> control;
        std::function<void()> handler;
    };
    QList<Watch> m_leave;
    QList<Watch> m_enter;
    bool m_running = false;
};

// Controls whose hints are always shown carry their own hint switch, on.
using ui::kOwnHintSwitchProperty;

} // namespace orvex::config
