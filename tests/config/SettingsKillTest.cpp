// A settings save killed part-way: a child process (this test binary run
// with one test selected) saves two different records in turn as fast as it
// can and is killed with SIGKILL after a varying number of saves. The file
// must then hold exactly one of the two complete versions, never a truncated
// or mixed one, and a section the program does not write must still be
// there.
#include "config/ProfileFile.h"
#include "config/Settings.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstdio>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::config;

namespace {

constexpr const char *kChildEnv = "ORVEX_SETTINGS_KILL_CHILD";

struct FixedWindows : SettingsWindows {
    int size = 0;
    void setMainTop(int) override {}
    void setMainLeft(int) override {}
    void setMainHeight(int) override {}
    void setMainWidth(int) override {}
    void setMainShowHint(bool) override {}
    int mainTop() const override { return size; }
    int mainLeft() const override { return size; }
    int mainHeight() const override { return 600 + size; }
    int mainWidth() const override { return 800 + size; }
    bool mainShowHint() const override { return size == 0; }
};

// The two versions differ in nearly every key and in length, so a file cut
// short or put together from both could not pass for either.
TSettings version(int which) {
    TSettings s;
    s.UnitsAmount = which == 0 ? 3 : 15;
    s.PeriodMs = which == 0 ? 10000 : 900000;
    s.Speed = which == 0 ? QStringLiteral(" 2400 (000)") : QStringLiteral("19200 (007)");
    s.SoundFile = which == 0 ? QStringLiteral("\\Sound\\Beep.wav")
                             : QStringLiteral("/home/оператор/") + QString(600, QLatin1Char('z'));
    for (int n = 1; n <= kMaxUnits; ++n)
        s.UnitAddr[n] = uint8_t(which == 0 ? n : kMaxUnits + 1 - n);
    return s;
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

} // namespace

// The child's side. Skipped in a normal run.
TEST(SettingsKill, ChildProcessSavesInALoop) {
    const QString path = qEnvironmentVariable(kChildEnv);
    if (path.isEmpty())
        GTEST_SKIP()
            << "runs only as the child of SettingsKill.SaveKilledAtAnyMomentLeavesOldOrNewFile";
    const TSettings versions[2] = {version(0), version(1)};
    FixedWindows windows[2];
    windows[1].size = 37;
    // Ends by itself should the parent disappear without killing it.
    QDeadlineTimer deadline(60000);
    for (long saves = 0; !deadline.hasExpired(); ++saves) {
        IniFileSave(versions[saves % 2], windows[saves % 2], path);
        std::printf("%ld\n", saves + 1);
        std::fflush(stdout);
    }
}

TEST(SettingsKill, SaveKilledAtAnyMomentLeavesOldOrNewFile) {
    test::TempProgramFolder folder;
    const QString path = settingsFilePath();

    // The two complete versions as a save leaves them over each other,
    // starting from a file with a section of its own.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Keep]\nMe=1\n");
    }
    FixedWindows windows[2];
    windows[1].size = 37;
    // (The larger version leaves the addresses of units 4..15 behind, so
    // the smaller one is taken as it stands after the larger.)
    IniFileSave(version(0), windows[0], path);
    IniFileSave(version(1), windows[1], path);
    IniFileSave(version(0), windows[0], path);
    const QByteArray first = readFile(path);
    IniFileSave(version(1), windows[1], path);
    const QByteArray second = readFile(path);
    IniFileSave(version(0), windows[0], path);
    ASSERT_EQ(readFile(path), first);
    ASSERT_NE(first, second);
    ASSERT_TRUE(second.startsWith("[Keep]\nMe=1\n"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildEnv, path);
    constexpr int kRounds = 12;
    for (int round = 0; round < kRounds; ++round) {
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=SettingsKill.ChildProcessSavesInALoop")});
        ASSERT_TRUE(child.waitForStarted(10000));

        // Kill after a number of saves that changes from round to round, so
        // the kill lands at different points of a save.
        const long wanted = 1 + round * 7;
        long reported = 0;
        QByteArray pending;
        QDeadlineTimer deadline(30000);
        while (reported < wanted && !deadline.hasExpired()) {
            if (!child.waitForReadyRead(int(deadline.remainingTime())))
                break;
            pending += child.readAllStandardOutput();
            qsizetype nl;
            while ((nl = pending.indexOf('\n')) >= 0) {
                bool ok = false;
                const long n = pending.left(nl).trimmed().toLong(&ok);
                if (ok)
                    reported = n;
                pending.remove(0, nl + 1);
            }
        }
        ASSERT_GE(reported, wanted) << "child stopped reporting saves";
        child.kill(); // SIGKILL
        ASSERT_TRUE(child.waitForFinished(10000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

        const QByteArray now = readFile(path);
        EXPECT_TRUE(now == first || now == second)
            << "round " << round << ": " << now.size() << " bytes, expected " << first.size()
            << " or " << second.size();
        EXPECT_EQ(ProfileFile::load(path).readInteger("Keep", "Me", 0), 1);
    }
}
