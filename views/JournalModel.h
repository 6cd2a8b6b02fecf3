// The events the journal window shows, read in pages from a read-only handle
// on Events.DB: the newest page first, more pages as the operator scrolls
// down, the oldest page at once for "the last row". Every page is one keyed
// query (keyset paging), so a journal of millions of rows opens and filters
// as fast as an empty one.
#pragma once

#include "store/Table.h"

#include <QAbstractTableModel>
#include <QList>

namespace orvex::views {

class JournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kPageRows = 200;

    enum Column {
        IdColumn,
        DateColumn,
        TimeColumn,
        UnitColumn,
        ChannelColumn,
        KindColumn,
        LevelColumn,
        ValueColumn,
        TextColumn,
        AckColumn,
        kColumns
    };

    explicit JournalModel(store::Table &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // The newest (oldest) page; empty when the handle is closed.
    void loadFirst();
    void loadLast();
    // The page before the first row shown (after loadLast); rows added.
    int fetchBefore();
    void clear();

    const store::Row &row(int r) const { return m_rows.at(r); }
    qint64 eventId(int r) const;
    bool pending(int r) const; // waits for acknowledgement

    // Texts as shown, for the window and the CSV export.
    static QString columnTitle(int c);
    static QString cellText(const store::Row &row, int c);
    static QString kindText(int kind);
    static QString levelText(int level);

private:
    store::Table &m_table;
    QList<store::Row> m_rows;
    bool m_atStart = true;
    bool m_atEnd = true;
};

} // namespace orvex::views
