// The main window (TMainForm): the menu, the tool bar with the start/stop
// button and the two display switches, the grid of unit panels and channel
// cells with their hints, the progress bar and the status bar; start-up,
// the options run, the other commands and closing.
//
// The window is spread over several sources by concern: MainOrvex01.cpp
// (controls, start-up, closing, commands), MainGrid.cpp (building, laying out
// and freeing the grid), MainHints.cpp (captions, hints and switches),
// MainPlace.cpp (its place, size and hint switch in the settings file).
//
// The poll cycle runs on this window from outside: it reaches the controls
// and state below and installs its handlers for the start/stop button and the
// timer (ScanBitBtnClickHandler, Timer1CicleHandler).
#pragma once

#include "config/Settings.h"
#include "config/UnitRegister.h"
#include "mainwindow/GridGeometry.h"
#include "mainwindow/GridPanels.h"
#include "mainwindow/HintHook.h"
#include "polling/Decode.h"
#include "serial/BCPort.h"
#include "store/Table.h"

#include <QFrame>
#include <QLabel>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
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

// What the main window asks of the other windows. The application shell fills
// these in with the real windows; an empty entry does nothing (tests fill in
// what they watch).
struct MainFormPeers {
    // Options dialog: shown modally; whether a serial port is chosen in it.
    std::function<void()> showOptionsDialog;
    std::function<bool()> optionsPortChosen;
    // Current-data view, archive view, plot window.
    std::function<void()> closeDataView;
    std::function<void()> closeArchiveView;
    std::function<void()> closePlotWindow;
    std::function<void(const QString &caption)> showDataView;
    std::function<void()> showArchiveView;
    // Every cell click hands unit, channel, gas, unit label and the unit's
    // trip threshold to the plot window; a cell with a decoded gas then shows
    // the plot.
    std::function<void(int unitNo, int channelNo, const QString &gasName, const QString &unitLabel,
                       float tripThreshold)>
        handOverPlot;
    std::function<void()> showPlot;
    // The views' own table handles, closed when the main window closes.
    std::function<void()> closeArchiveTable; // Arc2Table
    std::function<void()> closeCurrentTable; // CurrTable
    // The hint switch of the options dialog, both views and the plot window.
    std::function<void(bool on)> setWindowHints;
    // Present corners of the views and the plot window, for the settings file.
    std::function<std::optional<QPoint>()> dataViewCorner;
    std::function<std::optional<QPoint>()> archiveViewCorner;
    std::function<std::optional<QPoint>()> plotWindowCorner;
    // About dialog and folder chooser, modal.
    std::function<void()> showAbout;
    std::function<void()> chooseFolder;
};

class TMainForm : public QWidget, public config::SettingsWindows {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // The ten start-up steps; errors are shown and end the sequence.
    void FormCreate();
    // The closing steps (also run by closing the window).
    void FormClose();
    void FormResize();

    // --- grid ---------------------------------------------------------------
    void BuildGrid();
    void LayoutGrid();
    void FreeGrid();
    void RefreshUnitHeader(int u, bool hasData);
    // Paints the cells of unit u from their records after a decode.
    void applyUnitCells(int u);
    // The switches the decoding follows.
    polling::DecodeOptions decodeOptions() const;
    // Decodes a good reply of unit u into its panels; the recording takes the
    // result. The reply-error variant shows a failed exchange.
    polling::DecodeResult decodeUnitReply(int u, const polling::ReplyBuffer &reply);
    void showUnitReplyError(int u, const polling::ReplyOutcome &outcome);

    const GridGeometry &geometry() const { return m_geometry; }
    int RowHeight() const { return m_geometry.RowHeight; }
    int ColWidth() const { return m_geometry.ColWidth; }
    QSize clientSize() const;

    // --- handlers -----------------------------------------------------------
    void upOnClick();
    void spOnClick(TSensPanel *cell);
    void L2ProcCheckBox1Click();
    void SoundCheckBox1Click();
    void miHint1Click();
    void miHint2Click();
    void miHint3Click();
    void miOptionsClick();
    void miDataClick();
    void miArchivClick();
    void N13Click();
    void miExitClick();
    void miFileSaveClick();

    // --- state --------------------------------------------------------------
    config::TSettings Settings;
    bool Polling = false;
    bool AutoRefreshViews = true;
    bool GridBuilt = false;
    int BuiltUnits = 0;
    int BuiltChannels = 0;
    // Values a cell click hands to the plot window.
    int PlotUnitNo = 0;
    int PlotChannelNo = 0;
    polling::LimitedText<20> PlotGasName;
    polling::LimitedText<20> PlotUnitLabel;

    // Grid controls, indexed from 1; entries that do not exist are null.
    std::array<TBevelPanel *, kMaxChannels + 1> ChannelHeaders{};
    std::array<TUnitPanel *, kMaxUnits + 1> UnitPanels{};
    std::array<std::array<TSensPanel *, kMaxUnits + 1>, kMaxChannels + 1> SensPanels{};

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

    // Tables and the serial port.
    store::Table UnitsTable;
    store::Table SensorTable;
    store::Table SignalTable;
    store::Table ArcTable;
    store::Table PlotTable1;
    serial::TBComPort BComPort1;
    // The unit and sensor register over UnitsTable, SensorTable and Settings.
    config::UnitRegister Register{UnitsTable, SensorTable, Settings};

    // The poll cycle's handlers of the start/stop button and the timer.
    std::function<void()> ScanBitBtnClickHandler;
    std::function<void()> Timer1CicleHandler;
    // Hands the window the object that runs the poll cycle on it (it points
    // into the window's members); the window destroys it first.
    void adoptPollController(std::unique_ptr<QObject> controller);

    MainFormPeers peers;
    THintHook &hintHook() { return m_hintHook; }

    // START can be used only while the grid exists and polling may start.
    void updateStartButton();
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
    // The closing sequence has run; the application ends.
    void closed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createMenu();
    void placeChrome();
    void locateDatabase();
    void handOverConfiguredPort();
    void openTablesAndCounters();
    void setOptionsDefault(bool isDefault);
    void enterFirstRunState();
    void showViewedStation();
    void placeGrid(const GridGeometry &g);
    polling::ChannelRow channelRow(int u);
    // The frame's share of the outer size, once the window manager's frame
    // is known and taken into the window's size; nothing before.
    QSize frameExtent() const;
    void takeFrameIntoSize();
    std::array<polling::ChannelState *, kMaxChannels> m_rowBuffer{};

    QWidget *m_client = nullptr;
    GridGeometry m_geometry;
    THintHook m_hintHook;
    bool m_layingOut = false;
    bool m_closed = false;
    QSize m_pendingFrom, m_pendingTo; // a window size asked for and not yet confirmed
    QSize m_refusedFrom, m_refusedTo; // a change the window manager refused
    bool m_frameTaken = false;        // the size has been made the outer size
    QSize m_outerSize{800, 600};      // the outer size last given
    std::unique_ptr<QObject> m_pollController;
    bool m_viewing = false;
    QMenu *m_stationMenu = nullptr;
};

} // namespace orvex::mainwindow
