// The main window's controls: the status bar, the menu with its default item,
// the tool bar with the start/stop button and the two display switches, the
// progress bar, the first-run notice and the poll timer; and their places
// around the grid.
#include "mainwindow/MainOrvex01.h"

#include "mainwindow/HintText.h"
#include "mainwindow/Texts.h"
#include "ui/ErrorHandler.h"

#include <QAction>
#include <QCheckBox>
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
// Controls

void TMainForm::createControls() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setAutoFillBackground(true);
    QPalette pal = m_client->palette();
    pal.setColor(QPalette::Window, kFormColor);
    m_client->setPalette(pal);

    createMenu();
    createToolBar();
    createProgressAndNotice();

    StatusBar1 = new TStatusBar(m_client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setToolTip(kStatusBarHint);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
}

void TMainForm::createToolBar() {
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
    connect(ScanBitBtn, &QPushButton::clicked, this, &TMainForm::startStopClicked);

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
}

void TMainForm::createProgressAndNotice() {
    QFont bold = font();
    bold.setBold(true);
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
    miFileOpen->setObjectName(QStringLiteral("miFileOpen"));
    miFileSave = miFile->addAction(kMenuFileSave);
    miFileSave->setObjectName(QStringLiteral("miFileSave"));
    miFile->menuAction()->setVisible(false);
    connect(miFileSave, &QAction::triggered, this,
            [this] { ui::guarded([this] { miFileSaveClick(); }, this); });

    miOptions = MainMenu1->addAction(kMenuOptions);
    miOptions->setObjectName(QStringLiteral("miOptions"));
    // The options run is over when its command returns, whether it failed
    // or not.
    connect(miOptions, &QAction::triggered, this, [this] {
        ui::guarded([this] { miOptionsClick(); }, this);
        emit optionsRunFinished();
    });

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
    miHint1->setObjectName(QStringLiteral("miHint1"));
    miHint2->setObjectName(QStringLiteral("miHint2"));
    miHint3->setObjectName(QStringLiteral("miHint3"));
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
    N13->setObjectName(QStringLiteral("N13"));
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
// The menu's default item

void TMainForm::setOptionsDefault(bool isDefault) {
    MainMenu1->setProperty(kDefaultItemProperty, isDefault ? miOptions->text() : QString());
    // The bar measures its items anew on a style change.
    QEvent restyle(QEvent::StyleChange);
    QCoreApplication::sendEvent(MainMenu1, &restyle);
}

bool TMainForm::optionsIsDefault() const {
    return MainMenu1->property(kDefaultItemProperty).toString() == miOptions->text();
}

void TMainForm::addViewMenuItem(QAction *item) {
    MainMenu1->insertAction(miHelp->menuAction(), item);
    item->setEnabled(miData->isEnabled());
    connect(miData, &QAction::changed, item,
            [this, item] { item->setEnabled(miData->isEnabled()); });
}

} // namespace orvex::mainwindow
