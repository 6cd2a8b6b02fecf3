// Generation of the benchmarks' measurement tables inside a server.
#include "bench/support/ServerTables.h"

#include "bench/support/GeneratedTables.h"
#include "store/Installer.h"
#include "tests/support/PgCluster.h"

#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace orvex::bench {
namespace {

// An INSERT of `rows` measurement rows over `days` days: all 15 units in
// turn, alarm levels 1 and 2 in the archive, mostly 0 in the current data.
QString fill(const QString &schema, const store::TableDef &def, qint64 rows, int days,
             bool archive) {
    const double perDay = double(rows) / days;
    const QString alarm = archive ? QStringLiteral("CASE WHEN i % 5 = 0 THEN 2 ELSE 1 END")
                                  : QStringLiteral("CASE WHEN i % 997 = 0 THEN 2 WHEN i % 101 = 0 "
                                                   "THEN 1 ELSE 0 END");
    return QStringLiteral("INSERT INTO %1.\"%2\" (\"Date\", \"Time\", \"UnitNo\", \"D1\", \"D2\", "
                          "\"D3\", \"D4\", \"D5\", \"D6\", \"D7\", \"D8\", \"Alarm\") SELECT "
                          "DATE '%3' + floor(i / %4)::int, (TIME '00:00' + make_interval(secs => "
                          "floor(mod(i, %4::numeric) * 86400 / %4)))::time(0), 1 + i % 15, "
                          "(i % 1000) / 100.0, 1.25, 2.5, 3.75, 5.0, 6.25, 7.5, 8.75, %5 FROM "
                          "generate_series(0, %6) AS s(i)")
        .arg(schema, def.sqlName, kFirstDay.toString(Qt::ISODate))
        .arg(perDay, 0, 'f', 6)
        .arg(alarm)
        .arg(rows - 1);
}

} // namespace

QString generatedServerSchema(const QString &schema, qint64 signalsRows, qint64 archiveRows) {
    static std::map<QString, QString> made;
    if (made.count(schema))
        return made[schema];
    QString error;
    test::PgCluster *cluster = test::PgCluster::instance(&error);
    if (!cluster) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::abort();
    }
    QElapsedTimer timer;
    timer.start();
    std::fprintf(stderr, "generating the server tables of %s ...\n", qPrintable(schema));
    const QString uri = cluster->storeUri(schema);
    store::createServerSchema(uri);
    QStringList script;
    for (const store::TableDef *def : {&store::signalsTable(), &store::arcTable()}) {
        for (const store::StoreIndexDef &i : def->storeIndexes)
            script << QStringLiteral("DROP INDEX %1.\"%2\"").arg(schema, i.name);
    }
    script << fill(schema, store::signalsTable(), signalsRows, 5, false)
           << fill(schema, store::arcTable(), archiveRows, 730, true);
    // The kept counts follow the rows through the tables' triggers.
    if (!cluster->exec(script, &error)) {
        std::fprintf(stderr, "generation failed: %s\n", qPrintable(error));
        std::abort();
    }
    store::createServerSchema(uri); // the store's indexes back
    cluster->exec({QStringLiteral("VACUUM ANALYZE")});
    std::fprintf(stderr, "  done in %.1f s\n", timer.elapsed() / 1000.0);
    made[schema] = uri;
    return uri;
}

} // namespace orvex::bench
