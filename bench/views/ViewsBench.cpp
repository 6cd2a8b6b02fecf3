// The data views on full-size tables: creating the archive view on an
// archive of 10 million rows, "ПРИМЕНИТЬ" for every selection of unit, dates
// and order (and, in the current-data view over a full Signals.DB of 648,000
// rows, threshold), the jump to the last row after each, and the memory the
// process holds after scrolling a long way through the archive.
//
// Each benchmark reports the median (p50_ms), the slowest run (max_ms) and
// the process's resident memory (rss_mib) afterwards. The tables are made on
// the first run (a few minutes for the archive) in ORVEX_VIEWS_BENCH_DIR,
// default /tmp/orvex-views-bench, and reused; the benchmarks only read them.
#include "bench/support/BenchMain.h"
#include "bench/support/GeneratedTables.h"
#include "store/Schema.h"
#include "views/DataArc.h"
#include "views/DataArc2.h"
#include "views/DateFormats.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QToolButton>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace orvex;
using namespace orvex::views;

namespace {

constexpr qint64 kArchiveRows = 10'000'000;
constexpr qint64 kCurrentRows = 648'000;
constexpr int kArchiveDays = 730;
using bench::kFirstDay;

QString dataset(const store::TableDef &def, qint64 rows, int days, bool archive) {
    return bench::generatedDatabase(
        bench::dataRoot("ORVEX_VIEWS_BENCH_DIR", QStringLiteral("/tmp/orvex-views-bench")), def,
        rows, days, archive);
}

QString archiveFolder() {
    return dataset(store::arcTable(), kArchiveRows, kArchiveDays, true);
}
QString currentFolder() {
    return dataset(store::signalsTable(), kCurrentRows, 5, false);
}

double rssMib() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1 << 20) : 0;
}

void report(benchmark::State &state, std::vector<double> &ms) {
    std::sort(ms.begin(), ms.end());
    state.counters["p50_ms"] = ms[ms.size() / 2];
    state.counters["max_ms"] = ms.back();
    state.counters["rss_mib"] = rssMib();
}

template <typename F> double timed(F &&f) {
    QElapsedTimer timer;
    timer.start();
    f();
    return double(timer.nsecsElapsed()) / 1e6;
}

config::TSettings benchSettings() {
    config::TSettings settings;
    settings.UnitsAmount = 15;
    return settings;
}

// Creating the archive view: opening its handle, the row count and the
// first page.
void BM_OpenArchiveView(benchmark::State &state) {
    const QString folder = archiveFolder();
    const config::TSettings settings = benchSettings();
    bool autoRefresh = true;
    std::vector<double> ms;
    for (auto _ : state) {
        std::unique_ptr<TDataArc2Form> view;
        ms.push_back(
            timed([&] { view = std::make_unique<TDataArc2Form>(settings, autoRefresh, folder); }));
        if (view->DBGrid1->rows()->rowCount() == 0)
            state.SkipWithError("no rows");
    }
    report(state, ms);
}
BENCHMARK(BM_OpenArchiveView)->Unit(benchmark::kMillisecond)->Iterations(20);

// A selection: unit item (0 = all), threshold item (current-data view),
// date item (0 all, 1 today, 2 a month in the middle), newest first or not.
struct Selection {
    int unit, level, dates;
    bool newestFirst;
};

void select(TDataViewForm &view, const Selection &s, const QDate &rangeFrom, const QDate &rangeTo) {
    view.UnitComboBox->setCurrentIndex(s.unit);
    if (view.LevelFiltrRadioGroup)
        view.LevelFiltrRadioGroup->setItemIndex(s.level);
    view.DateMaskEdit1->setText(fieldDateText(rangeFrom));
    view.DateMaskEdit2->setText(fieldDateText(rangeTo));
    view.DateFiltrRadioGroup->setItemIndex(s.dates);
    (s.newestFirst ? view.RadioButton1 : view.RadioButton2)->setChecked(true);
}

template <typename View>
void applyAndJump(benchmark::State &state, const QString &folder, const QDate &rangeFrom,
                  const QDate &rangeTo) {
    const Selection s{int(state.range(0)), int(state.range(1)), int(state.range(2)),
                      state.range(3) != 0};
    const config::TSettings settings = benchSettings();
    bool autoRefresh = true;
    View view(settings, autoRefresh, folder);
    select(view, s, rangeFrom, rangeTo);
    std::vector<double> apply, last;
    qint64 shown = 0;
    for (auto _ : state) {
        apply.push_back(timed([&] { view.ApplyBitBtnClick(); }));
        last.push_back(timed([&] { view.DBGrid1->last(); }));
        shown = view.DBGrid1->rows()->rowCount();
    }
    std::sort(apply.begin(), apply.end());
    std::sort(last.begin(), last.end());
    state.counters["apply_p50_ms"] = apply[apply.size() / 2];
    state.counters["apply_max_ms"] = apply.back();
    state.counters["last_p50_ms"] = last[last.size() / 2];
    state.counters["last_max_ms"] = last.back();
    state.counters["rows_shown"] = double(shown);
    state.counters["rss_mib"] = rssMib();
}

// The archive view: unit all/7 x dates all/today/a month x both orders. The
// archive spans the two years from 2025-01-01.
void BM_ArchiveApplyAndLast(benchmark::State &state) {
    const QDate from = kFirstDay.addDays(300);
    applyAndJump<TDataArc2Form>(state, archiveFolder(), from, from.addDays(30));
}
BENCHMARK(BM_ArchiveApplyAndLast)
    ->ArgNames({"unit", "level", "dates", "newest"})
    ->ArgsProduct({{0, 7}, {0}, {0, 1, 2}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

// The current-data view on a full Signals.DB: unit x threshold x dates x
// order. Its rows lie in early 2025, so "today" matches nothing: the case
// where a poorly indexed filter would scan the whole table.
void BM_CurrentApplyAndLast(benchmark::State &state) {
    applyAndJump<TDataArcForm>(state, currentFolder(), kFirstDay.addDays(1), kFirstDay.addDays(2));
}
BENCHMARK(BM_CurrentApplyAndLast)
    ->ArgNames({"unit", "level", "dates", "newest"})
    ->ArgsProduct({{0, 7}, {0, 1, 2}, {0, 1, 2}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

// Scrolling page after page through the archive: the view holds a window of
// rows, so the resident memory stays flat however far the operator goes.
void BM_ScrollThroughArchive(benchmark::State &state) {
    const config::TSettings settings = benchSettings();
    bool autoRefresh = true;
    TDataArc2Form view(settings, autoRefresh, archiveFolder());
    view.show();
    QScrollBar *bar = view.DBGrid1->verticalScrollBar();
    const double before = rssMib();
    std::vector<double> ms;
    for (auto _ : state) {
        ms.push_back(timed([&] { bar->setValue(bar->maximum()); }));
    }
    report(state, ms);
    state.counters["rss_growth_mib"] = rssMib() - before;
    state.counters["rows_held"] = view.DBGrid1->rows()->rowCount();
}
BENCHMARK(BM_ScrollThroughArchive)->Unit(benchmark::kMillisecond)->Iterations(2000);

} // namespace

int main(int argc, char **argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return orvex::bench::runBenchmarks<QApplication>(argc, argv);
}
