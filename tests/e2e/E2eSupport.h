// The real main window with the poll cycle attached, in a temporary program
// folder: a prepared settings file, a database whose Units.DB holds the
// units, and the simulator on ports/COM1. Shared by the end-to-end tests and
// the helper program that the kill test runs as a separate process.
#pragma once

#include "config/Settings.h"
#include "mainwindow/MainOrvex01.h"
#include "polling/PollMainForm.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
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

// The main window made as the program makes it, with the poll cycle on it.
struct Program {
    explicit Program(polling::PollViewHooks hooks = {}) {
        form = std::make_unique<mainwindow::TMainForm>();
        form->FormCreate();
        // The options dialog's creation hands the configured port over.
        form->BComPort1.SetPort(QStringLiteral("COM%1").arg(form->Settings.ComPortNo));
        controller = polling::attachPollCycle(*form, std::move(hooks));
        form->show();
    }
    ~Program() {
        if (form)
            form->close();
    }
    std::unique_ptr<mainwindow::TMainForm> form;
    polling::PollController *controller = nullptr;
};

} // namespace orvex::e2e
