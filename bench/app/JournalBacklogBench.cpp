// The running program's journal when alarms wait a long time for
// acknowledgement (a channel that trips again and again at a station nobody
// looks at): one iteration writes a trip of unit 1 through the journal, as a
// reply at the trip threshold does, with N trips of earlier runs still
// waiting. The event is committed to Events.DB (synchronous=FULL) and the
// waiting count, the menu item and the unit's mark follow it. What it costs
// must not grow with N.
#include "app/JournalMainForm.h"
#include "bench/support/BenchMain.h"
#include "store/Events.h"
#include "tests/e2e/E2eSupport.h"
#include "tests/support/ReplyBuilder.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace orvex;

namespace {

// N waiting trips of unit 2 written straight into Events.DB, in one
// transaction.
void addWaitingTrips(const QString &eventsFile, qint64 n) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), eventsFile);
        db.setDatabaseName(eventsFile);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        q.exec(QStringLiteral("WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s "
                              "WHERE i < %1) INSERT INTO Events (Date, Time, UnitNo, Channel, "
                              "Kind, Level, Text) SELECT '2026-01-01', '12:00:00', 2, 1, 1, 2, "
                              "'Пульт №2: канал 1: тревога' FROM s")
                   .arg(n));
        q.exec(QStringLiteral("UPDATE orvex_rowcount SET n = n + %1").arg(n));
        q.exec(QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(eventsFile);
}

void BM_TripWithWaitingBacklog(benchmark::State &state) {
    QTemporaryDir dir;
    setProgramFolder(dir.path());
    config::TSettings s;
    s.UnitsAmount = 2;
    s.ChannalsMaxAmount = 8;
    s.ComPortNo = 1;
    s.UnitAddr[1] = 5;
    s.UnitAddr[2] = 6;
    e2e::prepareProgramFolder(s);
    config::JournalSettings j;
    j.Marks = true;
    config::saveJournalSettings(j);
    store::installEventsTable(dir.filePath(QStringLiteral("Database")));
    addWaitingTrips(dir.filePath(QStringLiteral("Database/Events.DB")), state.range(0));

    e2e::Program p;
    app::JournalController *journal = app::attachJournal(*p.form, *p.controller);
    const auto normal = test::goodReply(5, {10, 10, 10, 10, 10, 10, 10, 10}, 0, 30, 50);
    const auto trip = test::goodReply(5, {60, 10, 10, 10, 10, 10, 10, 10}, 0, 30, 50);
    QDateTime now = QDateTime::currentDateTime();
    journal->detector().goodReply(1, normal, 8, now);
    for (auto _ : state) {
        now = now.addSecs(1);
        journal->detector().goodReply(1, trip, 8, now);
        state.PauseTiming();
        now = now.addSecs(1);
        journal->detector().goodReply(1, normal, 8, now);
        state.ResumeTiming();
    }
    state.counters["waiting"] = double(journal->pendingCount());
    p.form->close();
    setProgramFolder(QString());
}

} // namespace

BENCHMARK(BM_TripWithWaitingBacklog)
    ->Arg(0)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);

int main(int argc, char **argv) {
    return bench::runBenchmarks<QApplication>(argc, argv);
}
