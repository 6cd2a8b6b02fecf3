// START through the whole program opens the configured port at the configured
// speed, even when the options dialog, made at start-up, could not list the
// ports and so never handed them to the serial component.
#include "app/Orvex01m.h"
#include "config/Settings.h"
#include "mainwindow/MainOrvex01.h"
#include "serial/ComMessages.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "tests/support/MainFormAccess.h"
#include "tests/support/TestSupport.h"
#include "ui/Messages.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

using namespace orvex;
using orvex::test::ScanBitBtn;

namespace {

TEST(StartPort, StartOpensTheConfiguredPortAndSpeedWhenThePortListFailedAtStartUp) {
    test::TempProgramFolder folder;
    ui::MessageRecorder messages;
    store::createDatabase(folder.file(QStringLiteral("Database")));
    store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Database"));
    {
        store::Table units;
        units.setDatabaseName(QString::fromLatin1(store::kAliasName));
        units.setTableName(QStringLiteral("Units.DB"));
        units.setIndexFieldNames(QStringLiteral("Unit_IDX"));
        units.open();
        units.appendRecord({1, QStringLiteral("Пульт №1"), 1, QString()});
    }
    config::TSettings s;
    s.ComPortNo = 3;
    s.Speed = QStringLiteral("19200 (003)");
    config::WindowPlace place;
    config::IniFileSave(s, place);
    // The port map cannot be read at start-up: "ports" leads to itself.
    ASSERT_TRUE(QFile::link(QStringLiteral("ports"), folder.file(QStringLiteral("ports"))));

    app::TApplicationWindows windows;
    mainwindow::TMainForm &main = windows.MainForm();
    EXPECT_TRUE(messages.texts().contains(serial::msg::portList()))
        << messages.texts().join(QStringLiteral(" | ")).toStdString();
    ASSERT_TRUE(main.gridBuilt());

    // Then the map is repaired and the line is there.
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("ports"))));
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("ports")));
    ASSERT_TRUE(
        QFile::link(QString::fromLocal8Bit(name), folder.file(QStringLiteral("ports/COM3"))));
    messages.clear();
    ScanBitBtn(main)->click();
    EXPECT_EQ(messages.texts(), QStringList());
    EXPECT_TRUE(main.polling());
    EXPECT_EQ(main.station().port().Port(), QStringLiteral("COM3"));
    EXPECT_EQ(main.station().port().BaudRate(), serial::br19200);
    if (main.polling())
        ScanBitBtn(main)->click();
    ::close(master);
    ::close(slave);
}

} // namespace
