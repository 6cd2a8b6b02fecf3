// Poll cycle benchmarks.
//
// RecordMeasurement: one whole recording (Plot.db append + trim, Signals.DB
// append + trim, Arc.DB append, counters) through the recorder on the
// program's own table handles, at synchronous=FULL, with Signals.DB at
// 10,000 and at 648,000 rows (its limit at 120 h, 15 units, 10 s) and Arc.DB
// at 10 million rows. Reports the mean and, as counters, the median and the
// 99th percentile of the single recordings in milliseconds.
//
// The tables are copied from the table store benchmark's generated data
// (ORVEX_BENCH_DIR, default /tmp/orvex-store-bench; generated there first
// when missing, several minutes for the archive) into
// /tmp/orvex-pollcycle-bench, so that both benchmarks can run.
//
// Schedule: the poll cycle against the unit simulator on a pseudo-terminal,
// 200 timer ticks with and without the progress bar; every tick is compared
// with the moment the poll timeline gives it (the interval in force
// after the previous tick). Counters: median and worst deviation in ms.
#include "bench/support/BenchMain.h"
#include "bench/support/GeneratedTables.h"
#include "config/Settings.h"
#include "polling/PollCycle.h"
#include "polling/Recording.h"
#include "serial/BCPort.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "ui/Messages.h"
#include "ui/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

using namespace orvex;

namespace {

const QString kRoot = QStringLiteral("/tmp/orvex-pollcycle-bench");

// Copies the measurement table of `def` with `rows` rows from the store
// benchmark's generated data (generated there first when missing) into
// `folder`. The store benchmark's recordings leave gaps at the start of the
// ids, which the copy's kept row count follows.
void provide(const QString &folder, const store::TableDef &def, qint64 rows, int days,
             bool archive) {
    const QString source =
        bench::generatedDatabase(
            bench::dataRoot("ORVEX_BENCH_DIR", QStringLiteral("/tmp/orvex-store-bench")), def, rows,
            days, archive) +
        QLatin1Char('/') + def.fileName;
    const QString target = folder + QLatin1Char('/') + def.fileName;
    for (const QString &suffix : {QString(), QStringLiteral("-wal")}) {
        QFile::remove(target + suffix);
        if (QFile::exists(source + suffix) && !QFile::copy(source + suffix, target + suffix)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(source + suffix));
            std::abort();
        }
    }
    bench::runScript(target,
                     {QStringLiteral("UPDATE %1 SET n = (SELECT MAX(Meas_IDX) - MIN(Meas_IDX) + 1 "
                                     "FROM \"%2\")")
                          .arg(QString::fromLatin1(store::kRowCountTable), def.sqlName),
                      QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")});
}

QString database(qint64 signalRows) {
    const QString folder = kRoot + QStringLiteral("/signals-%1").arg(signalRows);
    if (!QFile::exists(folder + QStringLiteral("/complete"))) {
        QDir(folder).removeRecursively();
        store::createDatabase(folder);
        // Current data: 120 hours of 15 units every 10 s is 648,000 rows.
        provide(folder, store::signalsTable(), signalRows,
                int(std::max<qint64>(1, signalRows * 5 / 648000)), false);
        provide(folder, store::arcTable(), 10'000'000, 730, true);
        QFile(folder + QStringLiteral("/complete")).open(QIODevice::WriteOnly);
    }
    return folder;
}

std::unique_ptr<store::Table> open(const QString &folder, const QString &file) {
    auto t = std::make_unique<store::Table>();
    t->setDatabaseName(folder);
    t->setTableName(file);
    t->open();
    return t;
}

void setPercentiles(benchmark::State &state, std::vector<double> &ms) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty())
        return;
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, size_t(std::ceil(ms.size() * 0.99)) - 1)];
    state.counters["max_ms"] = ms.back();
}

// Arguments: Signals.DB rows; alarm level of every recording (2 archives).
void BM_RecordMeasurement(benchmark::State &state) {
    const qint64 signalRows = state.range(0);
    const QString folder = database(signalRows);
    auto plot = open(folder, QStringLiteral("Plot.db"));
    auto signalTable = open(folder, QStringLiteral("Signals.DB"));
    auto arc = open(folder, QStringLiteral("Arc.DB"));
    // The keep limit equal to the table's size, so each recording trims one
    // row: 120 h x 15 units div 10 s = 648,000; 25 h x 1 unit div 9 s = 10,000.
    config::TSettings s;
    s.UnitsAmount = signalRows == 648000 ? 15 : 1;
    s.CurrKeepTime = signalRows == 648000 ? 120 : 25;
    s.PeriodMs = signalRows == 648000 ? 10000 : 9000;
    s.ArcLevel = 2;
    polling::MeasurementRecorder recorder(*plot, *signalTable, *arc, s);
    struct Counter : polling::RecordingListener {
        qint64 counted = 0;
        void currentCountChanged(qint64 rows) override { counted = rows; }
    } counter;
    recorder.setListener(&counter);
    qint64 &counted = counter.counted;
    std::array<float, 8> values{0.29f, 1.5f, 2.6f, 24.0f, 240.0f, 0.0f, 3.0f, 7.0f};
    const int level = int(state.range(1));
    std::vector<double> ms;
    int u = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        recorder.RecordMeasurement(u % 15 + 1, level, values, QDate::currentDate(),
                                   QTime::currentTime());
        ms.push_back(t.nsecsElapsed() / 1e6);
        ++u;
    }
    state.counters["signals_rows"] = double(counted);
    state.counters["arc_rows"] = double(arc->recordCount());
    setPercentiles(state, ms);
}
BENCHMARK(BM_RecordMeasurement)
    ->ArgsProduct({{10000, 648000}, {0, 2}})
    ->ArgNames({"signals", "alarm"})
    ->Iterations(2000)
    ->Unit(benchmark::kMillisecond);

// The same work in plain SQL on the same files and durability (WAL,
// synchronous=FULL, one transaction per table file, the row count kept in
// the file), without the store or the recorder: the figure to compare with.
// Argument 2 joins the three files in one connection and one transaction
// (ATTACH); in WAL mode each file still syncs its own log at the commit.
void BM_RawRecording(benchmark::State &state) {
    const qint64 signalRows = state.range(0);
    const bool archive = state.range(1) == 2;
    const bool attached = state.range(2) != 0;
    const QString folder = database(signalRows);
    const QString name = QStringLiteral("raw-recording");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("/Signals.DB"));
        db.open();
        QSqlQuery q(db);
        auto run = [&](const QString &sql) {
            if (!q.exec(sql))
                std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(q.lastError().text()));
            q.finish();
        };
        run(QStringLiteral("PRAGMA journal_mode=WAL"));
        run(QStringLiteral("PRAGMA synchronous=FULL"));
        run(QStringLiteral("ATTACH '%1/Plot.db' AS p").arg(folder));
        run(QStringLiteral("ATTACH '%1/Arc.DB' AS a").arg(folder));
        run(QStringLiteral("PRAGMA p.synchronous=FULL"));
        run(QStringLiteral("PRAGMA a.synchronous=FULL"));
        const QString values =
            QStringLiteral("(date('now'), time('now'), 3, 0.29, 1.5, 2.6, 24, 240, 0, 3, 7, %1)")
                .arg(state.range(1));
        std::vector<double> ms;
        for (auto _ : state) {
            QElapsedTimer t;
            t.start();
            if (attached)
                run(QStringLiteral("BEGIN IMMEDIATE"));
            else
                run(QStringLiteral("BEGIN IMMEDIATE"));
            run(QStringLiteral("INSERT INTO p.Plot (UnitNo, D1, D2, D3, D4, D5, D6, D7, D8) VALUES "
                               "(3, 0.29, 1.5, 2.6, 24, 240, 0, 3, 7)"));
            run(QStringLiteral(
                "DELETE FROM p.Plot WHERE Meas_IDX <= (SELECT MAX(Meas_IDX) FROM p.Plot) - 765"));
            if (!attached) {
                run(QStringLiteral("COMMIT"));
                run(QStringLiteral("BEGIN IMMEDIATE"));
            }
            run(QStringLiteral("INSERT INTO main.Signals (Date, Time, UnitNo, D1, D2, D3, D4, D5, "
                               "D6, D7, D8, Alarm) VALUES ") +
                values);
            run(QStringLiteral("DELETE FROM main.Signals WHERE Meas_IDX <= (SELECT MAX(Meas_IDX) "
                               "FROM main.Signals) - %1")
                    .arg(signalRows));
            if (archive) {
                if (!attached) {
                    run(QStringLiteral("COMMIT"));
                    run(QStringLiteral("BEGIN IMMEDIATE"));
                }
                run(QStringLiteral("INSERT INTO a.Arc (Date, Time, UnitNo, D1, D2, D3, D4, D5, D6, "
                                   "D7, D8, Alarm) VALUES ") +
                    values);
            }
            run(QStringLiteral("COMMIT"));
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        setPercentiles(state, ms);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
BENCHMARK(BM_RawRecording)
    ->ArgsProduct({{648000}, {0, 2}, {0, 1}})
    ->ArgNames({"signals", "alarm", "attached"})
    ->Iterations(2000)
    ->Unit(benchmark::kMillisecond);

// The surface of the schedule benchmark: no window, only the timer, the bar
// and the port.
class BenchSurface : public polling::PollSurface {
public:
    config::TSettings s;
    serial::TBComPort port_;
    QTimer timer_;
    QProgressBar bar;
    config::TSettings &settings() override { return s; }
    serial::TBComPort &port() override { return port_; }
    QTimer &timer() override { return timer_; }
    QProgressBar &progressBar() override { return bar; }
    std::uint8_t unitAddress(int u) override { return std::uint8_t(u); }
    bool checkDuplicateAddresses() override { return false; }
    void runOptions() override {}
    void setMenusEnabled(bool) override {}
    void setPortStatus(const QString &) override {}
    void setStartButton(const QString &, const QString &) override {}
    void pollingChanged(bool) override {}
    void setUnitHeaderHighlight(int, bool) override {}
    polling::DecodeResult decodeReply(int, const polling::ReplyBuffer &) override { return {}; }
    void showReplyError(int, const polling::ReplyOutcome &) override {}
    QWidget *messageParent() override { return nullptr; }
};

// Arguments: progress bar shown (1) or hidden (0); units; period in ms.
void BM_Schedule(benchmark::State &state) {
    const bool withBar = state.range(0) != 0;
    QTemporaryDir dir;
    setProgramFolder(dir.path());
    QProcess sim;
    sim.start(QStringLiteral(ORVEX_UNITSIM),
              {QStringLiteral("--link"), dir.filePath(QStringLiteral("ports/COM1")),
               QStringLiteral("--units"), QStringLiteral("1-15")});
    QByteArray out;
    while (!out.contains("ready") && sim.waitForReadyRead(10000))
        out += sim.readAllStandardOutput();
    std::vector<double> deviation;
    for (auto _ : state) {
        BenchSurface surface;
        surface.port_.SetPort(QStringLiteral("COM1"));
        surface.s.UnitsAmount = int(state.range(1));
        surface.s.PeriodMs = int(state.range(2));
        surface.bar.setRange(0, 100);
        surface.bar.setVisible(withBar);
        if (!withBar)
            surface.bar.hide();
        polling::PollCycle cycle(surface, {});
        QElapsedTimer clock;
        qint64 expected = -1;
        int ticks = 0;
        QEventLoop loop;
        QObject::connect(&surface.timer_, &QTimer::timeout, [&] {
            const qint64 start = clock.nsecsElapsed();
            if (expected >= 0)
                deviation.push_back(std::abs(start - expected) / 1e6);
            const int before = surface.timer_.interval();
            const bool phase = cycle.sendPhase();
            const int position = surface.bar.value();
            cycle.Timer1Cicle();
            // A send or read tick re-arms the timer when it sets the interval
            // (at its end); a waiting tick leaves the repeating timer alone.
            const bool rearmed = phase != cycle.sendPhase() ||
                                 before != surface.timer_.interval() ||
                                 (withBar && position == surface.bar.maximum());
            expected = (rearmed ? clock.nsecsElapsed() : start) +
                       qint64(surface.timer_.interval()) * 1000000;
            if (++ticks >= 200)
                loop.quit();
        });
        clock.start();
        cycle.ScanBitBtnClick();
        expected = qint64(polling::kFirstTickDelayMs) * 1000000;
        loop.exec();
        cycle.ScanBitBtnClick();
    }
    sim.terminate();
    sim.waitForFinished(5000);
    std::vector<double> d = deviation;
    std::sort(d.begin(), d.end());
    if (!d.empty()) {
        state.counters["median_dev_ms"] = d[d.size() / 2];
        state.counters["worst_dev_ms"] = d.back();
        state.counters["ticks"] = double(d.size());
    }
    setProgramFolder(QString());
}
BENCHMARK(BM_Schedule)
    ->Args({1, 1, 1000})   // bar: waiting ticks of 10 ms
    ->Args({1, 15, 10000}) // bar: waiting ticks of 6 ms
    ->Args({0, 15, 1000})  // no bar: 66 ms between units
    ->ArgNames({"bar", "units", "period"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    // Offscreen even under a display; the poll cycle's error boxes are
    // recorded, not shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::MessageRecorder quiet;
    return orvex::bench::runBenchmarks<QApplication>(argc, argv);
}
