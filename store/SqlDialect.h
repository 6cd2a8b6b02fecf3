// What an SQL engine contributes to the store: how a table's connection is
// opened, the table's DDL, the key that identifies a row, an insert that
// yields the new record number, the kept row count, transactions and the
// errors that mean a key violation. The cursor (Table) builds its keyset
// queries from these and from the table definition only, so a second engine
// is one more implementation of this interface.
#pragma once

#include "store/Schema.h"

#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

namespace orvex::store {

class Connection;
class Statement;
struct DatabaseLocation;

// The page cache of each SQLite connection that writes, in KiB. The program
// holds its connections open for months while the table files grow, and a
// writer's cache keeps every page it has written until it is full: at
// SQLite's own size (2000 KiB) the writers' caches go on filling for hours.
// A recording touches a few pages at the end of each tree and the trim a few
// at its start; a table that has grown past the cache does not fit in either
// size, so the smaller cache costs reads from the system's file cache only.
// A read-only handle keeps SQLite's size: its cache is dropped whenever
// another connection has written, so it holds only what a view read since.
inline constexpr int kSqliteWriterCacheKiB = 128;
// The statement that sets it on a writing connection.
QString cacheSizePragma();

class SqlDialect {
public:
    virtual ~SqlDialect() = default;

    // False when statements without parameters are better run unprepared
    // (an engine that cannot prepare BEGIN or SET).
    virtual bool preparesPlainStatements() const { return true; }

    // --- opening ------------------------------------------------------------
    // The Qt SQL driver ("QSQLITE").
    virtual QString driverName() const = 0;
    // Prepares `connection` for table `def` at `location` (a database folder
    // or a server) and opens it. Raises DatabaseError with the store's texts
    // when the table cannot be reached: a missing table file, a server that
    // does not answer, a refused login, a missing table in the schema.
    virtual void open(Connection &connection, const DatabaseLocation &location, const TableDef &def,
                      bool readOnly) const = 0;
    // Statements run once after opening: journal, durability, read-only mode.
    virtual QStringList sessionSetup(bool readOnly) const = 0;
    // A query listing the table's column names (first result column) in
    // column order, with the parameters it binds.
    virtual QString columnsQuery(const TableDef &def, QVariantList &binds) const = 0;
    // A query whose first column is greater than 0 when the table's row count
    // is kept.
    virtual QString rowCounterPresentQuery(const TableDef &def, QVariantList &binds) const = 0;

    // --- names ----------------------------------------------------------------
    QString quoted(const QString &name) const;
    // The table as named in statements (quoted; qualified where needed).
    virtual QString table(const TableDef &def) const = 0;
    // The expression that identifies a row for keyset paging, update and
    // delete; stable for the row's life.
    virtual QString rowKey(const TableDef &def) const = 0;

    // --- statements ----------------------------------------------------------
    // An insert of the quoted columns (one positional parameter each; none
    // inserts the defaults) and how its statement yields the new row's key.
    // Where the engine can, the insert's row also yields the table's kept
    // row count after it, as its second column.
    virtual QString insert(const TableDef &def, const QStringList &columns) const = 0;
    virtual qint64 insertedKey(Statement &insert) const = 0;
    // A SELECT of `columns` with the conditions, order and a LIMIT bound as
    // the last parameter: one page of a keyset walk.
    virtual QString page(const TableDef &def, const QStringList &columns, const QStringList &where,
                         const QStringList &order) const;
    // One statement that deletes the oldest rows of a table with a record
    // number and a kept row count so that at most the number bound as its
    // only parameter remain, yielding one row: the number of rows deleted and
    // the highest record number deleted. Empty when the engine trims in
    // separate steps (count, the cut-off row, the delete). A third column,
    // where there is one, is the kept row count after the delete.
    virtual QString trim(const TableDef &, QVariantList &binds, qint64 keep) const {
        binds = {keep};
        return {};
    }
    // The kept row count of a table (one row, one column).
    virtual QString rowCount(const TableDef &def, QVariantList &binds) const = 0;
    // A transaction that takes the write lock at once, so a recording never
    // fails half-way on a lock another writer holds.
    virtual QString beginWrite() const = 0;
    virtual bool isKeyViolation(const QSqlError &error) const = 0;
    // True when the error means the connection itself broke (a server gone
    // or restarted), so the next statement has to connect again.
    virtual bool isConnectionLost(const QSqlError &) const { return false; }
    // True when a failed statement ends the transaction it ran in (the rest
    // of it is refused and its commit rolls back), false when only the
    // statement is undone.
    virtual bool failureEndsTransaction() const { return false; }
    // Statements after rows were inserted with their record numbers given,
    // so the next record number follows the highest one.
    virtual QStringList afterExplicitKeys(const TableDef &) const { return {}; }

    // --- creating tables --------------------------------------------------------
    // The statements that create the table, its indexes and its row count when
    // missing, and start the count with the rows already there; nothing that
    // exists is dropped or emptied.
    virtual QStringList createScript(const TableDef &def) const = 0;
};

// The engine of database folders: one SQLite file per table.
std::shared_ptr<const SqlDialect> sqliteDialect();
// The engine of a server: the tables of the station's schema.
std::shared_ptr<const SqlDialect> postgresDialect(const QString &schema);
// The engine of a location.
std::shared_ptr<const SqlDialect> dialectFor(const DatabaseLocation &location);

} // namespace orvex::store
