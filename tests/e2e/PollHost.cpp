// Helper program of the kill test: the main window polling the simulator in
// the program folder given as the argument. Prints "posted N" after each row
// that reached Signals.DB (N its record count, which the test maps to record
// numbers), so the test knows what must survive a kill.
#include "tests/e2e/E2eSupport.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    orvex::setProgramFolder(QString::fromLocal8Bit(argv[1]));
    orvex::e2e::Program program;
    QObject::connect(
        program.controller.get(), &orvex::app::PollController::currentRecordAdded, [&] {
            program.form->station().signalTable().last();
            std::printf("posted %lld\n", program.form->station().signalTable().asInteger(
                                             QStringLiteral("Meas_IDX")));
            std::fflush(stdout);
        });
    orvex::test::ScanBitBtn(*program.form)->click();
    if (!program.form->polling())
        return 3;
    std::printf("polling\n");
    std::fflush(stdout);
    return app.exec();
}
