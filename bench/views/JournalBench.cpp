// Event journal benchmarks, side by side in one run.
//
// Recording: one whole recording (Plot.db, Signals.DB, Arc.DB at
// synchronous=FULL) through the recorder, without and with the journal's
// transition check of the same reply (a steady reply: no event is written,
// as on almost every poll of a station). The check alone is measured too.
//
// Journal window on a 10-million-row Events.DB (generated on the first run
// into ORVEX_JOURNAL_BENCH_DIR, default /tmp/orvex-journal-bench): opening
// the window on its newest page, each filter (unit, kind group, both, a date
// range, a filter that matches nothing) and the last (oldest) page.
//
// CSV export of 1 million rows of Signals.DB as the current-data view shows
// them (the file is written and removed; the time is the mean); the table is
// generated once into the same folder by the benchmarks' common generator.
#include "bench/support/BenchMain.h"
#include "bench/support/GeneratedTables.h"
#include "config/Settings.h"
#include "polling/Journal.h"
#include "polling/Recording.h"
#include "store/Events.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "tests/support/ReplyBuilder.h"
#include "views/CsvExport.h"
#include "views/DateFormats.h"
#include "views/JournalWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

using namespace orvex;

namespace {

QString root() {
    return bench::dataRoot("ORVEX_JOURNAL_BENCH_DIR", QStringLiteral("/tmp/orvex-journal-bench"));
}

// Events.DB with 10 million events over ~3 years, 15 units, all kinds.
QString bigDatabase() {
    const QString folder = root() + QStringLiteral("/big");
    if (QFile::exists(folder + QStringLiteral("/complete")))
        return folder;
    QDir(folder).removeRecursively();
    store::createDatabase(folder);
    const QString events = folder + QStringLiteral("/Events.DB");
    std::fprintf(stderr, "generating %s (10 million events) ...\n", qPrintable(events));
    // Rows first, indexes afterwards (faster than growing them row by row).
    QStringList drop;
    for (const store::StoreIndexDef &index : store::eventsTable().storeIndexes)
        drop << QStringLiteral("DROP INDEX IF EXISTS \"%1\"").arg(index.name);
    bench::runScript(
        events,
        drop + QStringList{
                   QStringLiteral("PRAGMA synchronous=OFF"), QStringLiteral("BEGIN"),
                   QStringLiteral("WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s "
                                  "WHERE i < 9999999) INSERT INTO Events (Date, Time, UnitNo, "
                                  "Channel, Kind, Level, Value, Text) SELECT date('2024-01-01', "
                                  "'+' || (i / 10000) || ' days'), '12:00:00', 1 + i % 15, i % 9, "
                                  "1 + (i / 15) % 6, i % 3, (i % 1000) / 100.0, 'Пульт №' || "
                                  "(1 + i % 15) || ': событие ' || i FROM s"),
                   QStringLiteral("UPDATE orvex_rowcount SET n = 10000000"),
                   QStringLiteral("COMMIT")});
    store::installEventsTable(folder); // the indexes
    bench::runScript(events, {QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")});
    QFile(folder + QStringLiteral("/complete")).open(QIODevice::WriteOnly);
    return folder;
}

// Signals.DB with 1 million rows over 10 days, from the benchmarks' common
// generator.
QString millionRowsDatabase() {
    return bench::generatedDatabase(root(), store::signalsTable(), 1'000'000, 10, false);
}

// --- recording ------------------------------------------------------------

struct Recording {
    QTemporaryDir dir;
    config::TSettings settings;
    store::Table plot, signalsTable, arc;
    std::unique_ptr<polling::MeasurementRecorder> recorder;
    polling::JournalDetector journal{[](const store::EventRecord &) {}};
    polling::ReplyBuffer reply = test::goodReply(1, {10, 20, 30, 40, 50, 60, 70, 80}, 0, 100, 200);

    Recording() {
        store::createDatabase(dir.path());
        settings.UnitsAmount = 1;
        for (auto [t, name] : {std::pair{&plot, "Plot.db"}, std::pair{&signalsTable, "Signals.DB"},
                               std::pair{&arc, "Arc.DB"}}) {
            t->setDatabaseName(dir.path());
            t->setTableName(QString::fromLatin1(name));
            t->open();
        }
        recorder =
            std::make_unique<polling::MeasurementRecorder>(plot, signalsTable, arc, settings);
        journal.goodReply(1, reply, 8, QDateTime::currentDateTime()); // first sight
    }
    void record(bool withJournal) {
        const QDateTime now = QDateTime::currentDateTime();
        if (withJournal)
            journal.goodReply(1, reply, 8, now);
        std::array<float, 8> values{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f};
        recorder->RecordMeasurement(1, 0, values, now.date(), now.time());
    }
};

Recording &recording() {
    static Recording r;
    return r;
}

void BM_RecordingWithoutJournal(benchmark::State &state) {
    for (auto _ : state)
        recording().record(false);
}

void BM_RecordingWithJournalCheck(benchmark::State &state) {
    for (auto _ : state)
        recording().record(true);
}

void BM_JournalCheckAlone(benchmark::State &state) {
    Recording &r = recording();
    const QDateTime now = QDateTime::currentDateTime();
    for (auto _ : state)
        r.journal.goodReply(1, r.reply, 8, now);
}

// --- journal window -----------------------------------------------------

void BM_JournalWindowOpen(benchmark::State &state) {
    const QString folder = bigDatabase();
    for (auto _ : state) {
        views::JournalWindow w;
        w.openJournal(folder);
        benchmark::DoNotOptimize(w.model()->rowCount());
    }
}

// The menu command on the window the program keeps: shown again with the
// newest events read afresh.
void BM_JournalWindowReopen(benchmark::State &state) {
    const QString folder = bigDatabase();
    views::JournalWindow w;
    w.setUnitCount(15);
    w.openJournal(folder);
    for (auto _ : state) {
        w.hide();
        w.show();
        w.showNewest();
        benchmark::DoNotOptimize(w.model()->rowCount());
    }
}

void BM_JournalWindowFilter(benchmark::State &state) {
    const QString folder = bigDatabase();
    views::JournalWindow w;
    w.setUnitCount(15);
    w.openJournal(folder);
    const int unit = int(state.range(0));
    const int kind = int(state.range(1));
    const bool dates = state.range(2) != 0;
    w.UnitCombo->setCurrentIndex(unit);
    w.KindCombo->setCurrentIndex(kind);
    w.DateCheck->setChecked(dates);
    w.DateMaskEdit1->setText(views::fieldDateText(QDate(2025, 3, 1)));
    w.DateMaskEdit2->setText(
        views::fieldDateText(QDate(dates && state.range(2) == 2 ? 2020 : 2025, 3, 31)));
    if (state.range(2) == 2)
        w.DateMaskEdit1->setText(views::fieldDateText(QDate(2020, 3, 1)));
    for (auto _ : state) {
        w.applyFilters();
        benchmark::DoNotOptimize(w.model()->rowCount());
    }
    state.counters["rows"] = w.model()->rowCount();
}

void BM_JournalWindowLastRow(benchmark::State &state) {
    const QString folder = bigDatabase();
    views::JournalWindow w;
    w.setUnitCount(15);
    w.openJournal(folder);
    w.UnitCombo->setCurrentIndex(int(state.range(0)));
    w.KindCombo->setCurrentIndex(int(state.range(1)));
    w.applyFilters();
    for (auto _ : state) {
        w.model()->loadLast();
        benchmark::DoNotOptimize(w.model()->rowCount());
    }
}

void BM_CsvExportMillionRows(benchmark::State &state) {
    const QString folder = millionRowsDatabase();
    store::Table t;
    t.setDatabaseName(folder);
    t.setTableName(QStringLiteral("Signals.DB"));
    t.setIndexName(QStringLiteral("DAT_IDX_D"));
    t.setReadOnly(true);
    t.open();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("current.csv"));
    qint64 rows = 0;
    for (auto _ : state) {
        const views::CsvResult r =
            views::exportCsv(file, t, views::measurementHeaders(), views::measurementCells);
        rows = r.rows;
        if (!r.written)
            state.SkipWithError("export failed");
    }
    state.counters["rows"] = double(rows);
    state.counters["MiB"] = double(QFile(file).size()) / (1024.0 * 1024.0);
}

} // namespace

BENCHMARK(BM_RecordingWithoutJournal)->Unit(benchmark::kMillisecond)->Iterations(1500);
BENCHMARK(BM_RecordingWithJournalCheck)->Unit(benchmark::kMillisecond)->Iterations(1500);
BENCHMARK(BM_RecordingWithoutJournal)->Unit(benchmark::kMillisecond)->Iterations(1500);
BENCHMARK(BM_RecordingWithJournalCheck)->Unit(benchmark::kMillisecond)->Iterations(1500);
BENCHMARK(BM_JournalCheckAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JournalWindowOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JournalWindowReopen)->Unit(benchmark::kMillisecond);
// unit (0 all), kind group (0 alarms, 1 communication, 2 program, 3 all),
// dates (0 none, 1 a month, 2 a range before any event: nothing matches)
BENCHMARK(BM_JournalWindowFilter)
    ->Unit(benchmark::kMillisecond)
    ->Args({0, 3, 0})
    ->Args({5, 3, 0})
    ->Args({0, 0, 0})
    ->Args({0, 1, 0})
    ->Args({0, 2, 0})
    ->Args({5, 0, 0})
    ->Args({5, 1, 1})
    ->Args({0, 2, 1})
    ->Args({7, 0, 2});
BENCHMARK(BM_JournalWindowLastRow)
    ->Unit(benchmark::kMillisecond)
    ->Args({0, 3})
    ->Args({5, 0})
    ->Args({0, 1})
    ->Args({9, 2});
BENCHMARK(BM_CsvExportMillionRows)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char **argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return orvex::bench::runBenchmarks<QApplication>(argc, argv);
}
