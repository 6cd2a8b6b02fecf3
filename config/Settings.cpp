// Loading and saving the settings record.
#include "config/Settings.h"

#include "config/ProfileFile.h"

#include <algorithm>

namespace orvex::config {
namespace {

const QString kMain = QStringLiteral("Main");
const QString kWindow = QStringLiteral("Window");
const QString kConnection = QStringLiteral("Connection");
const QString kSound = QStringLiteral("Sound");
const QString kUnits = QStringLiteral("UNITS");
const QString kDatabase = QStringLiteral("Database");
const QString kDash = QStringLiteral("-");

// Poll period bounds in seconds. The poll cycle needs a period of at least
// one second (the unit interval is the period divided by the number of
// units) and the period is kept in milliseconds in a 32-bit field; a day is
// far beyond anything the options dialog offers (10..900 s) and keeps every
// product of the period comfortably inside 32 bits.
constexpr int kMinPeriodSeconds = 1;
constexpr int kMaxPeriodSeconds = 86400;

constexpr int kMinAmount = 1;
constexpr int kMaxAmount = 99;

bool isValidAddress(int address) {
    return address >= 1 && address <= kMaxUnits;
}

} // namespace

QString unitAddressKey(int n) {
    return QStringLiteral("Unit_№") + QString::number(n);
}

void IniFileLoad(TSettings &s, SettingsWindows &windows, const QString &path) {
    const ProfileFile file = ProfileFile::load(path);

    // Main section; the window takes its place, size and hint switch at once.
    windows.setMainTop(file.readInteger(kMain, QStringLiteral("Top"), 0));
    windows.setMainLeft(file.readInteger(kMain, QStringLiteral("Left"), 0));
    windows.setMainHeight(file.readInteger(kMain, QStringLiteral("Height"), 600));
    windows.setMainWidth(file.readInteger(kMain, QStringLiteral("Width"), 800));

    // A hand-edited file may hold counts the grid, the poll cycle and the
    // recorder cannot work with (a count of 0 divides by zero, more than 15
    // units or 8 channels overruns their arrays): they are clamped to the
    // nearest bound.
    s.ChannalsMaxAmount = std::clamp(
        file.readInteger(kMain, QStringLiteral("ChannalsMaxAmount"), 8), 1, kMaxChannels);
    s.UnitsAmount =
        std::clamp(file.readInteger(kMain, QStringLiteral("UnitsAmount"), 1), 1, kMaxUnits);
    s.CurUnit = file.readInteger(kMain, QStringLiteral("CurUnit"), 1);
    const int periodSeconds = std::clamp(file.readInteger(kMain, QStringLiteral("Period"), 10),
                                         kMinPeriodSeconds, kMaxPeriodSeconds);
    s.PeriodMs = periodSeconds * 1000;
    s.CurrKeepTime = file.readInteger(kMain, QStringLiteral("CurrKeepTime"), 24);
    s.ArcLevel = file.readInteger(kMain, QStringLiteral("ArcLevel"), 2);
    s.ScanShow = file.readBool(kMain, QStringLiteral("ScanShow"), true);
    s.L2ProcOn = file.readBool(kMain, QStringLiteral("%L2_ON"), false);
    s.ShowHint = file.readBool(kMain, QStringLiteral("ShowHint"), true);
    windows.setMainShowHint(s.ShowHint);
    s.ShowHint2 = file.readBool(kMain, QStringLiteral("ShowHint2"), true);
    s.ShowHint3 = file.readBool(kMain, QStringLiteral("ShowHint3"), false);

    s.DataTop = file.readInteger(kWindow, QStringLiteral("DataTop"), 70);
    s.DataLeft = file.readInteger(kWindow, QStringLiteral("DataLeft"), 50);
    s.ArcTop = file.readInteger(kWindow, QStringLiteral("ArcTop"), 140);
    s.ArcLeft = file.readInteger(kWindow, QStringLiteral("ArcLeft"), 100);
    s.PlotTop = file.readInteger(kWindow, QStringLiteral("PlotTop"), 240);
    s.PlotLeft = file.readInteger(kWindow, QStringLiteral("PlotLeft"), 420);

    s.ComPortNo = file.readInteger(kConnection, QStringLiteral("No"), 0);
    s.Speed = file.readString(kConnection, QStringLiteral("Speed"), QStringLiteral("2400 (000)"));
    s.Sound_ON = file.readBool(kSound, QStringLiteral("Sound_ON"), false);
    s.AutoRep = file.readBool(kSound, QStringLiteral("AutoRep"), false);
    // The alarm is started this many times in a row; the options dialog
    // offers 1..99.
    s.Amount =
        std::clamp(file.readInteger(kSound, QStringLiteral("Amount"), 3), kMinAmount, kMaxAmount);
    s.SoundFile =
        file.readString(kSound, QStringLiteral("SoundFile"), QStringLiteral("\\Sound\\Beep.wav"));
    s.DataBaseDir = file.readString(kDatabase, QStringLiteral("DataBaseDir"),
                                    QStringLiteral("C:\\Program Files\\Orvex-01\\Database\\"));

    // Unit addresses: the low eight bits of the stored number; anything
    // outside 1..15 becomes the unit number.
    for (int n = 1; n <= kMaxUnits; ++n)
        s.UnitAddr[n] = uint8_t(n);
    for (int n = 1; n <= s.UnitsAmount; ++n) {
        const auto address = uint8_t(file.readInteger(kUnits, unitAddressKey(n), n) & 0xFF);
        s.UnitAddr[n] = isValidAddress(address) ? address : uint8_t(n);
    }
}

void applyLoadCorrections(TSettings &s) {
    // The file loses the leading blank of a value, and the speed texts of
    // four-digit speeds begin with one: " 2400 (000)", " 9600 (002)".
    if (!s.Speed.isEmpty()) {
        const QChar first = s.Speed.front();
        if (first == QLatin1Char('2') || first == QLatin1Char('4') || first == QLatin1Char('9'))
            s.Speed.prepend(QLatin1Char(' '));
    }
    if (s.ArcLevel < 1 || s.ArcLevel > 2)
        s.ArcLevel = 2;
    if (s.CurrKeepTime < 1 || s.CurrKeepTime > 120)
        s.CurrKeepTime = 24;
    // A row number beyond the (possibly lowered) count, or none at all,
    // returns the options dialog to the first unit.
    if (s.CurUnit > s.UnitsAmount || s.CurUnit < 1)
        s.CurUnit = 1;
}

void IniFileSave(const TSettings &s, const SettingsWindows &windows, const QString &path) {
    // The file is read afresh so that whatever it holds besides our keys
    // (the Database section, addresses of units beyond the count, notes
    // added by hand) is written back unchanged.
    ProfileFile file = ProfileFile::load(path);

    file.writeInteger(kMain, QStringLiteral("Top"), windows.mainTop());
    file.writeInteger(kMain, QStringLiteral("Left"), windows.mainLeft());
    file.writeInteger(kMain, QStringLiteral("Height"), windows.mainHeight());
    file.writeInteger(kMain, QStringLiteral("Width"), windows.mainWidth());
    file.writeInteger(kMain, QStringLiteral("ChannalsMaxAmount"), s.ChannalsMaxAmount);
    file.writeInteger(kMain, QStringLiteral("UnitsAmount"), s.UnitsAmount);
    file.writeInteger(kMain, QStringLiteral("CurUnit"), s.CurUnit);
    file.writeInteger(kMain, QStringLiteral("Period"), s.PeriodMs / 1000);
    file.writeInteger(kMain, QStringLiteral("CurrKeepTime"), s.CurrKeepTime);
    file.writeInteger(kMain, QStringLiteral("ArcLevel"), s.ArcLevel);
    file.writeBool(kMain, QStringLiteral("ScanShow"), s.ScanShow);
    file.writeBool(kMain, QStringLiteral("%L2_ON"), s.L2ProcOn);
    file.writeBool(kMain, QStringLiteral("ShowHint"), windows.mainShowHint());
    file.writeBool(kMain, QStringLiteral("ShowHint2"), s.ShowHint2);
    file.writeBool(kMain, QStringLiteral("ShowHint3"), s.ShowHint3);
    file.writeString(kMain, kDash, kDash);

    const QPoint data = windows.dataViewCorner().value_or(QPoint(s.DataLeft, s.DataTop));
    const QPoint arc = windows.archiveViewCorner().value_or(QPoint(s.ArcLeft, s.ArcTop));
    const QPoint plot = windows.plotWindowCorner().value_or(QPoint(s.PlotLeft, s.PlotTop));
    file.writeInteger(kWindow, QStringLiteral("DataTop"), data.y());
    file.writeInteger(kWindow, QStringLiteral("DataLeft"), data.x());
    file.writeInteger(kWindow, QStringLiteral("ArcTop"), arc.y());
    file.writeInteger(kWindow, QStringLiteral("ArcLeft"), arc.x());
    file.writeInteger(kWindow, QStringLiteral("PlotTop"), plot.y());
    file.writeInteger(kWindow, QStringLiteral("PlotLeft"), plot.x());
    file.writeString(kWindow, kDash, kDash);

    file.writeInteger(kConnection, QStringLiteral("No"), s.ComPortNo);
    file.writeString(kConnection, QStringLiteral("Speed"), s.Speed);
    file.writeString(kConnection, kDash, kDash);

    file.writeBool(kSound, QStringLiteral("Sound_ON"), s.Sound_ON);
    file.writeBool(kSound, QStringLiteral("AutoRep"), s.AutoRep);
    file.writeInteger(kSound, QStringLiteral("Amount"), s.Amount);
    file.writeString(kSound, QStringLiteral("SoundFile"), s.SoundFile);
    file.writeString(kSound, kDash, kDash);

    for (int n = 1; n <= std::clamp(s.UnitsAmount, 1, kMaxUnits); ++n)
        file.writeInteger(kUnits, unitAddressKey(n), s.UnitAddr[n]);

    // The Database section is only read, never written.
    file.save();
}

} // namespace orvex::config
