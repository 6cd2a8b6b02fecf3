// Helper program of the journal's kill test: the main window with the poll
// cycle and the journal, polling the simulator in the program folder given as
// the argument. Prints "event N" after each event committed to Events.DB.
#include "app/JournalMainForm.h"
#include "tests/e2e/E2eSupport.h"

#include <QApplication>
#include <QPushButton>
#include <cstdio>

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    orvex::setProgramFolder(QString::fromLocal8Bit(argv[1]));
    orvex::e2e::Program program;
    auto *journal = orvex::app::attachJournal(*program.form, *program.controller);
    journal->onWritten = [](qint64 id) {
        std::printf("event %lld\n", static_cast<long long>(id));
        std::fflush(stdout);
    };
    orvex::test::ScanBitBtn(*program.form)->click();
    if (!program.form->polling())
        return 3;
    return app.exec();
}
