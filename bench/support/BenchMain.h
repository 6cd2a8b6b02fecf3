// The benchmarks' main function: a Qt application, then every benchmark the
// command line selects.
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <benchmark/benchmark.h>
#include <type_traits>

class QApplication;

namespace orvex::bench {

// Runs the benchmarks inside an application of type App: QCoreApplication,
// or QApplication for widgets, which then draw offscreen unless
// QT_QPA_PLATFORM names a platform.
template <class App> int runBenchmarks(int argc, char **argv) {
    if constexpr (std::is_same_v<App, QApplication>) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace orvex::bench
