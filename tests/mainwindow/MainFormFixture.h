// A program folder with an empty database under the alias, an optional
// settings file, and a main window created on it, for the main window tests.
#pragma once

#include "config/Settings.h"
#include "mainwindow/MainOrvex01.h"
#include "polling/Protocol.h"
#include "polling/StationModel.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "tests/support/MainFormAccess.h"
#include "tests/support/ReplyBuilder.h"
#include "tests/support/TestSupport.h"
#include "ui/Messages.h"

#include <QDir>
#include <gtest/gtest.h>
#include <memory>

namespace orvex::test {

// Window geometry for writing a settings file without a window.
struct RecordedWindows : config::SettingsWindows {
    int top = 0, left = 0, height = 600, width = 800;
    bool hints = true;
    void setMainTop(int v) override { top = v; }
    void setMainLeft(int v) override { left = v; }
    void setMainHeight(int v) override { height = v; }
    void setMainWidth(int v) override { width = v; }
    void setMainShowHint(bool on) override { hints = on; }
    int mainTop() const override { return top; }
    int mainLeft() const override { return left; }
    int mainHeight() const override { return height; }
    int mainWidth() const override { return width; }
    bool mainShowHint() const override { return hints; }
};

class MainFormTest : public ::testing::Test {
protected:
    TempProgramFolder folder;
    ui::MessageRecorder messages;
    // What the main window asks of the other windows.
    PeerCalls peers;
    // Declared before the window, which works on it.
    std::unique_ptr<polling::StationModel> station;
    std::unique_ptr<mainwindow::TMainForm> form;

    void SetUp() override {
        store::createDatabase(folder.file(QStringLiteral("Database")));
        store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Database"));
        // Four units in the register: the start-up lowers the unit count to
        // the number of Units.DB rows.
        store::Table units;
        openUnits(units);
        for (int n = 1; n <= 4; ++n)
            units.appendRecord({n, QStringLiteral("Пульт №%1").arg(n), n, QString()});
    }

    static void openUnits(store::Table &units) {
        units.setDatabaseName(QString::fromLatin1(store::kAliasName));
        units.setTableName(QStringLiteral("Units.DB"));
        units.setIndexFieldNames(QStringLiteral("Unit_IDX"));
        units.open();
    }

    // Writes a settings file with a configured port; `edit` adjusts it.
    template <typename F> void writeSettings(F edit, RecordedWindows windows = {}) {
        config::TSettings s;
        s.ComPortNo = 1;
        s.UnitsAmount = 4;
        s.ChannalsMaxAmount = 8;
        edit(s, windows);
        config::IniFileSave(s, windows);
    }

    // Creates the main window on a new station and runs its start-up.
    mainwindow::TMainForm &create() {
        form.reset();
        station = std::make_unique<polling::StationModel>();
        form = std::make_unique<mainwindow::TMainForm>(*station);
        form->setPeers(&peers);
        form->FormCreate();
        return *form;
    }

    // The window height that gives a client area `clientHeight` high.
    static int windowHeightFor(int clientHeight) {
        polling::StationModel station;
        mainwindow::TMainForm probe(station);
        return clientHeight + probe.height() - probe.clientSize().height();
    }

    // Appends `count` rows to a table through a handle of its own.
    void appendRows(const QString &table, int count) {
        store::Table t;
        t.setDatabaseName(QString::fromLatin1(store::kAliasName));
        t.setTableName(table);
        t.open();
        store::Transaction tx(t);
        for (int i = 0; i < count; ++i) {
            t.append();
            t.setValue(QStringLiteral("Date"), QDate(2026, 12, 9));
            t.setValue(QStringLiteral("Time"), QTime(12, 0, i % 60));
            t.setValue(QStringLiteral("UnitNo"), 1);
            t.setValue(QStringLiteral("Alarm"), 0);
            t.post();
        }
        tx.commit();
    }
};

} // namespace orvex::test
