// Costs of the settings file and of the register steps that run while the
// operator waits: loading and saving the settings file (the save syncs the
// file to disk before it replaces the old one); the register rows of a full
// grid build of 15 units with 8 channels, with all rows present (as after
// every options run) and with all rows missing (a fresh database); and a
// unit count raised from 1 to 15 on a fresh database (15 unit rows and 120
// channel rows appended and named).
#include "bench/support/BenchMain.h"
#include "config/Settings.h"
#include "config/UnitRegister.h"
#include "store/Installer.h"
#include "store/Table.h"
#include "ui/Messages.h"
#include "ui/ProgramFolder.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace orvex;
using namespace orvex::config;

namespace {

struct StillWindows : SettingsWindows {
    void setMainTop(int) override {}
    void setMainLeft(int) override {}
    void setMainHeight(int) override {}
    void setMainWidth(int) override {}
    void setMainShowHint(bool) override {}
    int mainTop() const override { return 10; }
    int mainLeft() const override { return 20; }
    int mainHeight() const override { return 600; }
    int mainWidth() const override { return 800; }
    bool mainShowHint() const override { return true; }
};

TSettings fullSettings() {
    TSettings s;
    s.UnitsAmount = 15;
    s.ComPortNo = 1;
    for (int n = 1; n <= kMaxUnits; ++n)
        s.UnitAddr[n] = uint8_t(kMaxUnits + 1 - n);
    return s;
}

struct Handles {
    explicit Handles(const QString &folder) {
        units.setDatabaseName(folder);
        units.setTableName("Units.DB");
        units.setIndexFieldNames("Unit_IDX");
        sensors.setDatabaseName(folder);
        sensors.setTableName("Sensors.DB");
        sensors.setIndexFieldNames("Unit_IDX;Sensor_No");
        sensors.setMasterSource(&units, "Unit_IDX", "Unit_IDX");
        units.open();
        sensors.open();
    }
    store::Table units, sensors;
};

void BM_SettingsLoad(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("orvex01m.INI");
    StillWindows windows;
    IniFileSave(fullSettings(), windows, path);
    for (auto _ : state) {
        TSettings s;
        IniFileLoad(s, windows, path);
        applyLoadCorrections(s);
        benchmark::DoNotOptimize(s.UnitAddr);
    }
}
BENCHMARK(BM_SettingsLoad)->Unit(benchmark::kMicrosecond);

void BM_SettingsSave(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("orvex01m.INI");
    StillWindows windows;
    const TSettings s = fullSettings();
    for (auto _ : state)
        IniFileSave(s, windows, path);
}
BENCHMARK(BM_SettingsSave)->Unit(benchmark::kMillisecond);

void BM_GridRegisterRows(benchmark::State &state) {
    QTemporaryDir dir;
    store::createDatabase(dir.path());
    Handles h(dir.path());
    TSettings s = fullSettings();
    UnitRegister reg(h.units, h.sensors, s);
    for (int n = 1; n <= kMaxUnits; ++n)
        reg.ensureGridRows(n);
    for (auto _ : state) {
        for (int n = 1; n <= s.UnitsAmount; ++n)
            reg.ensureGridRows(n);
    }
}
BENCHMARK(BM_GridRegisterRows)->Unit(benchmark::kMillisecond);

void BM_FirstGridBuildOnAnEmptyRegister(benchmark::State &state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<QTemporaryDir>();
        store::createDatabase(dir->path());
        auto h = std::make_unique<Handles>(dir->path());
        TSettings s = fullSettings();
        UnitRegister reg(h->units, h->sensors, s);
        state.ResumeTiming();
        for (int n = 1; n <= s.UnitsAmount; ++n)
            reg.ensureGridRows(n);
        state.PauseTiming();
        h.reset();
        dir.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstGridBuildOnAnEmptyRegister)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_UnitCountRaisedOneToFifteen(benchmark::State &state) {
    ui::MessageRecorder quiet;
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<QTemporaryDir>();
        store::createDatabase(dir->path());
        auto h = std::make_unique<Handles>(dir->path());
        TSettings s;
        UnitRegister reg(h->units, h->sensors, s);
        reg.ensureGridRows(1);
        state.ResumeTiming();
        reg.changeUnitCount(15, 1);
        state.PauseTiming();
        h.reset();
        dir.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UnitCountRaisedOneToFifteen)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv) {
    return orvex::bench::runBenchmarks<QCoreApplication>(argc, argv);
}
