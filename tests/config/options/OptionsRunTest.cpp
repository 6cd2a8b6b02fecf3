// The options run through the whole program: a fresh program folder (empty
// database, no settings file, one port in its port map that is a real
// pseudo-terminal) starts in the first-run state; the operator opens the
// options, chooses the port and closes the dialog; the grid is built and the
// settings file is written with the port. Only the dialog's choices are made
// by hand; everything else is the program's own start-up and options run.
#include "app/Orvex01m.h"
#include "config/IniOptions.h"
#include "config/Settings.h"
#include "mainwindow/MainOrvex01.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "tests/config/options/OptionsTestSupport.h"
#include "ui/Messages.h"
#include "ui/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

using namespace orvex;

namespace {

struct NoWindows : config::WindowPlace {
    NoWindows() : WindowPlace(0, 0, 0, 0) {}
};

TEST(OptionsRun, FreshFolderFromFirstRunToBuiltGridAndSavedSettings) {
    test::TempProgramFolder folder;
    ui::MessageRecorder messages;
    store::createDatabase(folder.file(QStringLiteral("Database")));
    store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Database"));
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("ports")));
    ASSERT_TRUE(
        QFile::link(QString::fromLocal8Bit(name), folder.file(QStringLiteral("ports/COM7"))));

    {
        app::TApplicationWindows windows;
        mainwindow::TMainForm &main = windows.MainForm();
        config::TIniOptionsForm &options = windows.IniOptionsForm();
        EXPECT_FALSE(main.gridBuilt());
        EXPECT_EQ(main.station().settings().ComPortNo, 0);
        EXPECT_FALSE(QFile::exists(settingsFilePath()));
        const int com7 = int(options.ComNoRadioGroup->items().indexOf(QStringLiteral("COM7")));
        ASSERT_GE(com7, 0) << options.ComNoRadioGroup->items().join(' ').toStdString();
        EXPECT_FALSE(options.portChosen());
        main.show();
        ASSERT_TRUE(test::waitActive(&main));

        bool operated = false;
        QTimer::singleShot(0, &options, [&] {
            ASSERT_TRUE(test::waitUntil([&] { return options.isVisible(); }));
            ASSERT_TRUE(test::waitActive(&options));
            options.PageControl1->setCurrentIndex(config::TIniOptionsForm::ConnectionTab);
            options.ComNoRadioGroup->button(com7)->setChecked(true);
            test::moveFocus(options.ComNoRadioGroup->button(com7));
            options.CloseBitBtn->click();
            operated = true;
        });
        main.miOptionsClick();
        ASSERT_TRUE(operated);
        EXPECT_EQ(messages.texts(), QStringList());
        EXPECT_TRUE(main.gridBuilt());
        EXPECT_EQ(main.station().settings().ComPortNo, 7);
        EXPECT_EQ(main.station().port().Port(), QStringLiteral("COM7"));
        EXPECT_EQ(main.station().unitsTable().recordCount(), 1);
    }

    ASSERT_TRUE(QFile::exists(settingsFilePath()));
    config::TSettings saved;
    NoWindows windows;
    config::IniFileLoad(saved, windows);
    config::applyLoadCorrections(saved); // the file loses the leading blank
    EXPECT_EQ(saved.ComPortNo, 7);
    EXPECT_EQ(saved.Speed, QStringLiteral(" 2400 (000)"));
    EXPECT_EQ(saved.UnitsAmount, 1);
    ::close(slave);
    ::close(master);
}

} // namespace
