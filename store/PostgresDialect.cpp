// The PostgreSQL engine: the tables of a station live in the station's
// schema on a server, with the same names, fields in the same order, keys
// and indexes as the table files. Record numbers are identity columns (they
// keep rising after the oldest rows go); a table without a record number
// has a hidden identity column after its fields that identifies its rows.
// Row counts are kept in the schema's counter table by statement-level
// triggers, in the same transaction as the change; other statement-level
// triggers announce new rows of the tables with a record number.
#include "store/Connection.h"
#include "store/Location.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <map>

namespace orvex::store {
namespace {

// The hidden key of a table without a record number.
const QString kRowKeyColumn = QStringLiteral("orvex_row");

class PostgresDialect final : public SqlDialect {
public:
    explicit PostgresDialect(const QString &schema) : m_schema(schema) {}

    QString driverName() const override { return QStringLiteral("QPSQL"); }
    bool preparesPlainStatements() const override { return false; }

    // libpq expands a URI given as the database name into its parameters.
    // A read-only handle gets read-only transactions (sessionSetup).
    void open(Connection &connection, const DatabaseLocation &location, const TableDef &def,
              bool) const override {
        // A connection the schema's handles share is open already: only the
        // table is looked for.
        QSqlDatabase &db = connection.database();
        if (!db.isOpen()) {
            applyServerLocation(db, location.server);
            if (!db.open())
                throw DatabaseError(texts::serverUnreachable(
                    location.server.display, Connection::errorText(db.lastError())));
        }
        bool present = false;
        try {
            Statement s(connection, QStringLiteral("SELECT to_regclass(?) IS NOT NULL"),
                        {qualified(def.sqlName)});
            present = s.next() && s.value(0).toBool();
        } catch (const StoreError &e) {
            throw DatabaseError(texts::cannotOpen(def.fileName, e.text()));
        }
        if (!present)
            throw DatabaseError(texts::serverTableMissing(def.fileName, location.server.display));
    }

    // Every commit waits for the server's disk, as a file's full sync does.
    QStringList sessionSetup(bool readOnly) const override {
        QStringList s{QStringLiteral("SET synchronous_commit = on"),
                      QStringLiteral("SET client_min_messages = warning")};
        if (readOnly)
            s << QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY");
        return s;
    }

    QString columnsQuery(const TableDef &def, QVariantList &binds) const override {
        binds = {qualified(def.sqlName), kRowKeyColumn};
        return QStringLiteral("SELECT attname FROM pg_catalog.pg_attribute WHERE attrelid = "
                              "to_regclass(?) AND attnum > 0 AND NOT attisdropped AND "
                              "attname <> ? ORDER BY attnum");
    }

    QString rowCounterPresentQuery(const TableDef &, QVariantList &binds) const override {
        binds = {qualified(QString::fromLatin1(kRowCountTable))};
        return QStringLiteral("SELECT CASE WHEN to_regclass(?) IS NULL THEN 0 ELSE 1 END");
    }

    QString table(const TableDef &def) const override { return qualified(def.sqlName); }

    QString rowKey(const TableDef &def) const override {
        return def.hasAutoInc() ? quoted(def.fields[0].name) : kRowKeyColumn;
    }

    QString insert(const TableDef &def, const QStringList &columns) const override {
        QString sql;
        if (columns.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table(def));
        } else {
            const QStringList marks(columns.size(), QStringLiteral("?"));
            sql =
                QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                    .arg(table(def), columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        }
        // The counter as the statement began, plus the row: the count the
        // statement-level trigger leaves (one station writes its schema).
        return sql + QStringLiteral(" RETURNING %1, (SELECT n + 1 FROM %2 WHERE tbl = '%3')")
                         .arg(rowKey(def), counterTable(), def.sqlName);
    }

    qint64 insertedKey(Statement &insert) const override {
        return insert.next() ? insert.value(0).toLongLong() : 0;
    }

    // The count, the cut-off row and the delete in one round trip: the kept
    // count says how many rows go, a skip along the record-number key from
    // the oldest end finds the newest of them, and nothing is scanned when
    // none go.
    QString trim(const TableDef &def, QVariantList &binds, qint64 keep) const override {
        binds = {def.sqlName, keep, keep};
        const QString key = quoted(def.fields[0].name);
        return QStringLiteral(
                   "WITH c AS (SELECT n FROM %1 WHERE tbl = ?), d AS (DELETE FROM %2 "
                   "WHERE (SELECT n FROM c) > ? AND %3 <= (SELECT %3 FROM %2 ORDER "
                   "BY %3 OFFSET GREATEST((SELECT n FROM c) - ? - 1, 0) LIMIT 1) "
                   "RETURNING %3) SELECT count(*), max(%3), (SELECT n FROM c) - count(*) FROM d")
            .arg(counterTable(), table(def), key);
    }

    QString rowCount(const TableDef &def, QVariantList &binds) const override {
        binds = {def.sqlName};
        return QStringLiteral("SELECT n FROM %1 WHERE tbl = ?").arg(counterTable());
    }

    // Row locks make an immediate write lock unnecessary.
    QString beginWrite() const override { return QStringLiteral("BEGIN"); }

    bool isKeyViolation(const QSqlError &e) const override {
        return e.nativeErrorCode() == QLatin1String("23505");
    }

    // A broken connection has no SQLSTATE of the server, or one of the
    // classes of connection failures and server shutdown.
    bool isConnectionLost(const QSqlError &e) const override {
        const QString code = e.nativeErrorCode();
        return code.isEmpty() || code.startsWith(QLatin1String("08")) ||
               code.startsWith(QLatin1String("57P"));
    }

    bool failureEndsTransaction() const override { return true; }

    QStringList afterExplicitKeys(const TableDef &def) const override {
        if (!def.hasAutoInc())
            return {};
        const QString key = quoted(def.fields[0].name);
        return {QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                               "GREATEST((SELECT max(%3) FROM %1), 1), "
                               "(SELECT max(%3) FROM %1) IS NOT NULL)")
                    .arg(table(def), def.fields[0].name, key)};
    }

    QStringList createScript(const TableDef &def) const override {
        QStringList script{QStringLiteral("SET client_min_messages = warning"),
                           QStringLiteral("CREATE SCHEMA IF NOT EXISTS %1").arg(quoted(m_schema)),
                           createTable(def)};
        for (const StoreIndexDef &i : def.storeIndexes)
            script << createIndex(def, i);
        const QString t = table(def);
        script << QStringLiteral(
                      "CREATE TABLE IF NOT EXISTS %1 (tbl TEXT PRIMARY KEY, n BIGINT NOT "
                      "NULL)")
                      .arg(counterTable())
               << QStringLiteral("INSERT INTO %1 (tbl, n) SELECT '%2', count(*) FROM %3 ON "
                                 "CONFLICT (tbl) DO NOTHING")
                      .arg(counterTable(), def.sqlName, t);
        for (const char *op : {"insert", "delete"}) {
            const bool ins = qstrcmp(op, "insert") == 0;
            const QString function = qualified(QStringLiteral("orvex_count_%1").arg(op));
            script << QStringLiteral(
                          "CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $f$ "
                          "BEGIN UPDATE %2 SET n = n %3 (SELECT count(*) FROM changed_rows) "
                          "WHERE tbl = TG_TABLE_NAME; RETURN NULL; END $f$")
                          .arg(function, counterTable(),
                               ins ? QStringLiteral("+") : QStringLiteral("-"))
                   << QStringLiteral("CREATE OR REPLACE TRIGGER orvex_count_%1 AFTER %2 ON %3 "
                                     "REFERENCING %4 TABLE AS changed_rows FOR EACH STATEMENT "
                                     "EXECUTE FUNCTION %5()")
                          .arg(QLatin1String(op), QString::fromLatin1(op).toUpper(), t,
                               ins ? QStringLiteral("NEW") : QStringLiteral("OLD"), function);
        }
        if (def.hasAutoInc())
            script << notifyScript(def);
        return script;
    }

private:
    // The announcement of new rows: one notification per inserting
    // statement, sent at commit (the server folds equal ones of a
    // transaction into one), so a viewer hears of a recording once.
    QStringList notifyScript(const TableDef &def) const {
        const QString function = qualified(QStringLiteral("orvex_notify_insert"));
        return {QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql "
                               "AS $f$ BEGIN PERFORM pg_notify('%2', TG_TABLE_SCHEMA || '.' || "
                               "TG_TABLE_NAME); RETURN NULL; END $f$")
                    .arg(function, QLatin1String(kRowsChannel)),
                QStringLiteral("CREATE OR REPLACE TRIGGER orvex_notify_insert AFTER INSERT ON %1 "
                               "FOR EACH STATEMENT EXECUTE FUNCTION %2()")
                    .arg(table(def), function)};
    }

    QString qualified(const QString &name) const { return quoted(m_schema) + '.' + quoted(name); }
    QString counterTable() const { return qualified(QString::fromLatin1(kRowCountTable)); }

    static QString columnType(const FieldDef &f) {
        switch (f.type) {
        case FieldType::AutoInc:
            // BY DEFAULT lets a copy keep the record numbers it brings.
            return QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
        case FieldType::Date:
            return QStringLiteral("DATE");
        case FieldType::Time:
            return QStringLiteral("TIME(0)");
        case FieldType::Short:
            return QStringLiteral("SMALLINT");
        case FieldType::Integer:
            return QStringLiteral("INTEGER");
        case FieldType::Float:
            return QStringLiteral("DOUBLE PRECISION");
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
            cols << kRowKeyColumn + QStringLiteral(" BIGINT GENERATED ALWAYS AS IDENTITY UNIQUE");
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

    QString m_schema;
};

} // namespace

// One dialect per schema for the program's life: idle connections refer to it.
std::shared_ptr<const SqlDialect> postgresDialect(const QString &schema) {
    static std::map<QString, std::shared_ptr<const SqlDialect>> dialects;
    auto &d = dialects[schema];
    if (!d)
        d = std::make_shared<PostgresDialect>(schema);
    return d;
}

} // namespace orvex::store
