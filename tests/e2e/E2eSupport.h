// The real main window with the poll cycle attached, in a temporary program
// folder: a prepared settings file, a database whose Units.DB holds the
// units, and the simulator on ports/COM1. Shared by the end-to-end tests and
// the helper program that the kill test runs as a separate process.
#pragma once

#include "app/PollMainForm.h"
#include "config/Settings.h"
#include "mainwindow/MainOrvex01.h"
#include "polling/StationModel.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "tests/support/MainFormAccess.h"
#include "ui/ProgramFolder.h"

#include <QString>
#include <QVariantList>
#include <memory>

namespace orvex::e2e {

// Window place for the prepared settings file.
class FixedWindows : public config::WindowPlace {
public:
    FixedWindows() : WindowPlace(0, 0, 500, 800) {}
};

// Writes the settings file and the database of the program folder (which
// must be the current one): `settings` as given, and one Units.DB row per
// unit 1..UnitsAmount holding its address. The database is the folder
// Database/, or the server schema that `serverUri` names.
inline void prepareProgramFolder(const config::TSettings &settings,
                                 const QString &serverUri = QString()) {
    FixedWindows windows;
    config::IniFileSave(settings, windows, settingsFilePath());
    if (serverUri.isEmpty()) {
        store::createDatabase(programPath(QStringLiteral("Database")));
        store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Database"));
    } else {
        store::createServerSchema(serverUri);
        store::defineAlias(QString::fromLatin1(store::kAliasName), serverUri);
    }
    store::Table units;
    units.setDatabaseName(QString::fromLatin1(store::kAliasName));
    units.setTableName(QStringLiteral("Units.DB"));
    units.setIndexFieldNames(QStringLiteral("Unit_IDX"));
    units.open();
    for (int n = 1; n <= settings.UnitsAmount; ++n)
        units.appendRecord(
            {n, QStringLiteral("Пульт №%1").arg(n), int(settings.UnitAddr[n]), QString()});
    units.close();
}

// The main window made as the program makes it, on its station, with the
// poll cycle on it; `peers` stands in for the other windows.
struct Program {
    Program() {
        form = std::make_unique<mainwindow::TMainForm>(*station);
        form->setPeers(&peers);
        form->FormCreate();
        // The options dialog's creation hands the configured port over.
        form->station().port().SetPort(
            QStringLiteral("COM%1").arg(form->station().settings().ComPortNo));
        controller = std::make_unique<app::PollController>(*form, *station);
        form->show();
    }
    ~Program() {
        if (form)
            form->close();
    }
    // Declared so that the poll cycle goes first and the station last.
    std::unique_ptr<polling::StationModel> station = std::make_unique<polling::StationModel>();
    test::PeerCalls peers;
    std::unique_ptr<mainwindow::TMainForm> form;
    std::unique_ptr<app::PollController> controller;
};

using namespace orvex::test;

} // namespace orvex::e2e
