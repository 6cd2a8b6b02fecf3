// A table handle: a cursor on one of the tables, with its own database
// connection. A handle has a database name (alias or folder), a table name,
// an index (by name or by a field list), an optional range on the leading
// index field, an optional filter, an optional master handle and a read-only
// flag. Field and index names are matched without regard to letter case.
//
// The cursor keeps only the current row's values and key; every move runs a
// short keyed query and finishes it, so no statement stays open between
// operations (an open SELECT would pin an old WAL snapshot: rows posted
// through other handles would stay invisible and the WAL would grow). Rows
// posted through one handle become visible through the others when those are
// repositioned.
//
// Errors raise StoreError (DatabaseError when the database or a table cannot
// be reached). All use is on one thread (the user-interface thread).
#pragma once

#include "store/FilterExpression.h"
#include "store/Schema.h"
#include "store/StoreError.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTime>
#include <QVariant>
#include <memory>

namespace orvex::store {

class Connection;
class SqlDialect;

// One row as read from a table: the values in field order (null QVariant for
// an empty field; QDate/QTime/qint64/double/QString by field type) and the
// row's key in its engine (the rowid in a file), which identifies it for
// keyset paging.
struct Row {
    QVariantList values;
    qint64 rowId = 0;
};

class Table : public QObject {
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    explicit Table(QObject *parent = nullptr);
    ~Table() override; // closes (posting a pending edit when it can)

    // --- set-up (while closed; database name, table name and read-only flag
    //     raise StoreError on an open handle) -----------------------------
    void setDatabaseName(const QString &name); // alias ("ORVEX_01") or folder
    QString databaseName() const { return m_databaseName; }
    void setTableName(const QString &name); // "Signals.DB"; case-insensitive
    QString tableName() const;
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    // The index: a named index ("DAT_IDX_D", case-insensitive; empty = the
    // primary key) or a field list ("Unit_IDX;Sensor_No") naming the fields
    // of the primary key or of a named index. May be changed while open: the
    // cursor then moves to the first row.
    void setIndexName(const QString &name);
    void setIndexFieldNames(const QString &fieldList);
    QString indexName() const;

    // Master-detail: this handle sees only the rows whose `detailField`
    // equals `masterField` of the master's current row, and moves to its
    // first row whenever the master's cursor moves. Appended rows get the
    // master's value in `detailField`. nullptr removes the link.
    void setMasterSource(Table *master, const QString &masterField, const QString &detailField);

    // --- opening ----------------------------------------------------------
    // Opens the table file through a SQLite URI (mode=rw, or mode=ro for a
    // read-only handle; a missing file is an error, never a new file), WAL,
    // synchronous=FULL, busy timeout, and moves to the first row. Opening an
    // open handle does nothing.
    void open();
    // Posts a pending edit (errors are raised after the handle is closed),
    // then closes. Closing a closed handle does nothing.
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    // The resolved database folder, or the server's URI with the schema,
    // once opened: a database name that locates the same tables.
    QString folder() const { return m_folder; }
    const TableDef &definition() const; // raises when no table name is set

    // --- range and filter -------------------------------------------------
    // Rows whose leading index field lies between the two bounds (inclusive).
    // The bounds may be given in either order (a descending index lists the
    // later one first); QDate for a date field, integers for number fields.
    // Takes effect at once: the cursor moves to the first row.
    void setRange(const QVariant &from, const QVariant &to);
    void cancelRange();
    bool hasRange() const { return m_range.active; }

    // A filter expression: terms "Field op number" (op one of = <> < > <= >=)
    // joined by " and ", e.g. "UnitNo=3 and Alarm>1". The expression is parsed
    // into fields and numbers that are bound as parameters. A malformed one
    // raises StoreError when set. The filter acts only while filtered is on;
    // changing either on an open handle moves to the first row.
    void setFilter(const QString &expression);
    QString filter() const { return m_filterText; }
    void setFiltered(bool on);
    bool isFiltered() const { return m_filtered; }

    // --- counts -----------------------------------------------------------
    // Number of rows of the whole table (range, filter and master link are
    // not applied). Read from the row counter kept in the file, so it is
    // cheap at any size and always current across handles.
    qint64 recordCount() const;
    // True when no row passes range, filter and master link.
    bool isEmpty() const { return !m_hasCurrent; }

    // --- navigation (each move first posts a pending edit) -----------------
    void first();
    void last();
    void next();              // at the last row: stays there and sets eof
    void prior();             // at the first row: stays there and sets bof
    int moveBy(int distance); // returns the number of rows actually moved
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    // Re-reads the current row (or the first row when it is gone).
    void refresh();
    // Position of the current row in index order, counting from 1 (0 when
    // empty). Counts rows, so use it on small tables.
    qint64 recNo() const;

    // Moves to the first row whose leading index fields equal `values`
    // (within range, filter and master link). Returns false and stays put
    // when there is none.
    bool findKey(const QVariantList &values);

    // --- reading the current row -----------------------------------------
    int fieldCount() const;
    int fieldIndex(const QString &name) const; // -1 if unknown
    QString fieldName(int position) const;
    QVariant value(const QString &field) const; // raises for an unknown field
    QVariant value(int position) const;
    bool isNull(const QString &field) const { return value(field).isNull(); }
    qint64 asInteger(const QString &field) const; // empty reads 0
    double asFloat(const QString &field) const;   // empty reads 0
    QString asString(const QString &field) const; // empty reads ""
    QDate asDate(const QString &field) const;
    QTime asTime(const QString &field) const;
    Row currentRow() const;

    // --- changing rows ----------------------------------------------------
    void edit();   // current row into edit state (raises when empty)
    void append(); // new empty row in insert state (posts a pending edit first)
    // Sets a field of the row being edited or appended. A QDate/QTime for
    // date/time fields (ISO text is accepted too), a number or a numeric text
    // for number fields, anything convertible to text for text fields. An
    // empty QVariant empties the field. The record number cannot be set.
    void setValue(const QString &field, const QVariant &value);
    void setValue(int position, const QVariant &value);
    // Writes the row; after an append the new row is current (its record
    // number filled in). A key violation raises StoreError.
    void post();
    void cancel();
    // append(), the first values fill the first fields in order, post().
    void appendRecord(const QVariantList &values);
    // Deletes the current row; the cursor moves to the following row (to the
    // new last row when the deleted one was the last).
    void deleteRecord();
    bool isModified() const { return m_modified; }

    // --- support for the recording ---------------------------------------
    // Deletes the oldest rows (lowest record numbers) so that at most `keep`
    // rows remain, with one DELETE however large the excess; returns the
    // number deleted. Tables with a record number only. The cursor stays on
    // its row, or goes to the first row when its row was deleted.
    qint64 trimTo(qint64 keep);

    // Explicit transaction on this handle's connection (BEGIN IMMEDIATE):
    // several appends, posts and trims then cost one commit. Use Transaction.
    // Handles that share a connection (the tables of one schema on a server)
    // share its transaction: a handle that begins while another's is open
    // joins it, and only the outermost commit commits (TransactionGroup).
    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const { return m_inTransaction; }
    // True when both handles are open on one connection, so one transaction
    // can hold the writes of both.
    bool sharesConnectionWith(const Table &other) const;

    // --- pages for the views (keyset paging in index order) ----------------
    // Up to `count` rows with range, filter and master link, in index order.
    // Never loads the table and never skips with OFFSET; each call is a few
    // index lookups. The cursor does not move.
    QList<Row> firstPage(int count) const;
    QList<Row> lastPage(int count) const; // returned in index order
    QList<Row> pageAfter(const Row &row, int count) const;
    QList<Row> pageBefore(const Row &row, int count) const; // in index order
    // Moves the cursor to `row` (found again by its key); false when gone.
    bool moveTo(const Row &row);

signals:
    // The cursor is on another row, the row was re-read, posted or deleted,
    // or the handle was opened or closed: data-bound editors reload.
    void currentChanged();
    // A field of the row being edited was set through setValue().
    void fieldChanged(const QString &field);
    void stateChanged(orvex::store::Table::State state);
    // A row was posted (appended or edited) or deleted through this handle.
    void tableChanged();

private:
    friend class TransactionGroup;
    struct Range {
        bool active = false;
        QVariant low, high; // storage form, low <= high
    };
    // A filter term with the position of its field (-1 until resolved).
    struct BoundTerm {
        FilterTerm term;
        int field = -1;
    };

    const TableDef &def() const;
    QString displayName() const;
    void requireOpen() const;
    void requireWritable() const;
    void checkBrowseMode();
    void setState(State state);
    void connectAndCheck();
    void checkStructure();
    void resolveIndex();
    void resolveMaster();
    void resolveFilter();
    void resolveRange();
    void masterMoved();
    void notifyMoved();

    QString column(int orderColumn) const;
    void addRestrictions(QStringList &where, QVariantList &binds) const;
    QList<Row> fetchOrdered(const Row *from, bool forward, bool inclusive, int count) const;
    QList<Row> select(const QStringList &where, const QVariantList &binds, bool ascending,
                      int limit) const;
    QVariant orderValue(const Row &row, int orderColumn) const;
    void setCurrent(const Row &row);
    void clearCurrent();
    void moveToNeighbour(const Row &gone);
    void afterRestrictionChange();
    QVariant toStorage(int field, const QVariant &value) const;
    QVariant fromStorage(int field, const QVariant &stored) const;
    QVariant masterValue() const;
    const Row &visibleRow() const;
    int requireField(const QString &name) const;

    QString m_databaseName;
    const TableDef *m_def = nullptr;
    QString m_tableName;
    bool m_readOnly = false;
    QString m_indexSpec;
    bool m_indexByFields = false;
    QList<int> m_order; // field positions, -1 = rowid
    int m_keyFields = 0;
    bool m_descending = false;

    QPointer<Table> m_master;
    QString m_masterFieldName, m_detailFieldName;
    int m_masterField = -1;
    int m_detailField = -1;
    QList<QPointer<Table>> m_details;

    Range m_range;
    QVariant m_rangeFrom, m_rangeTo; // as given, resolved at open
    QString m_filterText;
    QList<BoundTerm> m_filterTerms;
    bool m_filtered = false;

    State m_state = State::Inactive;
    QString m_folder;
    std::shared_ptr<const SqlDialect> m_dialect;
    Connection &conn() const; // the connection, naming this table in its errors
    std::shared_ptr<Connection> m_conn;
    bool m_hasRowCounter = false;
    // The row count a write of this handle returned, valid while the
    // connection's changes() stays at m_knownCountAt.
    qint64 m_knownCount = -1;
    quint64 m_knownCountAt = 0;
    void learnCount(const QVariant &count);
    bool m_inTransaction = false;

    Row m_current;
    bool m_hasCurrent = false;
    bool m_eof = true;
    bool m_bof = true;
    Row m_edit;
    QList<bool> m_set;
    bool m_modified = false;
};

// Commits on commit(), rolls back when destroyed without commit().
class Transaction {
public:
    explicit Transaction(Table &table) : m_table(table) { m_table.beginTransaction(); }
    ~Transaction() {
        if (!m_done) {
            try {
                m_table.rollback();
            } catch (...) {
            }
        }
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit() {
        m_table.commit();
        m_done = true;
    }

private:
    Table &m_table;
    bool m_done = false;
};

// One transaction over the writes to several open tables when their handles
// share a connection (the tables of one schema on a server): the writes then
// commit together or not at all, and a Transaction on one of the tables
// inside joins it. Tables with connections of their own (table files, one
// connection per file) are left to their own transactions: for them the
// group does nothing.
class TransactionGroup {
public:
    explicit TransactionGroup(std::initializer_list<Table *> tables);
    // Rolls an uncommitted shared transaction back and re-reads the cursors.
    ~TransactionGroup();
    TransactionGroup(const TransactionGroup &) = delete;
    TransactionGroup &operator=(const TransactionGroup &) = delete;
    // True when one transaction holds the writes of all the tables.
    bool isShared() const { return m_shared; }
    void commit();

private:
    QList<Table *> m_tables;
    bool m_shared = false;
    bool m_done = false;
};

} // namespace orvex::store
