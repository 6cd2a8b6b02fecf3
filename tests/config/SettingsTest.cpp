// The settings file read into and written from the settings record, on real
// files in a temporary program folder: defaults, the load corrections, the
// clamps for hand-edited values, the unit addresses, and what a save keeps.
// The atomicity of a save under a kill is SettingsKillTest's subject.
#include "config/Settings.h"
#include "config/ProfileFile.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::config;

namespace {

// Stands in for the main window: remembers what was applied and hands back
// what a save asks for.
struct FakeWindows : SettingsWindows {
    int top = -1, left = -1, height = -1, width = -1;
    bool hint = false;
    std::optional<QPoint> data, arc, plot;
    QStringList applied;

    void setMainTop(int v) override { top = v, applied << "Top"; }
    void setMainLeft(int v) override { left = v, applied << "Left"; }
    void setMainHeight(int v) override { height = v, applied << "Height"; }
    void setMainWidth(int v) override { width = v, applied << "Width"; }
    void setMainShowHint(bool on) override { hint = on, applied << "ShowHint"; }
    int mainTop() const override { return top; }
    int mainLeft() const override { return left; }
    int mainHeight() const override { return height; }
    int mainWidth() const override { return width; }
    bool mainShowHint() const override { return hint; }
    std::optional<QPoint> dataViewCorner() const override { return data; }
    std::optional<QPoint> archiveViewCorner() const override { return arc; }
    std::optional<QPoint> plotWindowCorner() const override { return plot; }
};

class SettingsFile : public ::testing::Test {
protected:
    void writeFile(const QString &utf8Text) {
        QFile f(settingsFilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QStringEncoder encoder("windows-1251");
        f.write(encoder(utf8Text));
    }
    QByteArray fileBytes() const {
        QFile f(settingsFilePath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QString fileText() const { return QStringDecoder("windows-1251")(fileBytes()); }

    // Load with the corrections, as the main window's start-up does when
    // Units.DB holds enough rows.
    TSettings load(const QString &text) {
        writeFile(text);
        TSettings s;
        IniFileLoad(s, windows);
        applyLoadCorrections(s);
        return s;
    }

    test::TempProgramFolder folder;
    FakeWindows windows;
};

} // namespace

TEST_F(SettingsFile, MissingFileGivesDefaultsAndTheFirstSaveWritesEveryWrittenKey) {
    TSettings s;
    s.PeriodMs = 1; // a loaded field must not keep the value it had before
    IniFileLoad(s, windows);
    applyLoadCorrections(s);
    EXPECT_EQ(windows.applied, QStringList({"Top", "Left", "Height", "Width", "ShowHint"}));
    EXPECT_EQ(QList<int>({windows.top, windows.left, windows.height, windows.width}),
              QList<int>({0, 0, 600, 800}));
    EXPECT_TRUE(windows.hint);
    EXPECT_EQ(s.ChannalsMaxAmount, 8);
    EXPECT_EQ(s.UnitsAmount, 1);
    EXPECT_EQ(s.CurUnit, 1);
    EXPECT_EQ(s.PeriodMs, 10000);
    EXPECT_EQ(s.CurrKeepTime, 24);
    EXPECT_EQ(s.ArcLevel, 2);
    EXPECT_TRUE(s.ScanShow);
    EXPECT_FALSE(s.L2ProcOn);
    EXPECT_TRUE(s.ShowHint2);
    EXPECT_FALSE(s.ShowHint3);
    EXPECT_EQ(QList<int>({s.DataTop, s.DataLeft, s.ArcTop, s.ArcLeft, s.PlotTop, s.PlotLeft}),
              QList<int>({70, 50, 140, 100, 240, 420}));
    EXPECT_EQ(s.ComPortNo, 0);
    EXPECT_EQ(s.Speed, " 2400 (000)");
    EXPECT_FALSE(s.Sound_ON);
    EXPECT_FALSE(s.AutoRep);
    EXPECT_EQ(s.Amount, 3);
    EXPECT_EQ(s.SoundFile, "\\Sound\\Beep.wav");
    EXPECT_EQ(s.DataBaseDir, "C:\\Program Files\\Orvex-01\\Database\\");
    EXPECT_EQ(s.UnitAddr[1], 1);

    // The main window drops to 200 pixels without a serial port.
    windows.height = 200;
    IniFileSave(s, windows);
    EXPECT_EQ(fileBytes(), QByteArray("[Main]\nTop=0\nLeft=0\nHeight=200\nWidth=800\n"
                                      "ChannalsMaxAmount=8\nUnitsAmount=1\nCurUnit=1\nPeriod=10\n"
                                      "CurrKeepTime=24\nArcLevel=2\nScanShow=1\n%L2_ON=0\n"
                                      "ShowHint=1\nShowHint2=1\nShowHint3=0\n-=-\n"
                                      "[Window]\nDataTop=70\nDataLeft=50\nArcTop=140\n"
                                      "ArcLeft=100\nPlotTop=240\nPlotLeft=420\n-=-\n"
                                      "[Connection]\nNo=0\nSpeed= 2400 (000)\n-=-\n"
                                      "[Sound]\nSound_ON=0\nAutoRep=0\nAmount=3\n"
                                      "SoundFile=\\Sound\\Beep.wav\n-=-\n"
                                      "[UNITS]\nUnit_\xB9"
                                      "1=1\n"));
}

TEST_F(SettingsFile, SpeedGetsItsLeadingBlankBackOnlyForFourDigitSpeeds) {
    const struct {
        const char *line;
        const char *loaded;
    } cases[] = {
        {"Speed=2400 (000)", " 2400 (000)"},
        {"Speed= 4800 (005)", " 4800 (005)"},
        {"Speed=9600 (002)", " 9600 (002)"},
        {"Speed=19200 (003)", "19200 (003)"},
        {"Speed=", ""},
        {"Speed=   ", ""},
        {"Other=1", " 2400 (000)"},
        {"Speed=57600", "57600"},
    };
    for (const auto &c : cases) {
        const TSettings s = load(QStringLiteral("[Connection]\n") + c.line + "\n");
        EXPECT_EQ(s.Speed, QString::fromLatin1(c.loaded)) << c.line;
    }
}

TEST_F(SettingsFile, UnitAddressesOutsideOneToFifteenBecomeTheUnitNumber) {
    const struct {
        const char *stored;
        int loaded;
    } cases[] = {{"7", 7},  {"0", 2},    {"16", 2}, {"257", 1}, {"0x0F", 15},
                 {"-1", 2}, {"271", 15}, {"x", 2},  {"", 2}};
    for (const auto &c : cases) {
        const TSettings s = load(QStringLiteral("[Main]\nUnitsAmount=3\n[UNITS]\nUnit_№1=9\n"
                                                "Unit_№2=") +
                                 c.stored + "\n");
        EXPECT_EQ(s.UnitAddr[2], c.loaded) << c.stored;
        EXPECT_EQ(s.UnitAddr[1], 9);
        EXPECT_EQ(s.UnitAddr[3], 3); // missing key: the unit number
    }
}

TEST_F(SettingsFile, AddressesBeyondTheCountAreNotRead) {
    const TSettings s = load(QStringLiteral("[Main]\nUnitsAmount=2\n[UNITS]\nUnit_№3=9\n"));
    EXPECT_EQ(s.UnitAddr[3], 3);
}

TEST_F(SettingsFile, LoadCorrectionsReplaceOutOfRangeValues) {
    const struct {
        const char *main;
        int arcLevel, keepTime, curUnit;
    } cases[] = {
        {"ArcLevel=3", 2, 24, 1},
        {"ArcLevel=0", 2, 24, 1},
        {"ArcLevel=1", 1, 24, 1},
        {"CurrKeepTime=0", 2, 24, 1},
        {"CurrKeepTime=121", 2, 24, 1},
        {"CurrKeepTime=120", 2, 120, 1},
        {"CurrKeepTime=1", 2, 1, 1},
        {"UnitsAmount=4\nCurUnit=9", 2, 24, 1},
        {"UnitsAmount=4\nCurUnit=4", 2, 24, 4},
        {"UnitsAmount=4\nCurUnit=0", 2, 24, 1},
    };
    for (const auto &c : cases) {
        const TSettings s = load(QStringLiteral("[Main]\n") + c.main + "\n");
        EXPECT_EQ(s.ArcLevel, c.arcLevel) << c.main;
        EXPECT_EQ(s.CurrKeepTime, c.keepTime) << c.main;
        EXPECT_EQ(s.CurUnit, c.curUnit) << c.main;
    }
}

TEST_F(SettingsFile, CorrectionsSeeTheCountAsLoweredAfterLoading) {
    // Units.DB with 3 rows lowers a count of 5 before the corrections run.
    writeFile("[Main]\nUnitsAmount=5\nCurUnit=4\nArcLevel=1\n");
    TSettings s;
    IniFileLoad(s, windows);
    EXPECT_EQ(s.CurUnit, 4);
    EXPECT_EQ(s.ArcLevel, 1);
    s.UnitsAmount = 3;
    applyLoadCorrections(s);
    EXPECT_EQ(s.CurUnit, 1);
}

TEST_F(SettingsFile, HandEditedCountsPeriodAndRepeatsAreClamped) {
    const struct {
        const char *text;
        int units, channels, periodMs, amount;
    } cases[] = {
        {"[Main]\nPeriod=0x1E", 1, 8, 30000, 3},
        {"[Main]\nUnitsAmount=0\nChannalsMaxAmount=0\nPeriod=0\n[Sound]\nAmount=0", 1, 1, 1000, 1},
        {"[Main]\nUnitsAmount=-3\nChannalsMaxAmount=-1\nPeriod=-5\n[Sound]\nAmount=-2", 1, 1, 1000,
         1},
        {"[Main]\nUnitsAmount=16\nChannalsMaxAmount=9\nPeriod=900\n[Sound]\nAmount=100", 15, 8,
         900000, 99},
        {"[Main]\nPeriod=2147484\n", 1, 8, 86400000, 3},
        {"[Main]\nPeriod=ten\nUnitsAmount=15\nChannalsMaxAmount=1", 15, 1, 10000, 3},
    };
    for (const auto &c : cases) {
        const TSettings s = load(QString::fromLatin1(c.text) + "\n");
        EXPECT_EQ(s.UnitsAmount, c.units) << c.text;
        EXPECT_EQ(s.ChannalsMaxAmount, c.channels) << c.text;
        EXPECT_EQ(s.PeriodMs, c.periodMs) << c.text;
        EXPECT_EQ(s.Amount, c.amount) << c.text;
    }
}

TEST_F(SettingsFile, BooleansReadAsIntegersAndAreWrittenAsOneOrZero) {
    TSettings s = load("[Main]\nScanShow=2\n%L2_ON=0x1\nShowHint=0\nShowHint3=-1\n"
                       "[Sound]\nSound_ON=1\nAutoRep=7\n");
    EXPECT_TRUE(s.ScanShow);
    EXPECT_TRUE(s.L2ProcOn);
    EXPECT_FALSE(s.ShowHint);
    EXPECT_FALSE(windows.hint);
    EXPECT_TRUE(s.ShowHint3);
    EXPECT_TRUE(s.Sound_ON);
    EXPECT_TRUE(s.AutoRep);
    IniFileSave(s, windows);
    const QString text = fileText();
    EXPECT_TRUE(text.contains("\nScanShow=1\n"));
    EXPECT_TRUE(text.contains("\n%L2_ON=1\n"));
    EXPECT_TRUE(text.contains("\nShowHint=0\n"));
    EXPECT_TRUE(text.contains("\nShowHint3=1\n"));
    EXPECT_TRUE(text.contains("\nAutoRep=1\n"));
}

TEST_F(SettingsFile, UnitKeysUseTheNumeroSignAsByte0xB9OnDisk) {
    // Written by hand in another letter case; read through the code page.
    QFile f(settingsFilePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[main]\r\nunitsamount=2\r\n[units]\r\nUNIT_\xB9"
            "1=5\r\nunit_\xB9"
            "2=6\r\n");
    f.close();
    TSettings s;
    IniFileLoad(s, windows);
    EXPECT_EQ(s.UnitsAmount, 2);
    EXPECT_EQ(s.UnitAddr[1], 5);
    EXPECT_EQ(s.UnitAddr[2], 6);

    s.UnitAddr[2] = 11;
    IniFileSave(s, windows);
    const QByteArray bytes = fileBytes();
    // Existing keys keep their spelling and the file keeps its line ends.
    EXPECT_TRUE(bytes.contains("[units]\r\nUNIT_\xB9"
                               "1=5\r\nunit_\xB9"
                               "2=11\r\n"));
    EXPECT_FALSE(bytes.contains("\xE2\x84\x96")); // no UTF-8 numero sign
}

TEST_F(SettingsFile, LoweredCountKeepsTheAddressesOfUnitsBeyondIt) {
    TSettings s = load(QStringLiteral("[Main]\nUnitsAmount=5\n[UNITS]\nUnit_№1=11\nUnit_№2=12\n"
                                      "Unit_№3=13\nUnit_№4=14\nUnit_№5=15\n"));
    s.UnitsAmount = 3;
    s.UnitAddr[1] = 1;
    s.UnitAddr[4] = 4; // not counted any more: not written
    IniFileSave(s, windows);
    const ProfileFile saved = ProfileFile::load(settingsFilePath());
    EXPECT_EQ(saved.readInteger("Main", "UnitsAmount", 0), 3);
    auto address = [&](int n) { return saved.readInteger("UNITS", unitAddressKey(n), 0); };
    EXPECT_EQ(QList<int>({address(1), address(2), address(3), address(4), address(5)}),
              QList<int>({1, 12, 13, 14, 15}));
}

TEST_F(SettingsFile, SaveKeepsUnknownKeysCommentsAndTheDatabaseSection) {
    writeFile(QStringLiteral("; настроено наладчиком\n[Main]\nMyKey=abc\nUnitsAmount=2\n"
                             "[Database]\nDataBaseDir=/srv/orvex/base/\n[Extra]\nA=1\n"));
    TSettings s;
    IniFileLoad(s, windows);
    EXPECT_EQ(s.DataBaseDir, "/srv/orvex/base/");
    s.DataBaseDir = "/elsewhere/"; // only read, never written
    IniFileSave(s, windows);

    const ProfileFile saved = ProfileFile::load(settingsFilePath());
    EXPECT_EQ(saved.readString("Main", "MyKey", ""), "abc");
    EXPECT_EQ(saved.readString("Database", "DataBaseDir", ""), "/srv/orvex/base/");
    EXPECT_EQ(saved.readInteger("Extra", "A", 0), 1);
    EXPECT_TRUE(fileText().startsWith(QStringLiteral("; настроено наладчиком\n[Main]\nMyKey=abc\n"
                                                     "UnitsAmount=2\nTop=")));
}

TEST_F(SettingsFile, WindowPlacesComeFromTheWindowsWhenSaving) {
    TSettings s = load("[Main]\nTop=10\nLeft=20\nHeight=300\nWidth=400\n"
                       "[Window]\nDataTop=1\nDataLeft=2\nArcTop=3\nArcLeft=4\nPlotTop=5\n"
                       "PlotLeft=6\n");
    EXPECT_EQ(QList<int>({windows.top, windows.left, windows.height, windows.width}),
              QList<int>({10, 20, 300, 400}));
    EXPECT_EQ(QList<int>({s.DataTop, s.DataLeft, s.ArcTop, s.ArcLeft, s.PlotTop, s.PlotLeft}),
              QList<int>({1, 2, 3, 4, 5, 6}));

    windows.top = 11, windows.left = 21, windows.height = 301, windows.width = 401;
    windows.hint = false;
    windows.data = QPoint(52, 71); // x = left, y = top
    windows.plot = QPoint(-30, 900);
    s.ShowHint = true; // the window's switch is what counts
    IniFileSave(s, windows);

    const ProfileFile saved = ProfileFile::load(settingsFilePath());
    auto main = [&](const char *key) { return saved.readInteger("Main", key, -999); };
    auto window = [&](const char *key) { return saved.readInteger("Window", key, -999); };
    EXPECT_EQ(QList<int>({main("Top"), main("Left"), main("Height"), main("Width")}),
              QList<int>({11, 21, 301, 401}));
    EXPECT_FALSE(saved.readBool("Main", "ShowHint", true));
    EXPECT_EQ(QList<int>({window("DataTop"), window("DataLeft"), window("ArcTop"),
                          window("ArcLeft"), window("PlotTop"), window("PlotLeft")}),
              QList<int>({71, 52, 3, 4, 900, -30}));
}

TEST_F(SettingsFile, PeriodIsWrittenInWholeSecondsAndTextsAsTheyAre) {
    TSettings s;
    s.PeriodMs = 30999;
    s.Speed = "19200 (007)";
    s.SoundFile = QStringLiteral("  /home/оператор/тревога.wav");
    windows.top = windows.left = 0;
    IniFileSave(s, windows);
    const ProfileFile saved = ProfileFile::load(settingsFilePath());
    EXPECT_EQ(saved.readInteger("Main", "Period", 0), 30);
    EXPECT_EQ(saved.readString("Connection", "Speed", ""), "19200 (007)");
    EXPECT_TRUE(fileText().contains(QStringLiteral("\nSoundFile=  /home/оператор/тревога.wav\n")));
}

TEST_F(SettingsFile, SaveFailureRaisesUnableToWriteAndLeavesTheFileAsItWas) {
    // The file name taken by a folder: the save cannot replace it.
    const QString path = folder.file("sub");
    ASSERT_TRUE(QDir(folder.path()).mkpath("sub/x"));
    TSettings s;
    try {
        IniFileSave(s, windows, path);
        FAIL() << "save succeeded";
    } catch (const ProfileWriteError &e) {
        EXPECT_EQ(e.text(), "Unable to write to " + path);
    }
    EXPECT_TRUE(QFileInfo(path + "/x").isDir());
}
