// Helper of the window-place test: the main window on the program folder
// given as the argument, on whatever display the environment names. It shows
// the window, waits until the window manager has framed it, prints
// "frame X Y W H" and "client W H", and closes the window, which saves the
// settings file.
#include "mainwindow/MainOrvex01.h"
#include "polling/StationModel.h"
#include "ui/Messages.h"
#include "ui/ProgramFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWindow>
#include <cstdio>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    orvex::setProgramFolder(QString::fromLocal8Bit(argv[1]));
    orvex::ui::MessageRecorder messages;
    orvex::polling::StationModel station;
    orvex::mainwindow::TMainForm form(station);
    form.FormCreate();
    form.show();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 &&
           (!form.windowHandle() || form.windowHandle()->frameMargins().isNull()))
        QTest::qWait(20);
    // The window manager's answers to the size the window then takes.
    QTest::qWait(500);
    const QRect frame = form.frameGeometry();
    std::printf("frame %d %d %d %d\nclient %d %d\n", frame.x(), frame.y(), frame.width(),
                frame.height(), form.width(), form.height());
    for (const QString &text : messages.texts())
        std::printf("message %s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
    form.close();
    return 0;
}
