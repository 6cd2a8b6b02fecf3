// The main window: construction, start-up, the options run, the other
// commands, closing, and what the poll cycle and the options dialog drive.
#include "mainwindow/MainOrvex01.h"

#include "mainwindow/HintText.h"
#include "mainwindow/Texts.h"
#include "ui/ErrorHandler.h"
#include "ui/Messages.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace orvex::mainwindow {

using namespace texts;

namespace {

// Asks nothing of anyone: the peers of a window that has been given none.
MainFormPeers &noPeers() {
    static MainFormPeers none;
    return none;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

TMainForm::TMainForm(polling::StationModel &station, QWidget *parent)
    : QWidget(parent), m_station(station), Settings(station.settings()), m_peers(&noPeers()) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kMainCaption);
    // The register's warnings (equal unit addresses) are shown as boxes.
    m_station.unitRegister().setOnWarning([](const QString &text) { ui::showWarning(text); });
    // The window's font is MS Sans Serif, 8 points. Linux lacks it; its
    // metric neighbour among the installed families is Liberation Sans (the
    // Arial metrics), which keeps captions inside the pixel sizes the layout
    // was drawn for, where the default sans family runs wider.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setOwnHintSwitch(this, true);
    createControls();
    resize(800, 600);
    placeChrome();
}

TMainForm::~TMainForm() {
    // No tick may reach the poll cycle while the window goes. The grid arrays
    // only point at children, which go with the base class.
    Timer1->stop();
}

void TMainForm::setPeers(MainFormPeers *peers) {
    m_peers = peers ? peers : &noPeers();
}

// ---------------------------------------------------------------------------
// Start-up

void TMainForm::FormCreate() {
    resetRunState();
    bool loaded = false;
    bool corrected = false;
    const bool completed = ui::guarded(
        [&] {
            // Every hint of the application goes through the hint hook.
            m_hintHook.install();
            loadSettings();
            loaded = true;
            locateDatabase();
            showToolSwitches();
            config::applyLoadCorrections(Settings);
            corrected = true;
            showPortAndPeriod();
            miHint1->setChecked(hintSwitch(this));
            if (m_viewing)
                showViewedStation();
            else if (Settings.ComPortNo != 0)
                enterConfiguredState();
            else
                enterFirstRunState();
            showRecordCounters();
        },
        this);
    // A table step that failed skipped the corrections: the settings as read
    // still get them, or the options dialog would show, and the next save
    // store, values the file only holds in its own form (a four-digit speed
    // without its leading blank) or out of range.
    if (!completed && loaded && !corrected)
        config::applyLoadCorrections(Settings);
    updateStartButton();
}

// Nothing polls and no grid exists before the start-up has built one.
void TMainForm::resetRunState() {
    m_polling = false;
    m_station.autoRefreshViews() = true;
    m_gridBuilt = false;
    updateStartButton();
}

void TMainForm::loadSettings() {
    config::IniFileLoad(Settings, *this);
}

// The tables find their database, and the register takes the settings'
// unit addresses into Units.DB (or the count from its rows). A viewing
// workstation writes nothing.
void TMainForm::locateDatabase() {
    m_station.locateDatabase();
    if (!m_viewing)
        m_station.unitRegister().startUpHandOver();
}

void TMainForm::showToolSwitches() {
    L2ProcCheckBox1->setChecked(Settings.L2ProcOn);
    SoundCheckBox1->setChecked(Settings.Sound_ON);
}

void TMainForm::showPortAndPeriod() {
    StatusBar1->setPanelText(0, startupPortText(Settings.ComPortNo, Settings.Speed));
    StatusBar1->setPanelText(1, periodText(Settings.PeriodMs));
}

// A port is configured: START opens it at the configured speed (the options
// dialog, made next, hands over the name it lists for the port; when its
// making ends before that, the serial component would otherwise keep its own
// defaults), and the grid is built.
void TMainForm::enterConfiguredState() {
    m_station.handOverConfiguredPort();
    ProgressBar1->setVisible(Settings.ScanShow);
    BuildGrid();
    miHint2->setChecked(Settings.ShowHint2);
    miHint3->setChecked(Settings.ShowHint3);
    m_station.unitRegister().CheckDuplicateAddresses();
}

// No port yet: a low window that leads the operator to "НАСТРОЙКА".
void TMainForm::enterFirstRunState() {
    StatusBar1->setPanelText(0, kPortNotAssigned);
    setMainHeight(200);
    miData->setEnabled(false);
    miArchiv->setEnabled(false);
    miHelp->menuAction()->setEnabled(false);
    setOptionsDefault(true);
    ScanBitBtn->setEnabled(false);
    if (FirstRunNotice) {
        FirstRunNotice->move(138, 60);
        FirstRunNotice->show();
    }
}

void TMainForm::showRecordCounters() {
    m_station.openRecordingTables();
    setCurrentCount(m_station.signalTable().recordCount());
    setArchiveCount(m_station.archiveTable().recordCount());
}

void TMainForm::updateStartButton() {
    // While polling runs the button is STOP and must stay usable; otherwise
    // START needs a built grid, or polling would index missing panels.
    ScanBitBtn->setEnabled(m_polling || m_gridBuilt);
}

// ---------------------------------------------------------------------------
// The options run

void TMainForm::miOptionsClick() {
    closeViews();
    m_builtUnits = Settings.UnitsAmount;
    m_builtChannels = Settings.ChannalsMaxAmount;
    const config::TSettings before = Settings;
    runOptionsDialog();
    if (!m_peers->optionsPortChosen()) {
        restoreBuiltCounts(before);
        return;
    }
    FreeGrid();
    squareRowsForNewCount();
    ProgressBar1->setVisible(Settings.ScanShow);
    BuildGrid();
    StatusBar1->setPanelText(0, portStateText(m_station.port().Port(), Settings.Speed, false));
    StatusBar1->setPanelText(1, periodText(Settings.PeriodMs));
    m_builtUnits = Settings.UnitsAmount;
    m_builtChannels = Settings.ChannalsMaxAmount;
    enterBuiltGridState();
    config::IniFileSave(Settings, *this);
}

// The views and the plot window close while the register may change under
// them.
void TMainForm::closeViews() {
    m_peers->closeDataView();
    m_peers->closeArchiveView();
    m_peers->closePlotWindow();
}

// The dialog comes back until no two units share an address.
void TMainForm::runOptionsDialog() {
    do {
        m_peers->showOptionsDialog();
    } while (m_station.unitRegister().CheckDuplicateAddresses());
}

// Without a port nothing is rebuilt; the counts and the period the dialog
// changed go back to what the grid was built with, so the grid, the poll
// cycle and the recorder never disagree about them.
void TMainForm::restoreBuiltCounts(const config::TSettings &before) {
    Settings.UnitsAmount = before.UnitsAmount;
    Settings.ChannalsMaxAmount = before.ChannalsMaxAmount;
    Settings.PeriodMs = before.PeriodMs;
    Settings.ComPortNo = before.ComPortNo;
    if (Settings.CurUnit > Settings.UnitsAmount)
        Settings.CurUnit = 1;
}

// Rows taller than wide become square: the window takes the height that
// gives the new number of units square rows.
void TMainForm::squareRowsForNewCount() {
    if (m_geometry.RowHeight <= m_geometry.ColWidth)
        return;
    m_geometry.RowHeight = m_geometry.ColWidth;
    const int nonClient = mainHeight() - clientSize().height();
    setMainHeight(kStatusBarHeight + kToolBarHeight + kHeaderHeight + kRowGap + 4 + nonClient +
                  Settings.UnitsAmount * m_geometry.RowHeight);
}

// Leaves the first-run state: every menu is usable and START has the focus.
void TMainForm::enterBuiltGridState() {
    miData->setEnabled(true);
    miArchiv->setEnabled(true);
    miHelp->menuAction()->setEnabled(true);
    setOptionsDefault(false);
    updateStartButton();
    ScanBitBtn->setFocus();
}

// ---------------------------------------------------------------------------
// Other commands

void TMainForm::miDataClick() {
    m_peers->showDataView(dataViewCaption(Settings.CurrKeepTime));
}

void TMainForm::miArchivClick() {
    m_peers->showArchiveView();
}

void TMainForm::N13Click() {
    m_peers->showAbout();
}

void TMainForm::miExitClick() {
    close();
}

void TMainForm::miFileSaveClick() {
    // The chosen folder is not used.
    m_peers->chooseFolder();
}

// ---------------------------------------------------------------------------
// What the poll cycle, the options dialog and the recording drive

void TMainForm::setPolling(bool polling) {
    m_polling = polling;
    updateStartButton();
}

void TMainForm::setStartButton(const QString &caption, const QString &hint) {
    ScanBitBtn->setText(caption);
    ScanBitBtn->setToolTip(hint);
    ScanBitBtn->setAccessibleName(caption);
}

void TMainForm::setPortStatus(const QString &text) {
    StatusBar1->setPanelText(0, text);
}

void TMainForm::setMenusEnabled(bool enabled) {
    miFile->setEnabled(enabled);
    miFile->menuAction()->setEnabled(enabled);
    miOptions->setEnabled(enabled);
}

bool TMainForm::startStopConnected() const {
    return isSignalConnected(QMetaMethod::fromSignal(&TMainForm::startStopClicked));
}

void TMainForm::setPercentMode(bool on) {
    L2ProcCheckBox1->setChecked(on);
    L2ProcCheckBox1->setToolTip(l2ProcHint(on));
}

void TMainForm::setSoundOn(bool on) {
    SoundCheckBox1->setChecked(on);
    SoundCheckBox1->setToolTip(soundHint(on));
}

void TMainForm::setCurrentCount(qint64 rows) {
    StatusBar1->setPanelText(2, signalsCountText(rows));
}

void TMainForm::setArchiveCount(qint64 rows) {
    StatusBar1->setPanelText(3, arcCountText(rows));
}

// ---------------------------------------------------------------------------
// Closing

void TMainForm::closeEvent(QCloseEvent *event) {
    FormClose();
    event->accept();
}

void TMainForm::FormClose() {
    if (m_closed)
        return;
    m_closed = true;
    // No tick may run once the tables start closing.
    Timer1->stop();
    // Every close is attempted; the failures are reported together.
    QStringList failures;
    auto attempt = [&failures](const std::function<void()> &step) {
        try {
            step();
        } catch (const std::exception &e) {
            failures << ui::exceptionText(e);
        } catch (...) {
            failures << QStringLiteral("Неизвестная ошибка");
        }
    };
    attempt([this] { m_station.plotTable().close(); });
    attempt([this] { m_peers->closeArchiveTable(); });
    attempt([this] { m_peers->closeCurrentTable(); });
    attempt([this] { m_station.archiveTable().close(); });
    attempt([this] { m_station.signalTable().close(); });
    attempt([this] { m_station.sensorTable().close(); });
    attempt([this] { m_station.unitsTable().close(); });
    attempt([this] { m_station.port().ClosePort(); });
    if (!failures.isEmpty())
        ui::showError(failures.join(QStringLiteral("\r")), this);
    // The operator's settings are saved even when a close failed.
    ui::guarded([this] { config::IniFileSave(Settings, *this); }, this);
    FreeGrid();
    emit closed();
}

} // namespace orvex::mainwindow
