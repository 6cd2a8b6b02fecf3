// Start-up of the main window on full-size tables: 648,000 rows in Signals.DB
// and 10 million in Arc.DB, 15 units of 8 channels, a serial port configured.
// One iteration creates the window, runs its start-up (settings file, tables,
// register, grid, counters) and shows it; the status bar then holds both
// counters. "Cold" evicts the table files from the page cache first
// (posix_fadvise DONTNEED, no root needed), as after a reboot.
//
// The big tables are generated on the first run into ORVEX_BENCH_DIR
// (default /tmp/orvex-store-bench, shared with the store benchmarks, several
// minutes for the archive) and linked into a temporary program folder.
#include "bench/support/BenchMain.h"
#include "bench/support/GeneratedTables.h"
#include "config/Settings.h"
#include "mainwindow/MainOrvex01.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/Schema.h"
#include "store/Table.h"
#include "ui/Messages.h"
#include "ui/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace orvex;

namespace {

// The table file of a generated data set (the same folders as the store's
// benchmarks use, so one generation serves both).
QString dataset(const store::TableDef &def, qint64 rows, int days, bool archive) {
    return bench::generatedDatabase(
               bench::dataRoot("ORVEX_BENCH_DIR", QStringLiteral("/tmp/orvex-store-bench")), def,
               rows, days, archive) +
           QLatin1Char('/') + def.fileName;
}

void evict(const QString &file) {
    for (const QString &f : {file, file + QStringLiteral("-wal"), file + QStringLiteral("-shm")}) {
        const int fd = ::open(QFile::encodeName(f).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

using FileWindows = config::WindowPlace;

// A program folder whose Database/ links the two big tables.
class ProgramFolder {
public:
    ProgramFolder() {
        m_signals = dataset(store::signalsTable(), 648'000, 5, false);
        m_arc = dataset(store::arcTable(), 10'000'000, 730, true);
        setProgramFolder(m_dir.path());
        const QString db = m_dir.filePath(QStringLiteral("Database"));
        store::createDatabase(db);
        for (const QString &big : {m_signals, m_arc}) {
            const QString link = db + QLatin1Char('/') + QFileInfo(big).fileName();
            QFile::remove(link);
            QFile::link(big, link);
        }
        store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Database"));
        store::Table units;
        units.setDatabaseName(QString::fromLatin1(store::kAliasName));
        units.setTableName(QStringLiteral("Units.DB"));
        units.setIndexFieldNames(QStringLiteral("Unit_IDX"));
        units.open();
        for (int n = 1; n <= 15; ++n)
            units.appendRecord({n, QStringLiteral("Пульт №%1").arg(n), n, QString()});
        config::TSettings s;
        s.ComPortNo = 1;
        s.UnitsAmount = 15;
        s.ChannalsMaxAmount = 8;
        FileWindows w;
        config::IniFileSave(s, w);
    }
    void evictTables() const {
        evict(m_signals);
        evict(m_arc);
        for (const char *t : {"Units.DB", "Sensors.DB", "Plot.db"})
            evict(m_dir.filePath(QStringLiteral("Database/") + QLatin1String(t)));
    }

private:
    QTemporaryDir m_dir;
    QString m_signals, m_arc;
};

ProgramFolder &folder() {
    static ProgramFolder f;
    return f;
}

const mainwindow::TStatusBar *statusBar(const mainwindow::TMainForm &form) {
    return form.findChild<mainwindow::TStatusBar *>(QStringLiteral("StatusBar1"));
}

void startUp(benchmark::State &state, bool cold) {
    ui::MessageRecorder messages;
    ProgramFolder &f = folder();
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            f.evictTables();
            state.ResumeTiming();
        }
        polling::StationModel station;
        mainwindow::TMainForm form(station);
        form.FormCreate();
        form.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(statusBar(form)->panelText(3));
        state.PauseTiming();
        if (!form.gridBuilt() || messages.count() != 0 ||
            statusBar(form)->panelText(3).section(QLatin1Char(' '), -1).toLongLong() < 10'000'000) {
            state.SkipWithError(qPrintable(QStringLiteral("start-up failed: ") +
                                           messages.texts().join(QStringLiteral(" | ")) +
                                           statusBar(form)->panelText(3)));
            break;
        }
        form.FormClose();
        state.ResumeTiming();
    }
}

void BM_MainWindowStartUpWarm(benchmark::State &state) {
    startUp(state, false);
}
void BM_MainWindowStartUpCold(benchmark::State &state) {
    startUp(state, true);
}

BENCHMARK(BM_MainWindowStartUpWarm)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_MainWindowStartUpCold)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv) {
    return orvex::bench::runBenchmarks<QApplication>(argc, argv);
}
