// The SQLite engine: each table is a file of the database folder, named as
// the table, holding the table and its row counter.
#include "store/Connection.h"
#include "store/Location.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <QFileInfo>
#include <QUrl>

namespace orvex::store {

namespace {

class SqliteDialect final : public SqlDialect {
public:
    QString driverName() const override { return QStringLiteral("QSQLITE"); }

    // The file is opened through a URI: mode=rw never creates a missing
    // file, mode=ro opens for reading only. The busy timeout lets a writer
    // wait for another handle's short transaction instead of failing.
    void open(Connection &connection, const DatabaseLocation &location, const TableDef &def,
              bool readOnly) const override {
        const QString &folder = location.folder;
        const QString file = folder + QLatin1Char('/') + def.fileName;
        if (!QFileInfo(file).isFile())
            throw DatabaseError(texts::tableMissing(def.fileName, folder));
        QSqlDatabase &db = connection.database();
        QString uri = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
        uri += readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw");
        db.setDatabaseName(uri);
        QString options = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000");
        if (readOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (!db.open())
            throw DatabaseError(
                texts::cannotOpen(def.fileName, Connection::errorText(db.lastError())));
    }

    // WAL lets readers go on while the recording writes; a full sync keeps
    // every committed recording through a power cut; a writer's page cache
    // is held to its bound (kSqliteWriterCacheKiB).
    QStringList sessionSetup(bool readOnly) const override {
        QStringList s;
        if (!readOnly)
            s << QStringLiteral("PRAGMA journal_mode=WAL") << cacheSizePragma();
        s << QStringLiteral("PRAGMA synchronous=FULL");
        return s;
    }

    QString columnsQuery(const TableDef &def, QVariantList &binds) const override {
        binds = {def.sqlName};
        return QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid");
    }

    QString rowCounterPresentQuery(const TableDef &, QVariantList &binds) const override {
        binds = {QString::fromLatin1(kRowCountTable)};
        return QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?");
    }

    QString table(const TableDef &def) const override { return quoted(def.sqlName); }

    // The rowid equals the record number where the table has one.
    QString rowKey(const TableDef &) const override { return QStringLiteral("rowid"); }

    QString insert(const TableDef &def, const QStringList &columns) const override {
        if (columns.isEmpty())
            return QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table(def));
        const QStringList marks(columns.size(), QStringLiteral("?"));
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(table(def), columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    }

    qint64 insertedKey(Statement &insert) const override {
        return insert.query().lastInsertId().toLongLong();
    }

    // Each file holds one table, so its counter table has one row.
    QString rowCount(const TableDef &, QVariantList &binds) const override {
        binds.clear();
        return QStringLiteral("SELECT n FROM %1").arg(QLatin1String(kRowCountTable));
    }

    QString beginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }

    bool isKeyViolation(const QSqlError &e) const override {
        const QString text = e.databaseText();
        return text.contains(QLatin1String("UNIQUE constraint failed")) ||
               text.contains(QLatin1String("PRIMARY KEY"));
    }

    QStringList createScript(const TableDef &def) const override {
        QStringList script{createTable(def)};
        for (const StoreIndexDef &i : def.storeIndexes)
            script << createIndex(def, i);
        // The counter and the triggers that keep it in the same transaction
        // as the change; the counter starts with the rows already there.
        const QString t = table(def);
        const QString counter = QLatin1String(kRowCountTable);
        script << QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (n INTEGER NOT NULL)").arg(counter)
               << QStringLiteral("CREATE TRIGGER IF NOT EXISTS orvex_count_insert AFTER INSERT "
                                 "ON %1 BEGIN UPDATE %2 SET n = n + 1; END")
                      .arg(t, counter)
               << QStringLiteral("CREATE TRIGGER IF NOT EXISTS orvex_count_delete AFTER DELETE "
                                 "ON %1 BEGIN UPDATE %2 SET n = n - 1; END")
                      .arg(t, counter)
               << QStringLiteral("INSERT INTO %1 SELECT (SELECT count(*) FROM %2) WHERE NOT "
                                 "EXISTS (SELECT 1 FROM %1)")
                      .arg(counter, t);
        return script;
    }

private:
    static QString columnType(const FieldDef &f) {
        switch (f.type) {
        case FieldType::AutoInc:
            // Record numbers keep rising after the oldest rows are deleted.
            return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
        case FieldType::Date:
            return QStringLiteral("DATE");
        case FieldType::Time:
            return QStringLiteral("TIME");
        case FieldType::Short:
            return QStringLiteral("SMALLINT");
        case FieldType::Integer:
            return QStringLiteral("INTEGER");
        case FieldType::Float:
            return QStringLiteral("DOUBLE");
        case FieldType::Text:
            return QStringLiteral("VARCHAR(%1)").arg(f.size);
        }
        return {};
    }

    QString createTable(const TableDef &def) const {
        QStringList cols;
        for (const FieldDef &f : def.fields) {
            QString c = quoted(f.name) + QLatin1Char(' ') + columnType(f);
            if (def.primary.fields.contains(f.name) && f.type != FieldType::AutoInc)
                c += QStringLiteral(" NOT NULL");
            cols << c;
        }
        if (!def.hasAutoInc()) {
            QStringList key;
            for (const QString &f : def.primary.fields)
                key << quoted(f);
            cols << QStringLiteral("PRIMARY KEY (%1)").arg(key.join(QStringLiteral(", ")));
        }
        return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
            .arg(table(def), cols.join(QStringLiteral(", ")));
    }

    QString createIndex(const TableDef &def, const StoreIndexDef &index) const {
        QStringList cols;
        for (const QString &f : index.fields)
            cols << quoted(f);
        QString sql = QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                          .arg(quoted(index.name), table(def), cols.join(QStringLiteral(", ")));
        if (index.minAlarm >= 0)
            sql += QStringLiteral(" WHERE \"%1\" > %2").arg(fields::Alarm).arg(index.minAlarm);
        else if (!index.where.isEmpty())
            sql += QStringLiteral(" WHERE ") + index.where;
        return sql;
    }
};

} // namespace

std::shared_ptr<const SqlDialect> sqliteDialect() {
    static const auto d = std::make_shared<SqliteDialect>();
    return d;
}

} // namespace orvex::store
