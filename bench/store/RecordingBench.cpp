// One measurement's recording as the poll cycle does it (MeasurementRecorder:
// Plot.db append and trim, Signals.DB append and trim to 648,000 rows, Arc.DB
// append, the counts the status bar shows) on full-size tables, on table
// files (synchronous=FULL) and on a local server (Unix socket,
// synchronous_commit=on) side by side in one run:
//   recording_bench
// Every measurement is an exceedance, so each recording writes all three
// tables. The files are those of store_bench (ORVEX_BENCH_DIR, default
// /tmp/orvex-store-bench, generated on first use); the server's rows are
// generated on every run in a throw-away cluster (a minute or two).
#include "bench/support/GeneratedTables.h"
#include "bench/support/ServerTables.h"
#include "polling/Recording.h"
#include "store/Table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

using namespace orvex;

namespace {

constexpr qint64 kCurrentRows = 648'000;
constexpr qint64 kArchiveRows = 10'000'000;

std::unique_ptr<store::Table> openTable(const QString &database, const QString &table) {
    auto t = std::make_unique<store::Table>();
    t->setDatabaseName(database);
    t->setTableName(table);
    t->open();
    return t;
}

struct Databases {
    QString plot, signals_, arc;
};

Databases files() {
    const QString root =
        bench::dataRoot("ORVEX_BENCH_DIR", QStringLiteral("/tmp/orvex-store-bench"));
    const QString arc = bench::generatedDatabase(root, store::arcTable(), kArchiveRows, 730, true);
    return {arc, bench::generatedDatabase(root, store::signalsTable(), kCurrentRows, 5, false),
            arc};
}

Databases server() {
    const QString uri =
        bench::generatedServerSchema(QStringLiteral("recording"), kCurrentRows, kArchiveRows);
    return {uri, uri, uri};
}

void BM_Recording(benchmark::State &state) {
    const bool onServer = state.range(0) == 1;
    const Databases db = onServer ? server() : files();
    auto plot = openTable(db.plot, QStringLiteral("Plot.db"));
    auto signals_ = openTable(db.signals_, QStringLiteral("Signals.DB"));
    auto arc = openTable(db.arc, QStringLiteral("Arc.DB"));
    config::TSettings settings;
    settings.UnitsAmount = 15;
    settings.ChannalsMaxAmount = 8;
    settings.PeriodMs = 10000;
    settings.CurrKeepTime = 120; // 648,000 rows
    settings.ArcLevel = 1;
    settings.Sound_ON = false;
    polling::MeasurementRecorder recorder(*plot, *signals_, *arc, settings);
    struct Shown : polling::RecordingListener {
        void currentCountChanged(qint64 rows) override { total += rows; }
        void archiveCountChanged(qint64 rows) override { total += rows; }
        qint64 total = 0;
    } shownRows;
    recorder.setListener(&shownRows);
    const std::array<float, polling::kMaxChannels> values{0.29f, 1.5f, 2.6f,  20.9f,
                                                          0.01f, 5.0f, 6.25f, 7.5f};
    std::vector<double> ms;
    int unit = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        unit = unit % 15 + 1;
        recorder.RecordMeasurement(unit, 2, values, QDate::currentDate(), QTime::currentTime());
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    benchmark::DoNotOptimize(shownRows.total);
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    if (!ms.empty()) {
        state.counters["mean_ms"] = sum / double(ms.size());
        state.counters["p50_ms"] = ms[ms.size() / 2];
        state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    }
    state.counters["signals_rows"] = double(signals_->recordCount());
    state.SetLabel(onServer ? "server" : "files");
}
BENCHMARK(BM_Recording)->Arg(0)->Arg(1)->Iterations(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
