// Creating the database folder and its tables.
#include "store/Installer.h"

#include "store/Connection.h"
#include "store/Events.h"
#include "store/Location.h"
#include "store/Schema.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace orvex::store {
namespace {

// Creates or completes one table of a server schema in one transaction.
// Returns false when the table existed.
bool createServerTable(const ServerLocation &server, const TableDef &t) {
    const std::shared_ptr<const SqlDialect> dialect = postgresDialect(server.schema);
    Connection c(*dialect, t.fileName);
    applyServerLocation(c.database(), server);
    if (!c.database().open())
        throw DatabaseError(texts::serverUnreachable(
            server.display, Connection::errorText(c.database().lastError())));
    bool existed = false;
    {
        Statement s(c, QStringLiteral("SELECT to_regclass(?) IS NOT NULL"), {dialect->table(t)});
        existed = s.next() && s.value(0).toBool();
    }
    c.runInTransaction([&] {
        for (const QString &sql : dialect->createScript(t))
            Statement::run(c, sql);
    });
    return !existed;
}

} // namespace

// Creates or completes one table file in one transaction: the table and
// indexes when missing, the row counter initialised with the rows already
// there. Nothing that exists is dropped or emptied.
void installTableFile(const TableDef &t, const QString &file) {
    static int serial = 0;
    const QString name = QStringLiteral("orvex_install_%1").arg(++serial);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery q(db);
            QStringList script{QStringLiteral("PRAGMA journal_mode=WAL"),
                               QStringLiteral("BEGIN IMMEDIATE")};
            script << sqliteDialect()->createScript(t);
            script << QStringLiteral("PRAGMA user_version = 1") << QStringLiteral("COMMIT");
            for (const QString &sql : script) {
                if (!q.exec(sql)) {
                    failure = q.lastError().databaseText();
                    q.exec(QStringLiteral("ROLLBACK"));
                    break;
                }
                q.finish();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isEmpty())
        throw StoreError(texts::sqlFailed(t.fileName, failure));
}

InstallResult createServerSchema(const QString &uri) {
    const ServerLocation server = parseServerUri(uri);
    InstallResult result;
    for (const TableDef *t : allTables())
        (createServerTable(server, *t) ? result.created : result.kept) << t->fileName;
    result.eventsCreated = createServerTable(server, eventsTable());
    return result;
}

InstallResult createDatabase(const QString &folder) {
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    if (!QDir().mkpath(path))
        throw StoreError(texts::folderMissing(path));
    InstallResult result;
    for (const TableDef *t : allTables()) {
        const QString file = path + QLatin1Char('/') + t->fileName;
        (QFileInfo::exists(file) ? result.kept : result.created) << t->fileName;
        installTableFile(*t, file);
    }
    result.eventsCreated = installEventsTable(path);
    return result;
}

} // namespace orvex::store
