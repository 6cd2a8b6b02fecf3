// The program-folder resolver: default from the executable, overridable by tests.
#include "ui/ProgramFolder.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace orvex;

TEST(ProgramFolder, DefaultsToTheExecutablesFolder) {
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(settingsFilePath(), QCoreApplication::applicationDirPath() + "/orvex01m.INI");
}

TEST(ProgramFolder, OverrideAppliesToEveryPathAndIsRestored) {
    {
        test::TempProgramFolder folder;
        EXPECT_EQ(programFolder(), folder.path());
        EXPECT_EQ(programPath("Sound/Beep.wav"), folder.path() + "/Sound/Beep.wav");
        EXPECT_EQ(programPath("/Sound//Beep.wav"), folder.path() + "/Sound/Beep.wav");
        EXPECT_EQ(settingsFilePath(), folder.path() + "/orvex01m.INI");
    }
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath());
}
