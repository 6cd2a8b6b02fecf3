// Generation of the benchmarks' measurement tables inside SQLite.
#include "bench/support/GeneratedTables.h"

#include "store/Installer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace orvex::bench {
namespace {

void execAll(QSqlDatabase &db, const QStringList &script) {
    QSqlQuery q(db);
    for (const QString &sql : script) {
        if (!q.exec(sql)) {
            std::fprintf(stderr, "generation failed: %s\n%s\n", qPrintable(sql),
                         qPrintable(q.lastError().text()));
            std::abort();
        }
        q.finish();
    }
}

// Runs `script` on the table file `file` over a connection of its own.
void execOnFile(const QString &file, const QStringList &script,
                const std::function<void(QSqlDatabase &)> &before = {}) {
    const QString name = QStringLiteral("bench-generate");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.open();
        if (before)
            before(db);
        execAll(db, script);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The drop statements of the store's own indexes and triggers in `db`.
QStringList dropIndexesAndTriggers(QSqlDatabase &db) {
    QStringList drop;
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT type, name FROM sqlite_master WHERE type IN "
                          "('index','trigger') AND sql IS NOT NULL"));
    while (q.next())
        drop << QStringLiteral("DROP %1 \"%2\"")
                    .arg(q.value(0).toString().toUpper(), q.value(1).toString());
    return drop;
}

// Fills the measurement table in one transaction with the indexes and
// triggers dropped meanwhile; the installer step makes them again, and the
// kept row count is set from the table.
void generate(const QString &folder, const store::TableDef &def, qint64 rows, int days,
              bool archive) {
    store::createDatabase(folder);
    const QString file = folder + QLatin1Char('/') + def.fileName;
    const double perDay = double(rows) / days;
    const QString alarm = archive ? QStringLiteral("CASE WHEN i % 5 = 0 THEN 2 ELSE 1 END")
                                  : QStringLiteral("CASE WHEN i % 997 = 0 THEN 2 WHEN i % "
                                                   "101 = 0 THEN 1 ELSE 0 END");
    const QString insert =
        QStringLiteral(
            "WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s WHERE i < %1) "
            "INSERT INTO \"%2\" (Date, Time, UnitNo, D1, D2, D3, D4, D5, D6, D7, D8, Alarm) "
            "SELECT date('%3', '+' || CAST(i / %4 AS INTEGER) || ' days'), "
            "time(CAST((i % %4) * 86400.0 / %4 AS INTEGER), 'unixepoch'), 1 + i % 15, "
            "(i % 1000) / 100.0, 1.25, 2.5, 3.75, 5.0, 6.25, 7.5, 8.75, %5 FROM s")
            .arg(rows - 1)
            .arg(def.sqlName, kFirstDay.toString(Qt::ISODate))
            .arg(perDay, 0, 'f', 6)
            .arg(alarm);
    execOnFile(file,
               {QStringLiteral("PRAGMA synchronous=OFF"), QStringLiteral("BEGIN"), insert,
                QStringLiteral("COMMIT")},
               [](QSqlDatabase &db) { execAll(db, dropIndexesAndTriggers(db)); });
    store::createDatabase(folder);
    execOnFile(file, {QStringLiteral("UPDATE %1 SET n = (SELECT count(*) FROM \"%2\")")
                          .arg(QString::fromLatin1(store::kRowCountTable), def.sqlName),
                      QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")});
}

} // namespace

void runScript(const QString &file, const QStringList &script) {
    execOnFile(file, script);
}

QString dataRoot(const char *variable, const QString &fallback) {
    const QString env = qEnvironmentVariable(variable);
    return env.isEmpty() ? fallback : env;
}

QString generatedDatabase(const QString &root, const store::TableDef &def, qint64 rows, int days,
                          bool archive) {
    const QString folder = root + QStringLiteral("/%1-%2").arg(def.sqlName.toLower()).arg(rows);
    const QString marker = folder + QStringLiteral("/complete");
    if (!QFile::exists(marker)) {
        std::fprintf(stderr, "generating %s with %lld rows in %s ...\n", qPrintable(def.fileName),
                     static_cast<long long>(rows), qPrintable(folder));
        QElapsedTimer timer;
        timer.start();
        QDir(folder).removeRecursively();
        generate(folder, def, rows, days, archive);
        QFile(marker).open(QIODevice::WriteOnly);
        std::fprintf(stderr, "  done in %.1f s\n", timer.elapsed() / 1000.0);
    }
    return folder;
}

} // namespace orvex::bench
