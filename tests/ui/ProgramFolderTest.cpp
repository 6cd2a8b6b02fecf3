// The program-folder resolver: default from the executable, overridable by
// tests; the settings file named after the executable that runs, checked on
// a renamed copy of a real program too.
#include "ui/ProgramFolder.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace orvex;

TEST(ProgramFolder, DefaultsToTheExecutablesFolder) {
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath());
    // The settings file has the name of the executable that runs: this test
    // program's own.
    EXPECT_EQ(executableBaseName(), QStringLiteral("ui_tests"));
    EXPECT_EQ(settingsFilePath(), QCoreApplication::applicationDirPath() + "/ui_tests.INI");
}

TEST(ProgramFolder, OverrideAppliesToEveryPathAndIsRestored) {
    {
        test::TempProgramFolder folder;
        EXPECT_EQ(programFolder(), folder.path());
        EXPECT_EQ(programPath("Sound/Beep.wav"), folder.path() + "/Sound/Beep.wav");
        EXPECT_EQ(programPath("/Sound//Beep.wav"), folder.path() + "/Sound/Beep.wav");
        EXPECT_EQ(settingsFilePath(), folder.path() + "/orvex01m.INI");
        setProgramFolder(folder.path(), QStringLiteral("station2"));
        EXPECT_EQ(settingsFilePath(), folder.path() + "/station2.INI");
    }
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(executableBaseName(), QStringLiteral("ui_tests"));
}

// Two stations run from one folder: a copy of the program under another
// name, and one whose file name has an extension, each read their own file.
TEST(ProgramFolder, ACopiedOrRenamedExecutableHasASettingsFileOfItsOwn) {
    test::TempProgramFolder folder;
    const QString probe = QCoreApplication::applicationDirPath() + "/settings_path_probe";
    for (const QString &name : {QStringLiteral("station2"), QStringLiteral("orvex01m.bin")}) {
        const QString copy = folder.file(name);
        ASSERT_TRUE(QFile::copy(probe, copy));
        QProcess run;
        run.start(copy, {});
        ASSERT_TRUE(run.waitForFinished(30000));
        const QString expected =
            folder.file(name == QStringLiteral("station2") ? "station2.INI" : "orvex01m.INI");
        EXPECT_EQ(QString::fromLocal8Bit(run.readAllStandardOutput()).trimmed(), expected);
    }
}
