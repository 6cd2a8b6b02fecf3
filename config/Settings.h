// The settings record and the settings file.
//
// TSettings is the one in-memory record of everything the operator
// configures apart from the unit and sensor register; the main window owns
// its one instance, Settings, and the other windows read and change it while
// the program runs. The record is read from the settings file beside the
// executable when the main window is created and written back when it closes
// and after each accepted run of the options dialog.
//
// Loading runs in steps so that the main window can interleave them with its
// own start-up: IniFileLoad reads the file and clamps its values to their
// ranges, the unit register then hands the addresses to Units.DB and may
// lower UnitsAmount, and only after that applyLoadCorrections() makes the
// corrections that depend on the lowered count.
#pragma once

#include "ui/ProgramFolder.h"

#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace orvex::config {

// Numbers of units and channels the grid, the poll cycle and the recorder
// can handle.
inline constexpr int kMaxUnits = 15;
inline constexpr int kMaxChannels = 8;

struct TSettings {
    // The defaults are what a missing settings file yields after loading.
    int32_t ChannalsMaxAmount = 8; // channel columns, 1..8
    int32_t UnitsAmount = 1;       // unit rows, 1..15
    int32_t CurUnit = 1;           // Units.DB row the options dialog returns to
    int32_t PeriodMs = 10000;      // poll period for all units, milliseconds
    int32_t CurrKeepTime = 24;     // hours the current measurements are kept, 1..120
    int32_t ArcLevel = 2;          // lowest alarm level archived, 1..2
    bool ScanShow = true;          // progress bar and highlight of the unit being polled
    bool L2ProcOn = false;         // values in percent of the trip threshold
    bool ShowHint = true;          // hints on the window elements
    bool ShowHint2 = true;         // hints on the grid panels
    bool ShowHint3 = false;        // comments in the grid hints

    // Top-left corners of the secondary windows, used when they are created.
    int32_t DataTop = 70;
    int32_t DataLeft = 50;
    int32_t ArcTop = 140;
    int32_t ArcLeft = 100;
    int32_t PlotTop = 240;
    int32_t PlotLeft = 420;

    int32_t ComPortNo = 0;                         // 1 = COM1 ...; 0 = no port configured
    QString Speed = QStringLiteral(" 2400 (000)"); // speed text as the options dialog offers it

    bool Sound_ON = false;
    bool AutoRep = false; // read and written back; nothing else uses it
    int32_t Amount = 3;   // times the alarm sound is started, 1..99
    QString SoundFile = QStringLiteral("\\Sound\\Beep.wav");

    // Directory of the tables when the alias does not resolve; only read.
    QString DataBaseDir = QStringLiteral("C:\\Program Files\\Orvex-01\\Database\\");

    // Network address of each unit position, entries 1..15 (entry 0 unused).
    std::array<uint8_t, kMaxUnits + 1> UnitAddr = {0, 1, 2,  3,  4,  5,  6,  7,
                                                   8, 9, 10, 11, 12, 13, 14, 15};
};

// What the settings file needs from the windows: the main window's place,
// size and hint switch, applied as they are read and taken back when saving,
// and the present corners of the three secondary windows. The main window
// implements it, so this library needs no widgets. The values describe the
// whole window: the top-left corner of its frame and its outer size, frame
// and title bar included, so that a file opens the window at the same place
// and size under any window manager. (The toolkit sizes a window without its
// frame; the main window converts, see mainwindow/MainPlace.cpp.)
class SettingsWindows {
public:
    virtual ~SettingsWindows() = default;

    virtual void setMainTop(int top) = 0;
    virtual void setMainLeft(int left) = 0;
    virtual void setMainHeight(int height) = 0;
    virtual void setMainWidth(int width) = 0;
    virtual void setMainShowHint(bool on) = 0;

    virtual int mainTop() const = 0;
    virtual int mainLeft() const = 0;
    virtual int mainHeight() const = 0;
    virtual int mainWidth() const = 0;
    virtual bool mainShowHint() const = 0;

    // Present top-left corner (x = left, y = top) of the current-data view,
    // the archive view and the plot window, whether or not they were ever
    // shown; std::nullopt when the window does not exist, in which case the
    // record's value is written.
    virtual std::optional<QPoint> dataViewCorner() const { return std::nullopt; }
    virtual std::optional<QPoint> archiveViewCorner() const { return std::nullopt; }
    virtual std::optional<QPoint> plotWindowCorner() const { return std::nullopt; }
};

// The main window's place held in memory: what a load sets is kept, and a
// save writes it back. For tools and tests that read or write the settings
// file without a window.
class WindowPlace : public SettingsWindows {
public:
    WindowPlace(int top = 0, int left = 0, int height = 600, int width = 800, bool showHint = true)
        : m_top(top), m_left(left), m_height(height), m_width(width), m_showHint(showHint) {}

    void setMainTop(int top) override { m_top = top; }
    void setMainLeft(int left) override { m_left = left; }
    void setMainHeight(int height) override { m_height = height; }
    void setMainWidth(int width) override { m_width = width; }
    void setMainShowHint(bool on) override { m_showHint = on; }

    int mainTop() const override { return m_top; }
    int mainLeft() const override { return m_left; }
    int mainHeight() const override { return m_height; }
    int mainWidth() const override { return m_width; }
    bool mainShowHint() const override { return m_showHint; }

private:
    int m_top;
    int m_left;
    int m_height;
    int m_width;
    bool m_showHint;
};

// Reads the settings file into `settings` and applies the main window's
// place, size and hint switch to `windows` as they are read. Reads the unit
// addresses of units 1..UnitsAmount. Values a hand-edited file may hold out
// of range are clamped here (see the definition). A missing or unreadable
// file gives the defaults.
void IniFileLoad(TSettings &settings, SettingsWindows &windows,
                 const QString &path = settingsFilePath());

// The corrections made after the tables were opened and UnitsAmount possibly
// lowered: the blank in front of a four-digit Speed text, ArcLevel,
// CurrKeepTime and CurUnit.
void applyLoadCorrections(TSettings &settings);

// Writes `settings` and the windows' present places to the file, keeping
// every key and section the program does not write. Raises
// ProfileWriteError ("Unable to write to <path>") when the file cannot be
// replaced; the file then keeps its previous content.
void IniFileSave(const TSettings &settings, const SettingsWindows &windows,
                 const QString &path = settingsFilePath());

// Name of the key that holds the address of unit n: "Unit_№" and n.
QString unitAddressKey(int n);

} // namespace orvex::config
