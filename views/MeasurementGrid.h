// The parts of the data views' design that have a life of their own: a
// titled radio group with one chosen item, and the table that reads its rows
// page by page as the operator moves through it.
#pragma once

#include "store/Table.h"
#include "views/MeasurementModel.h"

#include <QGroupBox>
#include <QList>
#include <QStringList>
#include <QTableView>

class QButtonGroup;
class QRadioButton;

namespace orvex::views {

// A titled group of radio buttons with one chosen item (ItemIndex).
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString &title, const QStringList &items, QWidget *parent = nullptr);
    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton *button(int index) const { return m_buttons.at(index); }

signals:
    void clicked(int index);

private:
    QList<QRadioButton *> m_buttons;
    QButtonGroup *m_group;
};

// The table of a view: shows the model's window of rows and moves it along
// the table as the operator scrolls or navigates. The current row is the
// view's cursor; it stays highlighted without the focus.
class MeasurementGrid : public QTableView {
    Q_OBJECT
public:
    explicit MeasurementGrid(MeasurementModel *model, QWidget *parent = nullptr);
    MeasurementModel *rows() const { return m_model; }

    // The navigator's moves, and Ctrl+Home / Ctrl+End.
    void first();
    void prior();
    void next();
    void last();
    // At the table's first / last row (within range and filter).
    bool bof() const;
    bool eof() const;
    // The current row, or null when the view is empty.
    const store::Row *currentRecord() const;

signals:
    void positionChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void selectRow(int row);
    void onScroll(int value);
    void onTrimmed(int rows, bool atTop);
    void afterRowsRemoved();

    MeasurementModel *m_model;
    bool m_fetching = false;
    int m_trimmedAtTop = 0;
    int m_valueBeforeTrim = 0;
};

} // namespace orvex::views
