// The main window (TMainForm): the menu, the tool bar with the start/stop
// button and the two display switches, the grid of unit panels and channel
// cells with their hints, the progress bar and the status bar; start-up,
// the options run, the other commands and closing.
//
// The window is spread over several sources by concern: MainOrvex01.cpp
// (start-up, the options run, the other commands, closing), MainControls.cpp
// (the controls and the status bar), MainGrid.cpp (building, laying out and
// freeing the grid), MainHints.cpp (captions, hints and switches),
// MainPlace.cpp (its place, size and hint switch in the settings file).
//
// The station's port, tables, register and settings are not the window's:
// it works on the StationModel it is given. Its controls are its own; the
// poll cycle, the options dialog and the journal reach it through the narrow
// functions and the signals below.
#pragma once

#include "mainwindow/GridGeometry.h"
#include "mainwindow/GridPanels.h"
#include "mainwindow/HintHook.h"
#include "polling/Decode.h"
#include "polling/StationModel.h"

#include <QFrame>
#include <QLabel>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QAction;
class QCheckBox;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTimer;

namespace orvex::mainwindow {

// The status bar: five panels side by side, each a label whose text is also
// its accessible name.
class TStatusBar : public QFrame {
    Q_OBJECT
public:
    static constexpr int kPanels = 5;
    explicit TStatusBar(QWidget *parent = nullptr);
    QString panelText(int i) const;
    void setPanelText(int i, const QString &text);
    QLabel *panel(int i) const { return m_panels[i]; }

private:
    std::array<QLabel *, kPanels> m_panels{};
};

// What the main window asks of the other windows. The application
// implements it with the real windows; every function does nothing (or
// answers "nothing") until overridden, so tests override what they watch.
// An interface rather than signals: the window needs answers (a port chosen,
// the corners), shows modal dialogs and collects the failures of the views'
// table closes, all synchronously and in its own order.
class MainFormPeers {
public:
    virtual ~MainFormPeers() = default;
    // Options dialog: shown modally; whether a serial port is chosen in it.
    virtual void showOptionsDialog() {}
    virtual bool optionsPortChosen() { return false; }
    // Current-data view, archive view, plot window.
    virtual void closeDataView() {}
    virtual void closeArchiveView() {}
    virtual void closePlotWindow() {}
    virtual void showDataView(const QString &caption) { (void)caption; }
    virtual void showArchiveView() {}
    // Every cell click hands unit, channel, gas, unit label and the unit's
    // trip threshold to the plot window; a cell with a decoded gas then shows
    // the plot.
    virtual void handOverPlot(int unitNo, int channelNo, const QString &gasName,
                              const QString &unitLabel, float tripThreshold) {
        (void)unitNo, (void)channelNo, (void)gasName, (void)unitLabel, (void)tripThreshold;
    }
    virtual void showPlot() {}
    // The views' own table handles, closed when the main window closes; a
    // failure is raised.
    virtual void closeArchiveTable() {} // Arc2Table
    virtual void closeCurrentTable() {} // CurrTable
    // The hint switch of the options dialog, both views and the plot window.
    virtual void setWindowHints(bool on) { (void)on; }
    // Present corners of the views and the plot window, for the settings file.
    virtual std::optional<QPoint> dataViewCorner() const { return std::nullopt; }
    virtual std::optional<QPoint> archiveViewCorner() const { return std::nullopt; }
    virtual std::optional<QPoint> plotWindowCorner() const { return std::nullopt; }
    // About dialog and folder chooser, modal.
    virtual void showAbout() {}
    virtual void chooseFolder() {}
};

// The values the last cell click handed to the plot window.
struct PlotHandOver {
    int unitNo = 0;
    int channelNo = 0;
    polling::LimitedText<20> gasName;
    polling::LimitedText<20> unitLabel;
};

class TMainForm : public QWidget, public config::SettingsWindows {
    Q_OBJECT
public:
    // The window works on `station`, which must outlive it.
    explicit TMainForm(polling::StationModel &station, QWidget *parent = nullptr);
    ~TMainForm() override;

    // The other windows; null (the default) asks nothing of anyone.
    void setPeers(MainFormPeers *peers);
    // The station the window shows.
    polling::StationModel &station() const { return m_station; }

    // The start-up sequence; errors are shown and end the sequence.
    void FormCreate();
    // The closing steps (also run by closing the window).
    void FormClose();

    // --- the grid -------------------------------------------------------------
    // Decodes a good reply of unit u into its panels; the recording takes the
    // result. The reply-error variant shows a failed exchange.
    polling::DecodeResult decodeUnitReply(int u, const polling::ReplyBuffer &reply);
    void showUnitReplyError(int u, const polling::ReplyOutcome &outcome);
    // Row header of unit u: the system's button-face colour, or the scan
    // highlight RGB(255,251,240). Nothing for a unit without a header.
    void setUnitHighlight(int u, bool highlighted);
    // The header panel of unit u (1..15); null where the grid has none.
    TUnitPanel *unitPanel(int u) const;

    bool gridBuilt() const { return m_gridBuilt; }
    int builtUnits() const { return m_builtUnits; }
    int builtChannels() const { return m_builtChannels; }
    const GridGeometry &geometry() const { return m_geometry; }
    int RowHeight() const { return m_geometry.RowHeight; }
    int ColWidth() const { return m_geometry.ColWidth; }
    QSize clientSize() const;
    const PlotHandOver &plotHandOver() const { return m_plotHandOver; }

    // --- what the poll cycle drives -------------------------------------------
    // Whether polling runs; START can be used only while the grid exists or
    // polling runs.
    bool polling() const { return m_polling; }
    void setPolling(bool polling);
    void setStartButton(const QString &caption, const QString &hint);
    // The first status bar panel.
    void setPortStatus(const QString &text);
    // "ФАЙЛ" and "НАСТРОЙКА".
    void setMenusEnabled(bool enabled);
    // The poll timer (precise) and the progress bar (0..100).
    QTimer &pollTimer() { return *Timer1; }
    QProgressBar &progressBar() { return *ProgressBar1; }
    // Whether anything runs behind START (the poll cycle is attached).
    bool startStopConnected() const;
    // The options command of the main menu.
    void miOptionsClick();

    // --- what the options dialog and the recording drive ----------------------
    // The tool bar switches, as the options dialog sets them.
    void setPercentMode(bool on);
    void setSoundOn(bool on);
    // The status bar's counters of Signals.DB and Arc.DB.
    void setCurrentCount(qint64 rows);
    void setArchiveCount(qint64 rows);

    // --- the menu ------------------------------------------------------------
    // Puts `item` on the menu bar before "ПОМОЩЬ", usable whenever "ДАННЫЕ" is.
    void addViewMenuItem(QAction *item);
    // Whether the "НАСТРОЙКА" item is the menu's default (drawn bold).
    bool optionsIsDefault() const;

    // --- viewing workstation (MainViewing.cpp) ---------------------------------
    // Called before FormCreate: every table opens read-only, the start-up
    // writes nothing to the register, no grid is built, START and the
    // options run stay disabled, and the menu gets "СТАНЦИЯ" (filled in by
    // the application) for the stations to view.
    void enterViewingMode();
    bool viewingMode() const { return m_viewing; }
    QMenu *stationMenu() const { return m_stationMenu; }
    // Adds an item to the menu bar before "ПОМОЩЬ".
    void insertMenuItem(QAction *item);
    // Closes the window's tables and opens them on `databaseName`; the unit
    // count becomes the station's. Raises the store's errors.
    void switchStation(const QString &databaseName);
    // A followed table's row count changed: the status bar shows it.
    void stationRowsChanged(const QString &table, qint64 rows);
    // Why the station cannot be followed now (the last status panel); empty
    // when it can.
    void showStationState(const QString &text);

    // --- config::SettingsWindows ----------------------------------------------
    // The place and size are the outer window's, frame included.
    void setMainTop(int top) override;
    void setMainLeft(int left) override;
    void setMainHeight(int height) override;
    void setMainWidth(int width) override;
    void setMainShowHint(bool on) override;
    int mainTop() const override;
    int mainLeft() const override;
    int mainHeight() const override;
    int mainWidth() const override;
    bool mainShowHint() const override;
    std::optional<QPoint> dataViewCorner() const override;
    std::optional<QPoint> archiveViewCorner() const override;
    std::optional<QPoint> plotWindowCorner() const override;

signals:
    // The start/stop button was clicked. Its handler shows its own errors.
    void startStopClicked();
    // The options command of the menu has run to its end.
    void optionsRunFinished();
    // The closing sequence has run; the application ends.
    void closed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Controls and the frame around the grid (MainControls.cpp).
    void createControls();
    void createMenu();
    void createToolBar();
    void createProgressAndNotice();
    void placeChrome();
    void FormResize();

    // Start-up (MainOrvex01.cpp), in its order.
    void resetRunState();
    void loadSettings();
    void locateDatabase();
    void showToolSwitches();
    void showPortAndPeriod();
    void enterConfiguredState();
    void enterFirstRunState();
    void showViewedStation();
    void showRecordCounters();
    void setOptionsDefault(bool isDefault);
    void updateStartButton();

    // The options run (MainOrvex01.cpp), in its order.
    void closeViews();
    void runOptionsDialog();
    void restoreBuiltCounts(const config::TSettings &before);
    void squareRowsForNewCount();
    void enterBuiltGridState();

    // The grid (MainGrid.cpp).
    void BuildGrid();
    void createChannelHeaders(const QFont &bold);
    void createUnitRow(int u, const QFont &bold, const QFont &cellFont);
    TSensPanel *createCell(int u, int n, const QFont &cellFont);
    void LayoutGrid();
    void FreeGrid();
    void placeGrid(const GridGeometry &g);
    polling::ChannelRow channelRow(int u);

    // Captions, hints and switches (MainHints.cpp).
    void RefreshUnitHeader(int u, bool hasData);
    bool unitHasData(int u) const;
    void applyUnitCells(int u);
    polling::DecodeOptions decodeOptions() const;
    void upOnClick();
    void spOnClick(TSensPanel *cell);
    void L2ProcCheckBox1Click();
    void SoundCheckBox1Click();
    void miHint1Click();
    void miHint2Click();
    void miHint3Click();

    // Other commands.
    void miDataClick();
    void miArchivClick();
    void N13Click();
    void miExitClick();
    void miFileSaveClick();

    // The frame's share of the outer size, once the window manager's frame
    // is known and taken into the window's size; nothing before.
    QSize frameExtent() const;
    void takeFrameIntoSize();

    polling::StationModel &m_station;
    config::TSettings &Settings; // the station's settings record
    MainFormPeers *m_peers;

    bool m_polling = false;
    bool m_gridBuilt = false;
    int m_builtUnits = 0;
    int m_builtChannels = 0;
    PlotHandOver m_plotHandOver;

    // Grid controls, indexed from 1; entries that do not exist are null.
    std::array<TBevelPanel *, kMaxChannels + 1> ChannelHeaders{};
    std::array<TUnitPanel *, kMaxUnits + 1> UnitPanels{};
    std::array<std::array<TSensPanel *, kMaxUnits + 1>, kMaxChannels + 1> SensPanels{};
    std::array<polling::ChannelState *, kMaxChannels> m_rowBuffer{};

    // Controls.
    QMenuBar *MainMenu1 = nullptr;
    QMenu *miFile = nullptr;
    QAction *miFileOpen = nullptr;
    QAction *miFileSave = nullptr;
    QAction *miOptions = nullptr;
    QAction *miData = nullptr;
    QAction *miArchiv = nullptr;
    QMenu *miHelp = nullptr;
    QAction *miHint1 = nullptr;
    QAction *miHint2 = nullptr;
    QAction *miHint3 = nullptr;
    QAction *N13 = nullptr;
    QAction *miExit = nullptr;
    QFrame *ToolPanel = nullptr;
    QPushButton *ScanBitBtn = nullptr;
    QCheckBox *L2ProcCheckBox1 = nullptr;
    QCheckBox *SoundCheckBox1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    TStatusBar *StatusBar1 = nullptr;
    QLabel *FirstRunNotice = nullptr; // destroyed by the first grid build
    QTimer *Timer1 = nullptr;         // the poll timer (precise)
    QWidget *m_client = nullptr;

    GridGeometry m_geometry;
    THintHook m_hintHook;
    bool m_layingOut = false;
    bool m_closed = false;
    QSize m_pendingFrom, m_pendingTo; // a window size asked for and not yet confirmed
    QSize m_refusedFrom, m_refusedTo; // a change the window manager refused
    bool m_frameTaken = false;        // the size has been made the outer size
    QSize m_outerSize{800, 600};      // the outer size last given
    bool m_viewing = false;
    QMenu *m_stationMenu = nullptr;
};

} // namespace orvex::mainwindow
