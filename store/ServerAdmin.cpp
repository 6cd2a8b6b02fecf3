// Roles, scripts and copies for the site administrator.
#include "store/ServerAdmin.h"

#include "store/Connection.h"
#include "store/FieldCodec.h"
#include "store/Location.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/StoreTexts.h"
#include "store/Table.h"

namespace orvex::store {
namespace {

QString quoted(const QString &name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString createRoleIfMissing(const QString &role) {
    return QStringLiteral("DO $r$ BEGIN IF NOT EXISTS (SELECT FROM pg_catalog.pg_roles WHERE "
                          "rolname = '%1') THEN CREATE ROLE %2 NOLOGIN; END IF; END $r$")
        .arg(role, quoted(role));
}

void openServer(Connection &c, const ServerLocation &server) {
    applyServerLocation(c.database(), server);
    if (!c.database().open())
        throw DatabaseError(texts::serverUnreachable(
            server.display, Connection::errorText(c.database().lastError())));
}

// The rows of one table go over in pages along the primary key; each row's
// values are bound in their storage form, the record number included.
qint64 copyTable(const QString &from, const DatabaseLocation &to, const TableDef &def) {
    Table source;
    source.setDatabaseName(from);
    source.setTableName(def.fileName);
    source.setReadOnly(true);
    source.open();
    const std::shared_ptr<const SqlDialect> dialect = dialectFor(to);
    Connection target(*dialect, def.fileName);
    dialect->open(target, to, def, false);
    QStringList columns;
    for (const FieldDef &f : def.fields)
        columns << dialect->quoted(f.name);
    const QString insert = dialect->insert(def, columns);
    qint64 copied = 0;
    target.runInTransaction(
        [&] {
            QList<Row> page = source.firstPage(500);
            while (!page.isEmpty()) {
                for (const Row &row : page) {
                    QVariantList binds;
                    for (int i = 0; i < def.fields.size(); ++i)
                        binds << toStorage(def.fields[i], row.values.value(i));
                    Statement s(target, insert, binds);
                    ++copied;
                }
                page = source.pageAfter(page.last(), 500);
            }
            for (const QString &sql : dialect->afterExplicitKeys(def))
                Statement::run(target, sql);
        },
        dialect->beginWrite());
    return copied;
}

} // namespace

QStringList siteRolesScript(const QString &uri) {
    const ServerLocation server = parseServerUri(uri);
    const QString schema = quoted(server.schema);
    const QString viewer = QStringLiteral("orvex_viewer");
    const QString station = QStringLiteral("orvex_station_") + server.schema;
    return {
        createRoleIfMissing(viewer),
        createRoleIfMissing(station),
        QStringLiteral("REVOKE ALL ON SCHEMA %1 FROM PUBLIC").arg(schema),
        QStringLiteral("REVOKE CREATE ON SCHEMA public FROM PUBLIC"),
        QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2, %3").arg(schema, viewer, quoted(station)),
        QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA %1 TO %2").arg(schema, viewer),
        QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA %1 TO %2")
            .arg(schema, quoted(station)),
        QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA %1 TO %2")
            .arg(schema, quoted(station)),
        QStringLiteral("ALTER DEFAULT PRIVILEGES IN SCHEMA %1 GRANT SELECT ON TABLES TO %2")
            .arg(schema, viewer),
    };
}

void runServerScript(const QString &uri, const QStringList &statements) {
    const ServerLocation server = parseServerUri(uri);
    const std::shared_ptr<const SqlDialect> dialect = postgresDialect(server.schema);
    Connection c(*dialect, server.display);
    openServer(c, server);
    c.runInTransaction([&] {
        for (const QString &sql : statements)
            Statement::run(c, sql);
    });
}

void copyDatabase(const QString &from, const QString &to,
                  const std::function<void(const QString &)> &progress) {
    const DatabaseLocation target = locateDatabase(to);
    for (const TableDef *t : allTables()) {
        const qint64 n = copyTable(from, target, *t);
        if (progress)
            progress(QStringLiteral("copied  %1: %2 rows").arg(t->fileName).arg(n));
    }
}

} // namespace orvex::store
