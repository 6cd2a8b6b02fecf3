// Renders PNG screenshots of the main window for a visual check: the first-run
// state, and a built grid with decoded replies of every colour and state
// (readings below, at and above the thresholds, warming up, no sensor, sensor
// fault, channel not in use, a unit without a known scale, no reply, a bad
// checksum) in value mode and in "% ПС" mode.
//
//     mainwindow_screenshots OUTPUT_FOLDER
//
// Runs on any platform plugin (offscreen, or a real X server under xvfb-run).
#include "config/Settings.h"
#include "mainwindow/MainOrvex01.h"
#include "polling/Protocol.h"
#include "polling/StationModel.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "tests/support/ReplyBuilder.h"
#include "tests/support/Screenshots.h"
#include "ui/Messages.h"
#include "ui/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

using namespace orvex;

namespace {

using FileWindows = config::WindowPlace;

using test::saveScreenshot;

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QString out = test::screenshotFolder(argc, argv);
    if (out.isEmpty())
        return 2;
    ui::MessageRecorder messages;
    bool ok = true;

    QTemporaryDir folder;
    setProgramFolder(folder.path());
    store::createDatabase(folder.filePath(QStringLiteral("Database")));
    store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Database"));

    {
        polling::StationModel station;
        mainwindow::TMainForm first(station);
        first.FormCreate();
        first.show();
        QApplication::processEvents();
        ok &= saveScreenshot(first, out + QStringLiteral("/mainwindow-first-run.png"));
        first.FormClose();
    }

    {
        store::Table units;
        units.setDatabaseName(QString::fromLatin1(store::kAliasName));
        units.setTableName(QStringLiteral("Units.DB"));
        units.setIndexFieldNames(QStringLiteral("Unit_IDX"));
        units.open();
        const char *names[] = {"Котельная", "Склад ГСМ", "Компрессорная", "Насосная", "Цех 2"};
        for (int n = 1; n <= 5; ++n)
            if (!units.findKey({n}))
                units.appendRecord({n, QString::fromUtf8(names[n - 1]), n, QString()});
    }
    config::TSettings s;
    s.ComPortNo = 1;
    s.UnitsAmount = 5;
    s.ChannalsMaxAmount = 8;
    s.Speed = QStringLiteral(" 9600 (002)");
    FileWindows windows;
    config::IniFileSave(s, windows);

    polling::StationModel station;
    mainwindow::TMainForm form(station);
    form.FormCreate();
    form.show();
    QApplication::processEvents();
    // Methane, warning 0,25, trip 0,50: green, yellow, red, warming up, no
    // sensor, fault, red at the trip byte, not in use.
    form.decodeUnitReply(1,
                         test::goodReply(1, {10, 30, 60, 253, 254, 255, 50, 0}, 0, 25, 50, 0x7F));
    // Explosive gas (% НКПР), warning 10, trip 20.
    form.decodeUnitReply(2, test::goodReply(2, {5, 50, 100, 0, 251, 252, 0, 0}, 1, 50, 100, 0x3F));
    // CO after a good reply, then no reply: cells keep their values' state.
    form.decodeUnitReply(3, test::goodReply(3, {12, 25, 80, 0, 0, 0, 0, 0}, 2, 20, 50, 0x0F));
    form.showUnitReplyError(3, polling::ReplyOutcome{polling::ReplyKind::NoReply, 0, 0});
    // Unknown scale kind: readings shown as empty dark green cells.
    form.decodeUnitReply(4, test::goodReply(4, {20, 40, 60, 80, 0, 0, 0, 0}, 7, 50, 100, 0x0F));
    // Bad checksum on a unit never decoded.
    form.showUnitReplyError(5, polling::ReplyOutcome{polling::ReplyKind::BadChecksum, 0, 0});
    QApplication::processEvents();
    ok &= saveScreenshot(form, out + QStringLiteral("/mainwindow-grid.png"));

    emit form.unitPanel(1)->clicked(); // "% ПС" mode
    QApplication::processEvents();
    ok &= saveScreenshot(form, out + QStringLiteral("/mainwindow-grid-percent.png"));
    form.FormClose();

    for (const QString &text : messages.texts())
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return ok && messages.count() == 0 ? 0 : 1;
}
