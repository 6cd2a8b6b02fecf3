// The main window: controls, start-up, the options run, the other commands
// and closing.
#include "mainwindow/MainOrvex01.h"

#include "config/UnitRegister.h"
#include "mainwindow/HintText.h"
#include "mainwindow/Texts.h"
#include "polling/Protocol.h"
#include "store/Location.h"
#include "store/StoreError.h"
#include "ui/ErrorHandler.h"
#include "ui/Messages.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOptionMenuItem>
#include <QTimer>

namespace orvex::mainwindow {

using namespace texts;

namespace {

constexpr const char *kDefaultItemProperty = "orvexDefaultItemText";

// Draws the menu bar's default item in bold, as the menu of the first-run
// state shows "НАСТРОЙКА". The menu bar does not use an action's own font,
// so its style draws the item whose caption the bar names as default.
class DefaultItemStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    static bool isDefault(const QStyleOption *option, const QWidget *widget) {
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        return item && widget && !item->text.isEmpty() &&
               widget->property(kDefaultItemProperty).toString() == item->text;
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override {
        if (element == CE_MenuBarItem && isDefault(option, widget)) {
            painter->save();
            QFont bold = painter->font();
            bold.setBold(true);
            painter->setFont(bold);
            QProxyStyle::drawControl(element, option, painter, widget);
            painter->restore();
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override {
        QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_MenuBarItem && isDefault(option, widget)) {
            const auto *item = static_cast<const QStyleOptionMenuItem *>(option);
            QFont bold = widget->font();
            bold.setBold(true);
            result.rwidth() += QFontMetrics(bold).horizontalAdvance(item->text) -
                               widget->fontMetrics().horizontalAdvance(item->text);
        }
        return result;
    }
};

const QColor kFormColor(192, 220, 192);
const QColor kMaroon(128, 0, 0);
constexpr int kStatusPanelWidths[TStatusBar::kPanels] = {200, 120, 150, 150, 50};

// Right-anchored tool-bar check boxes: distance of their left edge from the
// tool bar's right edge (left 687 and 736 in a 788-pixel tool bar).
constexpr int kL2ProcRightOffset = 788 - 687;
constexpr int kSoundRightOffset = 788 - 736;

QCheckBox *makeToolCheckBox(const QString &caption, QWidget *toolPanel, QFrame **frameOut) {
    // The caption stands to the left of the box, in maroon, inside a frame.
    auto *frame = new QFrame(toolPanel);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(1);
    auto *box = new QCheckBox(caption, frame);
    box->setLayoutDirection(Qt::RightToLeft);
    QPalette pal = box->palette();
    pal.setColor(QPalette::WindowText, kMaroon);
    box->setPalette(pal);
    auto *layout = new QHBoxLayout(frame);
    layout->setContentsMargins(1, 0, 1, 0);
    layout->addWidget(box);
    *frameOut = frame;
    return box;
}

} // namespace

// ---------------------------------------------------------------------------
// Status bar

TStatusBar::TStatusBar(QWidget *parent) : QFrame(parent) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kFormColor);
    setPalette(pal);
    const QString created[kPanels] = {kPanel0Created, kPanel1Created, kPanel2Created,
                                      kPanel3Created, QString()};
    int left = 0;
    for (int i = 0; i < kPanels; ++i) {
        auto *label = new QLabel(this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(i == 4 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        label->setGeometry(left, 2, kStatusPanelWidths[i] - 2, 21);
        left += kStatusPanelWidths[i];
        m_panels[i] = label;
        setPanelText(i, created[i]);
    }
}

QString TStatusBar::panelText(int i) const {
    return m_panels[i]->text();
}

void TStatusBar::setPanelText(int i, const QString &text) {
    m_panels[i]->setText(text);
    m_panels[i]->setAccessibleName(text);
}

// ---------------------------------------------------------------------------
// Construction

TMainForm::TMainForm(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kMainCaption);
    // The register's warnings (equal unit addresses) are shown as boxes.
    Register.setOnWarning([](const QString &text) { ui::showWarning(text); });
    // The window's font is MS Sans Serif, 8 points. Linux lacks it; its
    // metric neighbour among the installed families is Liberation Sans (the
    // Arial metrics), which keeps captions inside the pixel sizes the layout
    // was drawn for, where the default sans family runs wider.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setOwnHintSwitch(this, true);
    createControls();
    // The line to the units: 8 data bits, no parity, 2 stop bits, small
    // driver queues; a read returns at once with what has arrived, a write
    // waits at most 10 ms per byte plus 100 ms.
    BComPort1.SetByteSize(serial::bs8);
    BComPort1.SetParity(serial::paNone);
    BComPort1.SetStopBits(serial::sb2);
    BComPort1.SetInBufSize(20);
    BComPort1.SetOutBufSize(4);
    BComPort1.Timeouts().SetReadInterval(-1);
    BComPort1.Timeouts().SetReadTotalMultiplier(0);
    BComPort1.Timeouts().SetReadTotalConstant(0);
    BComPort1.Timeouts().SetWriteTotalMultiplier(10);
    BComPort1.Timeouts().SetWriteTotalConstant(100);
    resize(800, 600);
    placeChrome();
}

TMainForm::~TMainForm() {
    // The poll cycle points into this window's members (its handlers, the
    // timer, the tables, the port): it goes first, while they all exist, and
    // no tick may come in between. Then the members go, the tables and the
    // port closing in their own destructors, and the child widgets with the
    // base class. The grid arrays only point at children.
    Timer1->stop();
    m_pollController.reset();
}

void TMainForm::adoptPollController(std::unique_ptr<QObject> controller) {
    m_pollController = std::move(controller);
}

void TMainForm::createControls() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setAutoFillBackground(true);
    QPalette pal = m_client->palette();
    pal.setColor(QPalette::Window, kFormColor);
    m_client->setPalette(pal);

    createMenu();

    ToolPanel = new QFrame(m_client);
    ToolPanel->setObjectName(QStringLiteral("ToolPanel"));
    ToolPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ToolPanel->setLineWidth(2);

    ScanBitBtn = new QPushButton(kStart, ToolPanel);
    ScanBitBtn->setObjectName(QStringLiteral("ScanBitBtn"));
    QFont bold = font();
    bold.setBold(true);
    ScanBitBtn->setFont(bold);
    ScanBitBtn->setGeometry(32, 4, 145, 25);
    ScanBitBtn->setToolTip(kStartHint);
    connect(ScanBitBtn, &QPushButton::clicked, this, [this] {
        if (ScanBitBtnClickHandler)
            ui::guarded(ScanBitBtnClickHandler, this);
    });

    QFrame *frame = nullptr;
    L2ProcCheckBox1 = makeToolCheckBox(kL2ProcCaption, ToolPanel, &frame);
    L2ProcCheckBox1->setObjectName(QStringLiteral("L2ProcCheckBox1"));
    L2ProcCheckBox1->setToolTip(l2ProcHint(false));
    frame->setObjectName(QStringLiteral("L2ProcFrame"));
    frame = nullptr;
    SoundCheckBox1 = makeToolCheckBox(kSoundCaption, ToolPanel, &frame);
    SoundCheckBox1->setObjectName(QStringLiteral("SoundCheckBox1"));
    SoundCheckBox1->setToolTip(soundHint(false));
    frame->setObjectName(QStringLiteral("SoundFrame"));
    // Delphi-style: a programmatic change of the state runs the click handler
    // as well, which is how start-up and the options dialog drive them.
    connect(L2ProcCheckBox1, &QCheckBox::toggled, this,
            [this] { ui::guarded([this] { L2ProcCheckBox1Click(); }, this); });
    connect(SoundCheckBox1, &QCheckBox::toggled, this,
            [this] { ui::guarded([this] { SoundCheckBox1Click(); }, this); });

    ProgressBar1 = new QProgressBar(m_client);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Время до опроса следующего пульта"));
    ProgressBar1->hide();

    FirstRunNotice = new QLabel(kFirstRunNotice, m_client);
    FirstRunNotice->setObjectName(QStringLiteral("FirstRunNotice"));
    FirstRunNotice->setGeometry(138, 60, 508, 26);
    FirstRunNotice->setAlignment(Qt::AlignCenter);
    FirstRunNotice->setWordWrap(true);
    FirstRunNotice->setFont(bold);
    FirstRunNotice->setAutoFillBackground(true);
    {
        QPalette np = FirstRunNotice->palette();
        np.setColor(QPalette::WindowText, kMaroon);
        np.setColor(QPalette::Window, np.color(QPalette::ToolTipBase));
        FirstRunNotice->setPalette(np);
    }
    FirstRunNotice->setAccessibleName(kFirstRunNotice);
    FirstRunNotice->hide();

    StatusBar1 = new TStatusBar(m_client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setToolTip(kStatusBarHint);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (Timer1CicleHandler)
            Timer1CicleHandler();
    });
}

void TMainForm::createMenu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    MainMenu1->setNativeMenuBar(false);
    auto *menuStyle = new DefaultItemStyle();
    menuStyle->setParent(MainMenu1);
    MainMenu1->setStyle(menuStyle);

    miFile = MainMenu1->addMenu(kMenuFile);
    miFile->setObjectName(QStringLiteral("miFile"));
    miFileOpen = miFile->addAction(kMenuFileOpen);
    miFileSave = miFile->addAction(kMenuFileSave);
    miFile->menuAction()->setVisible(false);
    connect(miFileSave, &QAction::triggered, this,
            [this] { ui::guarded([this] { miFileSaveClick(); }, this); });

    miOptions = MainMenu1->addAction(kMenuOptions);
    miOptions->setObjectName(QStringLiteral("miOptions"));
    connect(miOptions, &QAction::triggered, this,
            [this] { ui::guarded([this] { miOptionsClick(); }, this); });

    miData = MainMenu1->addAction(kMenuData);
    miData->setObjectName(QStringLiteral("miData"));
    connect(miData, &QAction::triggered, this,
            [this] { ui::guarded([this] { miDataClick(); }, this); });

    miArchiv = MainMenu1->addAction(kMenuArchiv);
    miArchiv->setObjectName(QStringLiteral("miArchiv"));
    connect(miArchiv, &QAction::triggered, this,
            [this] { ui::guarded([this] { miArchivClick(); }, this); });

    miHelp = MainMenu1->addMenu(kMenuHelp);
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miHint1 = miHelp->addAction(kMenuHint1);
    miHint2 = miHelp->addAction(kMenuHint2);
    miHint3 = miHelp->addAction(kMenuHint3);
    for (QAction *item : {miHint1, miHint2, miHint3}) {
        item->setCheckable(true);
        item->setChecked(true);
    }
    // The item toggles its own check mark before its handler runs.
    connect(miHint1, &QAction::triggered, this,
            [this] { ui::guarded([this] { miHint1Click(); }, this); });
    connect(miHint2, &QAction::triggered, this,
            [this] { ui::guarded([this] { miHint2Click(); }, this); });
    connect(miHint3, &QAction::triggered, this,
            [this] { ui::guarded([this] { miHint3Click(); }, this); });
    miHelp->addSeparator();
    N13 = miHelp->addAction(kMenuAbout);
    connect(N13, &QAction::triggered, this, [this] { ui::guarded([this] { N13Click(); }, this); });

    miExit = MainMenu1->addAction(kMenuExit);
    miExit->setObjectName(QStringLiteral("miExit"));
    connect(miExit, &QAction::triggered, this,
            [this] { ui::guarded([this] { miExitClick(); }, this); });
}

// The client area is the window below the menu bar. It is computed from the
// window's size rather than read from the client widget, so it is right at
// once after a resize of a hidden window too (whose resize event comes later).
QSize TMainForm::clientSize() const {
    return {width(), std::max(0, height() - MainMenu1->sizeHint().height())};
}

void TMainForm::placeChrome() {
    const QSize client = clientSize();
    const int menuHeight = height() - client.height();
    MainMenu1->setGeometry(0, 0, width(), menuHeight);
    m_client->setGeometry(0, menuHeight, client.width(), client.height());
    const int cw = client.width();
    const int ch = client.height();
    ToolPanel->setGeometry(0, 0, cw, kToolBarHeight);
    // Each frame keeps its right edge; where the installed font is wider than
    // the design font, the frame grows to the left so its caption stays whole.
    auto placeFrame = [cw](QWidget *frame, int rightOffset, int designWidth) {
        const int width = std::max(designWidth, frame->sizeHint().width());
        frame->setGeometry(cw - rightOffset + designWidth - width, 4, width, 25);
    };
    placeFrame(L2ProcCheckBox1->parentWidget(), kL2ProcRightOffset,
               kL2ProcRightOffset - kSoundRightOffset);
    placeFrame(SoundCheckBox1->parentWidget(), kSoundRightOffset, kSoundRightOffset - 2);
    StatusBar1->setGeometry(0, ch - kStatusBarHeight, cw, kStatusBarHeight);
    StatusBar1->raise();
}

void TMainForm::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeChrome();
    ui::guarded([this] { FormResize(); }, this);
    takeFrameIntoSize();
}

void TMainForm::FormResize() {
    LayoutGrid();
}

// ---------------------------------------------------------------------------
// Start-up

void TMainForm::FormCreate() {
    // 1.
    Polling = false;
    AutoRefreshViews = true;
    GridBuilt = false;
    updateStartButton();
    bool loaded = false;
    bool corrected = false;
    const bool completed = ui::guarded(
        [&] {
            // 2. Every hint of the application goes through AppShowHint.
            m_hintHook.install();
            // 3.
            config::IniFileLoad(Settings, *this);
            loaded = true;
            // 4.
            locateDatabase();
            if (!m_viewing) // a viewing workstation writes nothing
                Register.startUpHandOver();
            // 5.
            L2ProcCheckBox1->setChecked(Settings.L2ProcOn);
            SoundCheckBox1->setChecked(Settings.Sound_ON);
            // 6.
            config::applyLoadCorrections(Settings);
            corrected = true;
            // 7.
            StatusBar1->setPanelText(0, startupPortText(Settings.ComPortNo, Settings.Speed));
            StatusBar1->setPanelText(1, periodText(Settings.PeriodMs));
            // 8.
            miHint1->setChecked(hintSwitch(this));
            // 9.
            if (m_viewing) {
                showViewedStation();
            } else if (Settings.ComPortNo != 0) {
                handOverConfiguredPort();
                ProgressBar1->setVisible(Settings.ScanShow);
                BuildGrid();
                miHint2->setChecked(Settings.ShowHint2);
                miHint3->setChecked(Settings.ShowHint3);
                Register.CheckDuplicateAddresses();
            } else {
                enterFirstRunState();
            }
            // 10.
            openTablesAndCounters();
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

void TMainForm::handOverConfiguredPort() {
    // START opens the configured port at the configured speed. The options
    // dialog, made next, hands over the name it lists for the port; when its
    // making ends before that (the port list cannot be read), the serial
    // component would otherwise keep its own defaults.
    BComPort1.SetPort(QStringLiteral("COM%1").arg(Settings.ComPortNo));
    BComPort1.SetBaudRate(serial::TBaudRate(polling::SpeedToBaudRate(Settings.Speed)));
}

void TMainForm::locateDatabase() {
    const QString alias = QString::fromLatin1(store::kAliasName);
    for (store::Table *t : {&UnitsTable, &SensorTable, &SignalTable, &ArcTable, &PlotTable1})
        t->setDatabaseName(alias);
    UnitsTable.setTableName(QStringLiteral("Units.DB"));
    UnitsTable.setIndexFieldNames(store::fields::UnitIdx);
    SensorTable.setTableName(QStringLiteral("Sensors.DB"));
    SensorTable.setIndexFieldNames(store::fields::UnitIdx + QLatin1Char(';') +
                                   store::fields::SensorNo);
    SensorTable.setMasterSource(&UnitsTable, store::fields::UnitIdx, store::fields::UnitIdx);
    SignalTable.setTableName(QStringLiteral("Signals.DB"));
    ArcTable.setTableName(QStringLiteral("Arc.DB"));
    ArcTable.setIndexName(store::indexes::ArcNewestFirst);
    PlotTable1.setTableName(QStringLiteral("Plot.db"));
    PlotTable1.setIndexFieldNames(store::fields::MeasIdx);
    try {
        UnitsTable.open();
    } catch (const store::AliasNotDefinedError &) {
        // Only an undefined alias falls back to the DataBaseDir setting; a
        // database under a defined alias that fails is reported.
        UnitsTable.setDatabaseName(Settings.DataBaseDir);
    }
    const QString name = UnitsTable.databaseName();
    for (store::Table *t : {&SensorTable, &SignalTable, &ArcTable, &PlotTable1})
        t->setDatabaseName(name);
    UnitsTable.open();
}

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

void TMainForm::openTablesAndCounters() {
    SignalTable.open();
    ArcTable.open();
    PlotTable1.open();
    SensorTable.open();
    StatusBar1->setPanelText(2, signalsCountText(SignalTable.recordCount()));
    StatusBar1->setPanelText(3, arcCountText(ArcTable.recordCount()));
}

void TMainForm::setOptionsDefault(bool isDefault) {
    MainMenu1->setProperty(kDefaultItemProperty, isDefault ? miOptions->text() : QString());
    // The bar measures its items anew on a style change.
    QEvent restyle(QEvent::StyleChange);
    QCoreApplication::sendEvent(MainMenu1, &restyle);
}

bool TMainForm::optionsIsDefault() const {
    return MainMenu1->property(kDefaultItemProperty).toString() == miOptions->text();
}

void TMainForm::updateStartButton() {
    // While polling runs the button is STOP and must stay usable; otherwise
    // START needs a built grid, or polling would index missing panels.
    ScanBitBtn->setEnabled(Polling || GridBuilt);
}

// ---------------------------------------------------------------------------
// Commands

void TMainForm::miOptionsClick() {
    // 1.
    if (peers.closeDataView)
        peers.closeDataView();
    if (peers.closeArchiveView)
        peers.closeArchiveView();
    if (peers.closePlotWindow)
        peers.closePlotWindow();
    // 2.
    BuiltUnits = Settings.UnitsAmount;
    BuiltChannels = Settings.ChannalsMaxAmount;
    const config::TSettings before = Settings;
    // 3.
    do {
        if (peers.showOptionsDialog)
            peers.showOptionsDialog();
    } while (Register.CheckDuplicateAddresses());
    // 4. Without a port nothing is rebuilt; the counts and the period the
    // dialog changed go back to what the grid was built with, so the grid,
    // the poll cycle and the recorder never disagree about them.
    if (!peers.optionsPortChosen || !peers.optionsPortChosen()) {
        Settings.UnitsAmount = before.UnitsAmount;
        Settings.ChannalsMaxAmount = before.ChannalsMaxAmount;
        Settings.PeriodMs = before.PeriodMs;
        Settings.ComPortNo = before.ComPortNo;
        if (Settings.CurUnit > Settings.UnitsAmount)
            Settings.CurUnit = 1;
        return;
    }
    // 5.
    FreeGrid();
    // 6.
    if (m_geometry.RowHeight > m_geometry.ColWidth) {
        m_geometry.RowHeight = m_geometry.ColWidth;
        const int nonClient = mainHeight() - clientSize().height();
        setMainHeight(kStatusBarHeight + kToolBarHeight + kHeaderHeight + kRowGap + 4 + nonClient +
                      Settings.UnitsAmount * m_geometry.RowHeight);
    }
    // 7.
    ProgressBar1->setVisible(Settings.ScanShow);
    // 8.
    BuildGrid();
    // 9.
    StatusBar1->setPanelText(0, portStateText(BComPort1.Port(), Settings.Speed, false));
    StatusBar1->setPanelText(1, periodText(Settings.PeriodMs));
    // 10.
    BuiltUnits = Settings.UnitsAmount;
    BuiltChannels = Settings.ChannalsMaxAmount;
    // 11.
    miData->setEnabled(true);
    miArchiv->setEnabled(true);
    miHelp->menuAction()->setEnabled(true);
    setOptionsDefault(false);
    updateStartButton();
    ScanBitBtn->setFocus();
    // 12.
    config::IniFileSave(Settings, *this);
}

void TMainForm::miDataClick() {
    if (peers.showDataView)
        peers.showDataView(dataViewCaption(Settings.CurrKeepTime));
}

void TMainForm::miArchivClick() {
    if (peers.showArchiveView)
        peers.showArchiveView();
}

void TMainForm::N13Click() {
    if (peers.showAbout)
        peers.showAbout();
}

void TMainForm::miExitClick() {
    close();
}

void TMainForm::miFileSaveClick() {
    // The chosen folder is not used.
    if (peers.chooseFolder)
        peers.chooseFolder();
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
    // 1. No tick may run once the tables start closing.
    Timer1->stop();
    // 2. Every close is attempted; the failures are reported together.
    QStringList failures;
    auto attempt = [&failures](const std::function<void()> &step) {
        try {
            if (step)
                step();
        } catch (const std::exception &e) {
            failures << ui::exceptionText(e);
        } catch (...) {
            failures << QStringLiteral("Неизвестная ошибка");
        }
    };
    attempt([this] { PlotTable1.close(); });
    attempt(peers.closeArchiveTable);
    attempt(peers.closeCurrentTable);
    attempt([this] { ArcTable.close(); });
    attempt([this] { SignalTable.close(); });
    attempt([this] { SensorTable.close(); });
    attempt([this] { UnitsTable.close(); });
    attempt([this] { BComPort1.ClosePort(); });
    if (!failures.isEmpty())
        ui::showError(failures.join(QStringLiteral("\r")), this);
    // 3. The operator's settings are saved even when a close failed.
    ui::guarded([this] { config::IniFileSave(Settings, *this); }, this);
    // 4.
    FreeGrid();
    emit closed();
}

} // namespace orvex::mainwindow
