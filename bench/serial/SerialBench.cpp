// Serial link figures.
//
//  RoundTrip: one poll exchange with the unit simulator on a pseudo-terminal
//  (purge, 4-byte request, wait for the 19-byte reply), median and p99.
//  IdleCpu: CPU time of the whole process over 10 s with an open port and the
//  GUI event loop running: nothing on the line, unread bytes waiting, and
//  after the far end vanished.
#include "bench/support/BenchMain.h"
#include "serial/BCPort.h"
#include "ui/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace orvex::serial;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void useMainWindowValues(TBComPort &port) {
    port.SetPort(QStringLiteral("COM1"));
    port.SetBaudRate(br2400);
    port.SetStopBits(sb2);
    port.SetInBufSize(20);
    port.SetOutBufSize(4);
    port.Timeouts().SetWriteTotalMultiplier(10);
    port.Timeouts().SetWriteTotalConstant(100);
}

void RoundTrip(benchmark::State &state) {
    QTemporaryDir folder;
    orvex::setProgramFolder(folder.path());
    QProcess sim;
    sim.start(QStringLiteral(ORVEX_UNITSIM_PATH),
              {"--link", folder.filePath("ports/COM1"), "--units", "1-15"});
    if (!sim.waitForReadyRead(10000)) {
        state.SkipWithError("simulator did not start");
        return;
    }
    TBComPort port;
    useMainWindowValues(port);
    // Wait up to a second for the whole reply instead of the poll cycle's
    // fixed 250 ms, so the figure is the exchange itself.
    port.Timeouts().SetReadInterval(0);
    port.Timeouts().SetReadTotalConstant(1000);
    port.OpenPort();
    const unsigned char request[4] = {0x01, 0x0C, 0x00, 0x25};
    unsigned char reply[19];
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        port.PurgeQueues(true, true);
        port.WriteBlock(request, 4);
        const int got = port.ReadBlock(reply, 19);
        const auto end = std::chrono::steady_clock::now();
        if (got != 19) {
            state.SkipWithError("short reply");
            break;
        }
        const double seconds = std::chrono::duration<double>(end - start).count();
        samples.push_back(seconds * 1e6);
        state.SetIterationTime(seconds);
    }
    port.ClosePort();
    sim.terminate();
    sim.waitForFinished();
    orvex::setProgramFolder(QString());
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    state.counters["median_us"] = samples[samples.size() / 2];
    state.counters["p99_us"] = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
}
BENCHMARK(RoundTrip)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// Arg: 0 nothing on the line, 1 unread bytes waiting, 2 the far end vanished.
void IdleCpu(benchmark::State &state) {
    const int scenario = int(state.range(0));
    QTemporaryDir folder;
    orvex::setProgramFolder(folder.path());
    int master = -1, slave = -1;
    char name[128] = {};
    openpty(&master, &slave, name, nullptr, nullptr);
    QDir().mkpath(folder.filePath("ports"));
    QFile::link(QString::fromLocal8Bit(name), folder.filePath("ports/COM1"));
    ::close(slave);
    TBComPort port;
    useMainWindowValues(port);
    port.OpenPort();
    if (scenario == 1)
        (void)!::write(master, "unread bytes", 12);
    if (scenario == 2) {
        ::close(master);
        master = -1;
    }
    for (auto _ : state) {
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        const double cpu0 = cpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        loop.exec();
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        state.counters["cpu_percent_of_core"] = 100.0 * (cpuSeconds() - cpu0) / wall;
    }
    try {
        port.ClosePort();
    } catch (const EComPort &) {
        // the vanished line reports itself at close
    }
    if (master >= 0)
        ::close(master);
    orvex::setProgramFolder(QString());
}
BENCHMARK(IdleCpu)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv) {
    return orvex::bench::runBenchmarks<QCoreApplication>(argc, argv);
}
