// Table store benchmarks on full-size tables: the store work of one recording
// (Plot.db append + trim, Signals.DB append + trim, Arc.DB append, the two
// counts) at synchronous=FULL with Signals.DB at 10,000 to 648,000 rows and
// Arc.DB at 10 million rows; the record counts; the first and last page of
// every view selection. The BM_Server* benchmarks do the same on a local
// PostgreSQL server (Unix socket, synchronous_commit=on) holding the same
// rows, so one run shows both engines side by side:
//   store_bench --benchmark_filter='Recording/648000|Server'
// The server's rows are generated on every run (a throw-away cluster).
//
// The tables are generated on the first run (several minutes for the
// archive) into ORVEX_BENCH_DIR, default /tmp/orvex-store-bench, and reused
// by later runs. Recording benchmarks append to them; Signals.DB stays at its
// size through trimming, the archive grows by the rows appended.
#include "bench/support/BenchMain.h"
#include "bench/support/GeneratedTables.h"
#include "bench/support/ServerTables.h"
#include "store/Installer.h"
#include "store/Table.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

using namespace orvex::store;

namespace {

constexpr qint64 kArchiveRows = 10'000'000;
QString benchRoot() {
    return orvex::bench::dataRoot("ORVEX_BENCH_DIR", QStringLiteral("/tmp/orvex-store-bench"));
}

QString dataset(const TableDef &def, qint64 rows, int days, bool archive) {
    return orvex::bench::generatedDatabase(benchRoot(), def, rows, days, archive);
}

QString archiveFolder() {
    return dataset(arcTable(), kArchiveRows, 730, true);
}

// Current data: 120 hours of 15 units every 10 s is 648,000 rows.
QString signalsFolder(qint64 rows) {
    return dataset(signalsTable(), rows, int(std::max<qint64>(1, rows * 5 / 648000)), false);
}

std::unique_ptr<Table> openTable(const QString &folder, const QString &table,
                                 const QString &index = {}, bool readOnly = false) {
    auto t = std::make_unique<Table>();
    t->setDatabaseName(folder);
    t->setTableName(table);
    t->setIndexName(index);
    t->setReadOnly(readOnly);
    t->open();
    return t;
}

void addPercentiles(benchmark::State &state, std::vector<double> &ms) {
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    state.counters["mean_ms"] = sum / double(ms.size());
    state.counters["p50_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    state.counters["max_ms"] = ms.back();
}

// One recording's store work, as the recording does it: each table's
// append and trim in one transaction, the counts the status bar shows.
void recording(benchmark::State &state, const QString &signalsDir, const QString &arcDir,
               qint64 keep) {
    auto plot = openTable(arcDir, QStringLiteral("Plot.db"));
    plot->setIndexFieldNames(QStringLiteral("Meas_IDX"));
    auto signals_ = openTable(signalsDir, QStringLiteral("Signals.DB"));
    auto arc = openTable(arcDir, QStringLiteral("Arc.DB"), QStringLiteral("Dat_IDX_D"));
    const QDate today = QDate::currentDate();
    std::vector<double> ms;
    int unit = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        unit = unit % 15 + 1;
        const QTime now = QTime::currentTime();
        {
            Transaction tx(*plot);
            plot->append();
            plot->setValue(QStringLiteral("UnitNo"), unit);
            for (int ch = 1; ch <= 8; ++ch)
                plot->setValue(ch + 1, ch * 0.01);
            plot->post();
            plot->trimTo(qint64(51) * 15);
            tx.commit();
        }
        qint64 count = 0;
        {
            Transaction tx(*signals_);
            signals_->append();
            signals_->setValue(QStringLiteral("UnitNo"), unit);
            signals_->setValue(QStringLiteral("Alarm"), 2);
            signals_->setValue(QStringLiteral("Date"), today);
            signals_->setValue(QStringLiteral("Time"), now);
            for (int ch = 1; ch <= 8; ++ch)
                signals_->setValue(QStringLiteral("D%1").arg(ch), ch * 0.01);
            signals_->post();
            signals_->trimTo(keep);
            tx.commit();
            count = signals_->recordCount();
        }
        arc->append();
        arc->setValue(QStringLiteral("UnitNo"), unit);
        arc->setValue(QStringLiteral("Alarm"), 2);
        arc->setValue(QStringLiteral("Date"), today);
        arc->setValue(QStringLiteral("Time"), now);
        for (int ch = 1; ch <= 8; ++ch)
            arc->setValue(ch + 3, ch * 0.01);
        arc->post();
        count += arc->recordCount();
        benchmark::DoNotOptimize(count);
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    state.counters["signals_rows"] = double(signals_->recordCount());
    addPercentiles(state, ms);
}

void BM_Recording(benchmark::State &state) {
    const qint64 keep = state.range(0);
    recording(state, signalsFolder(keep), archiveFolder(), keep);
}
BENCHMARK(BM_Recording)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(648'000)
    ->Iterations(2000)
    ->Unit(benchmark::kMillisecond);

// The counts the status bar and the views show, on fresh handles and again.
void BM_RecordCount(benchmark::State &state) {
    const bool archive = state.range(0) == 1;
    const QString folder = archive ? archiveFolder() : signalsFolder(648'000);
    auto t = openTable(folder, archive ? QStringLiteral("Arc.DB") : QStringLiteral("Signals.DB"),
                       QStringLiteral("DAT_IDX_D"), true);
    qint64 n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(n = t->recordCount());
    state.counters["rows"] = double(n);
    state.SetLabel(archive ? "Arc.DB" : "Signals.DB");
}
BENCHMARK(BM_RecordCount)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Opening a read-only view handle (first row read included), as at start-up.
void BM_OpenViewHandle(benchmark::State &state) {
    const QString folder = archiveFolder();
    for (auto _ : state) {
        auto t = openTable(folder, QStringLiteral("Arc.DB"), QStringLiteral("Dat_IDX_D"), true);
        benchmark::DoNotOptimize(t->recordCount());
    }
}
BENCHMARK(BM_OpenViewHandle)->Unit(benchmark::kMillisecond);

struct Selection {
    const char *label;
    const char *filter;
    int rangeDays; // 0: no range; 1: the last day; n: the last n days
};

const Selection kSelections[] = {
    {"all", "", 0},
    {"unit 3", "UnitNo=3", 0},
    {"alarm>0", "Alarm>0", 0},
    {"alarm>1", "Alarm>1", 0},
    {"unit 3 alarm>0", "UnitNo=3 and Alarm>0", 0},
    {"unit 3 alarm>1", "UnitNo=3 and Alarm>1", 0},
    {"unit 16 (none)", "UnitNo=16", 0},
    {"last day", "", 1},
    {"last day unit 5", "UnitNo=5", 1},
    {"last day alarm>1", "Alarm>1", 1},
    {"3 days unit 7 alarm>0", "UnitNo=7 and Alarm>0", 3},
    {"range without rows", "", -1},
};

// Narrows `t` to a selection: its days up to `lastDay` (the newest day of the
// table; a range of days before any row when the selection asks for one
// without rows) and its filter.
void applySelection(Table &t, const Selection &sel, QDate lastDay) {
    if (sel.rangeDays < 0)
        t.setRange(QDate(2000, 1, 1), QDate(2000, 1, 2));
    else if (sel.rangeDays > 0)
        t.setRange(lastDay.addDays(1 - sel.rangeDays), lastDay);
    if (*sel.filter) {
        t.setFilter(QString::fromLatin1(sel.filter));
        t.setFiltered(true);
    }
}

// First or last page of 50 rows of one selection, both sort orders.
void BM_ViewPage(benchmark::State &state) {
    const bool archive = state.range(0) == 1;
    const Selection &sel = kSelections[state.range(1)];
    const bool last = state.range(2) == 1;
    const bool descending = state.range(3) == 1;
    const QString folder = archive ? archiveFolder() : signalsFolder(648'000);
    auto t = openTable(folder, archive ? QStringLiteral("Arc.DB") : QStringLiteral("Signals.DB"),
                       descending ? QStringLiteral("DAT_IDX_D") : QStringLiteral("DAT_IDX"), true);
    QDate lastDay;
    if (sel.rangeDays != 0) {
        t->last();
        t->first();
        const QDate newest = t->lastPage(1).value(0).values.value(1).toDate();
        lastDay = descending ? t->firstPage(1).value(0).values.value(1).toDate() : newest;
    }
    applySelection(*t, sel, lastDay);
    qsizetype rows = 0;
    for (auto _ : state) {
        const QList<Row> page = last ? t->lastPage(50) : t->firstPage(50);
        rows = page.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(rows);
    state.SetLabel(QStringLiteral("%1 %2 %3 %4")
                       .arg(archive ? "Arc" : "Signals", QLatin1String(sel.label),
                            last ? "last" : "first", descending ? "desc" : "asc")
                       .toStdString());
}

void viewPageArgs(benchmark::internal::Benchmark *b) {
    for (int archive : {0, 1}) {
        for (int sel = 0; sel < int(std::size(kSelections)); ++sel) {
            // The archive view selects by unit and date only; alarm filters
            // on the archive are not indexed (every archive row has an alarm).
            if (archive && QByteArray(kSelections[sel].filter).contains("Alarm"))
                continue;
            for (int last : {0, 1})
                b->Args({archive, sel, last, 1});
        }
        b->Args({archive, 0, 0, 0});
        b->Args({archive, archive ? 1 : 3, 1, 0});
    }
}
BENCHMARK(BM_ViewPage)->Apply(viewPageArgs)->Unit(benchmark::kMicrosecond);

// Walking the middle of the archive page by page, as a view's scroll does.
void BM_PageAfter(benchmark::State &state) {
    auto t =
        openTable(archiveFolder(), QStringLiteral("Arc.DB"), QStringLiteral("DAT_IDX_D"), true);
    t->setFilter(QStringLiteral("UnitNo=4"));
    t->setFiltered(true);
    QList<Row> page = t->firstPage(50);
    for (auto _ : state) {
        page = t->pageAfter(page.last(), 50);
        if (page.isEmpty())
            page = t->firstPage(50);
    }
}
BENCHMARK(BM_PageAfter)->Unit(benchmark::kMicrosecond);

// --- the same on a server -----------------------------------------------------

// A station schema on a throw-away local cluster with Signals at 648,000 rows
// and Arc at 10 million; its URI is the handles' database name.
QString serverDatabase() {
    return orvex::bench::generatedServerSchema(QStringLiteral("bench"), 648'000, kArchiveRows);
}

void BM_ServerRecording(benchmark::State &state) {
    recording(state, serverDatabase(), serverDatabase(), 648'000);
}
BENCHMARK(BM_ServerRecording)->Iterations(2000)->Unit(benchmark::kMillisecond);

void BM_ServerOpenViewHandle(benchmark::State &state) {
    const QString uri = serverDatabase();
    for (auto _ : state) {
        auto t = openTable(uri, QStringLiteral("Arc.DB"), QStringLiteral("Dat_IDX_D"), true);
        benchmark::DoNotOptimize(t->recordCount());
    }
}
BENCHMARK(BM_ServerOpenViewHandle)->Unit(benchmark::kMillisecond);

// The archive view's selections on the server: first and last page, the
// last row, newest first.
void BM_ServerArchivePage(benchmark::State &state) {
    const Selection &sel = kSelections[state.range(0)];
    const bool last = state.range(1) == 1;
    auto t =
        openTable(serverDatabase(), QStringLiteral("Arc.DB"), QStringLiteral("DAT_IDX_D"), true);
    applySelection(
        *t, sel, sel.rangeDays != 0 ? t->firstPage(1).value(0).values.value(1).toDate() : QDate());
    qsizetype rows = 0;
    for (auto _ : state) {
        if (last)
            t->last();
        const QList<Row> page = last ? t->lastPage(50) : t->firstPage(50);
        rows = page.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(rows);
    state.SetLabel(QStringLiteral("Arc %1 %2")
                       .arg(QLatin1String(sel.label), last ? "last" : "first")
                       .toStdString());
}

void serverPageArgs(benchmark::internal::Benchmark *b) {
    for (int sel = 0; sel < int(std::size(kSelections)); ++sel) {
        if (QByteArray(kSelections[sel].filter).contains("Alarm"))
            continue;
        for (int last : {0, 1})
            b->Args({sel, last});
    }
}
BENCHMARK(BM_ServerArchivePage)->Apply(serverPageArgs)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    return orvex::bench::runBenchmarks<QCoreApplication>(argc, argv);
}
