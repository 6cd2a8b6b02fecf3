// The rows a data view shows, read lazily from its table handle.
//
// The model holds a window of at most kWindowRows consecutive rows (in the
// handle's index order, within its range and filter), never the table. It
// starts at the first or the last page, grows a page at a time at either end
// as the operator scrolls, and drops rows from the far end when it grows past
// the window, so memory stays the same for a table of a hundred rows or of
// ten million. Every page is one keyed query that the store finishes at once
// (keyset paging: "the rows after this key", never OFFSET), so the first
// page, the last page and each following page take the same short time
// wherever they are in the table.
#pragma once

#include "store/Table.h"

#include <QAbstractTableModel>
#include <QList>

namespace orvex::views {

class MeasurementModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kPageRows = 100;
    static constexpr int kWindowRows = 500;

    // Columns: Date, Time, UnitNo, D1..D8, Alarm (fields 1..12 of the table).
    enum Column { DateColumn, TimeColumn, UnitColumn, FirstValueColumn, AlarmColumn = 11 };
    static constexpr int kColumns = 12;

    explicit MeasurementModel(store::Table &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Replaces the window by the first (last) page; empty when the handle is
    // closed. Raise the store's errors.
    void loadFirst();
    void loadLast();
    void clear();
    // Adds the page after the window's last row (before its first row);
    // returns the number of rows added. Rows dropped at the other end are
    // announced by windowTrimmed before they go.
    int fetchAfter();
    int fetchBefore();

    // No rows before the window's first / after its last row.
    bool atStart() const { return m_atStart; }
    bool atEnd() const { return m_atEnd; }
    const store::Row &row(int r) const { return m_rows.at(r); }

    // The title of column `c` as the grid shows it.
    static QString columnTitle(int c);

signals:
    // `rows` rows are about to be dropped at the top (atTop) or the bottom.
    void windowTrimmed(int rows, bool atTop);

private:
    QVariant display(int r, int c) const;

    store::Table &m_table;
    QList<store::Row> m_rows;
    bool m_atStart = true;
    bool m_atEnd = true;
};

} // namespace orvex::views
