// Renders PNG screenshots of a viewing workstation for a visual check: the
// main window without a grid with "СТАНЦИЯ" open, the current-data view of
// the first station, the same view after switching to the second station,
// and a channel's plot opened from the view.
//
//     viewing_screenshots OUTPUT_FOLDER
//
// Runs on any platform plugin (offscreen, or a real X server under xvfb-run).
#include "app/Orvex01m.h"
#include "app/Viewing.h"
#include "config/IniOptions.h"
#include "config/ProfileFile.h"
#include "mainwindow/MainOrvex01.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "tests/support/Screenshots.h"
#include "ui/Messages.h"
#include "ui/ProgramFolder.h"
#include "views/DataArc.h"
#include "views/MeasurementModel.h"
#include "views/PlotWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>

using namespace orvex;

namespace {

using test::saveScreenshot;

void settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

// A station's recording: `rows` replies of units 1..units, some over a threshold.
void fill(const QString &station, int units, int rows, double base) {
    store::Table unitsTable;
    unitsTable.setDatabaseName(station);
    unitsTable.setTableName(QStringLiteral("Units.DB"));
    unitsTable.open();
    for (int u = 1; u <= units; ++u)
        unitsTable.appendRecord({u, QStringLiteral("Пульт №%1").arg(u), u, QString()});
    for (const char *name : {"Signals.DB", "Arc.DB", "Plot.db"}) {
        store::Table t;
        t.setDatabaseName(station);
        t.setTableName(QString::fromLatin1(name));
        t.open();
        store::Transaction tx(t);
        const bool plot = qstrcmp(name, "Plot.db") == 0;
        for (int i = 0; i < rows; ++i) {
            const int alarm = i % 7 == 0 ? 2 : i % 5 == 0 ? 1 : 0;
            if (qstrcmp(name, "Arc.DB") == 0 && alarm == 0)
                continue;
            t.append();
            t.setValue(store::fields::UnitNo, 1 + i % units);
            for (int ch = 1; ch <= 8; ++ch)
                t.setValue(store::fields::channel(ch),
                           std::round((base + 5 * std::sin(i / 6.0 + ch)) * 100) / 100);
            if (!plot) {
                t.setValue(store::fields::Date, QDate::currentDate());
                t.setValue(store::fields::Time, QTime(8, 0).addSecs(i * 10));
                t.setValue(store::fields::Alarm, alarm);
            }
            t.post();
        }
        tx.commit();
    }
}

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
    store::createDatabase(folder.filePath(QStringLiteral("Boiler1")));
    store::createDatabase(folder.filePath(QStringLiteral("Boiler2")));
    store::defineAlias(QStringLiteral("ORVEX_01"), QStringLiteral("Boiler1"));
    store::defineAlias(QStringLiteral("ORVEX_02"), QStringLiteral("Boiler2"));
    fill(QStringLiteral("ORVEX_01"), 3, 120, 10);
    fill(QStringLiteral("ORVEX_02"), 5, 60, 40);
    {
        config::TSettings s;
        s.ComPortNo = 1;
        config::WindowPlace w;
        config::IniFileSave(s, w);
        config::ProfileFile file = config::ProfileFile::load(settingsFilePath());
        file.writeBool(QStringLiteral("Database"), QStringLiteral("ViewOnly"), true);
        file.save();
    }

    app::TApplicationWindows windows;
    mainwindow::TMainForm &main = windows.MainForm();
    main.show();
    settle();
    QMenu *menu = main.stationMenu();
    menu->popup(main.mapToGlobal(QPoint(300, 20)));
    settle();
    ok &= saveScreenshot(main, out + QStringLiteral("/viewer-main.png"));
    ok &= saveScreenshot(*menu, out + QStringLiteral("/viewer-station-menu.png"));
    menu->hide();

    views::TDataArcForm &data = windows.DataArcForm();
    data.showView();
    settle();
    ok &= saveScreenshot(data, out + QStringLiteral("/viewer-data-station1.png"));

    windows.viewing()->stationItems().at(1)->trigger();
    data.showView();
    settle();
    ok &= saveScreenshot(data, out + QStringLiteral("/viewer-data-station2.png"));
    ok &= saveScreenshot(main, out + QStringLiteral("/viewer-main-station2.png"));

    QAbstractItemModel *rows = data.DBGrid1->model();
    emit data.DBGrid1->doubleClicked(rows->index(0, views::MeasurementModel::FirstValueColumn));
    settle();
    ok &= saveScreenshot(windows.PlotForm(), out + QStringLiteral("/viewer-plot.png"));
    for (const QString &text : messages.texts())
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    main.close();
    return ok && messages.texts().isEmpty() ? 0 : 1;
}
