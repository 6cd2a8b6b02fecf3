// The [Journal] section and the comparison of settings after an options run.
#include "config/JournalSettings.h"
#include "config/ProfileFile.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orvex::config {
namespace {

TEST(JournalSettingsTest, TheSectionIsAddedAndReadWithoutTouchingTheOthers) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("orvex01m.INI"));
    TSettings s;
    s.PeriodMs = 20000;
    WindowPlace place;
    IniFileSave(s, place, path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    EXPECT_EQ(loadJournalSettings(path), JournalSettings{}); // the defaults
    JournalSettings j;
    j.LossPolls = 5;
    j.Latch = true;
    j.Marks = true;
    saveJournalSettings(j, path);
    EXPECT_EQ(loadJournalSettings(path), j);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray after = f.readAll();
    f.close();
    EXPECT_TRUE(after.startsWith(before)) << after.toStdString();
    EXPECT_TRUE(after.contains("[Journal]"));

    // The program's own save keeps the section.
    IniFileSave(s, place, path);
    EXPECT_EQ(loadJournalSettings(path), j);

    // A hand-edited count out of range is clamped.
    ProfileFile file = ProfileFile::load(path);
    file.writeInteger(QStringLiteral("Journal"), QStringLiteral("LossPolls"), 500);
    file.save();
    EXPECT_EQ(loadJournalSettings(path).LossPolls, 99);
}

TEST(JournalSettingsTest, ChangesNameTheKeysWithOldAndNewValues) {
    TSettings a;
    a.UnitsAmount = 2;
    TSettings b = a;
    EXPECT_TRUE(settingsChanges(a, b).isEmpty());
    b.PeriodMs = 30000;
    b.Sound_ON = true;
    b.UnitAddr[2] = 9;
    b.DataTop = 5; // a window place is no setting change
    b.CurUnit = 2;
    EXPECT_EQ(settingsChanges(a, b),
              (QStringList{QStringLiteral("Period: 10 → 30"), QStringLiteral("Sound_ON: 0 → 1"),
                           QStringLiteral("Unit_№2: 2 → 9")}));
    b = a;
    b.UnitsAmount = 3;
    const QStringList more = settingsChanges(a, b);
    ASSERT_EQ(more.size(), 2);
    EXPECT_EQ(more[1], QStringLiteral("Unit_№3: (нет) → 3"));
}

} // namespace
} // namespace orvex::config
