// Creating the database folder and its tables.
#include "store/Installer.h"

#include "store/Events.h"
#include "store/Schema.h"
#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace orvex::store {
namespace {} // namespace

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
            script << t.createScript;
            script << QStringLiteral(
                          "INSERT INTO %1 SELECT (SELECT count(*) FROM \"%2\") WHERE NOT "
                          "EXISTS (SELECT 1 FROM %1)")
                          .arg(QLatin1String(kRowCountTable), t.sqlName)
                   << QStringLiteral("PRAGMA user_version = 1") << QStringLiteral("COMMIT");
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
