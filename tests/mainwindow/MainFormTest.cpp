// The main window on a real database in a temporary program folder, offscreen:
// the first-run state and the configured start, the grid geometry on the
// window, unit captions and hints after decodes, the display switches, cell
// clicks, the options run (with and without a port) and closing. The pure
// geometry and text rules are covered by GridGeometryTest and HintTextTest.
#include "MainFormFixture.h"

#include "mainwindow/HintText.h"
#include "mainwindow/Texts.h"
#include "polling/NumberFormat.h"
#include "tests/support/Deadline.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace orvex;
using namespace orvex::mainwindow;
using orvex::test::goodReply;
using orvex::test::MainFormTest;
using orvex::test::RecordedWindows;
using namespace orvex::test;

namespace {

const QString kTildes28 = QString(28, QLatin1Char('~'));

} // namespace

TEST_F(MainFormTest, FirstStartWithoutSettingsFileOpensInTheFirstRunState) {
    TMainForm &f = create();
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QStringLiteral("|")).toStdString();
    EXPECT_EQ(f.pos(), QPoint(0, 0));
    EXPECT_EQ(f.width(), 800);
    EXPECT_EQ(f.height(), 200);
    EXPECT_EQ(f.windowTitle(), texts::kMainCaption);
    EXPECT_EQ(StatusBar1(f)->panelText(0), texts::kPortNotAssigned);
    EXPECT_EQ(StatusBar1(f)->panelText(1), periodText(10000));
    EXPECT_EQ(StatusBar1(f)->panelText(2), QStringLiteral("Текущих записей: 0"));
    EXPECT_EQ(StatusBar1(f)->panelText(3), QStringLiteral("Записей в архиве: 0"));
    EXPECT_EQ(StatusBar1(f)->panelText(4), QString());
    EXPECT_EQ(StatusBar1(f)->panel(0)->accessibleName(), texts::kPortNotAssigned);
    EXPECT_FALSE(miData(f)->isEnabled());
    EXPECT_FALSE(miArchiv(f)->isEnabled());
    EXPECT_FALSE(miHelp(f)->menuAction()->isEnabled());
    EXPECT_TRUE(miOptions(f)->isEnabled());
    EXPECT_TRUE(miExit(f)->isEnabled());
    EXPECT_TRUE(f.optionsIsDefault());
    EXPECT_FALSE(ScanBitBtn(f)->isEnabled());
    EXPECT_FALSE(miFile(f)->menuAction()->isVisible());
    ASSERT_NE(FirstRunNotice(f), nullptr);
    EXPECT_FALSE(FirstRunNotice(f)->isHidden());
    EXPECT_EQ(FirstRunNotice(f)->geometry(), QRect(138, 60, 508, 26));
    EXPECT_FALSE(f.gridBuilt());
    EXPECT_TRUE(ProgressBar1(f)->isHidden());
    EXPECT_EQ(ScanBitBtn(f)->text(), QStringLiteral("СТАРТ"));
    EXPECT_EQ(ScanBitBtn(f)->toolTip(), QStringLiteral("Начать опрос пультов"));
    EXPECT_EQ(Timer1(f)->timerType(), Qt::PreciseTimer);
}

TEST_F(MainFormTest, ConfiguredStartBuildsTheGridAndShowsPortAndCounters) {
    writeSettings([](config::TSettings &s, RecordedWindows &) {
        s.Speed = QStringLiteral(" 9600 (002)");
        s.PeriodMs = 30000;
    });
    appendRows(QStringLiteral("Signals.DB"), 7);
    appendRows(QStringLiteral("Arc.DB"), 3);
    TMainForm &f = create();
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QStringLiteral("|")).toStdString();
    ASSERT_TRUE(f.gridBuilt());
    EXPECT_EQ(StatusBar1(f)->panelText(0),
              portStateText(QStringLiteral("COM1"), QStringLiteral(" 9600 (002)"), false));
    EXPECT_EQ(StatusBar1(f)->panelText(1), periodText(30000));
    EXPECT_EQ(StatusBar1(f)->panelText(2), QStringLiteral("Текущих записей: 7"));
    EXPECT_EQ(StatusBar1(f)->panelText(3), QStringLiteral("Записей в архиве: 3"));
    EXPECT_TRUE(ScanBitBtn(f)->isEnabled());
    EXPECT_TRUE(miData(f)->isEnabled());
    EXPECT_FALSE(f.optionsIsDefault());
    EXPECT_EQ(FirstRunNotice(f), nullptr);
    EXPECT_FALSE(ProgressBar1(f)->isHidden());
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(ChannelHeaders(f, n)->caption(), QStringLiteral("Канал %1").arg(n));
    for (int u = 1; u <= 4; ++u) {
        EXPECT_EQ(UnitPanels(f, u)->caption(), QStringLiteral("Пульт №%1").arg(u));
        EXPECT_EQ(UnitPanels(f, u)->hint(), QStringLiteral(" Пульт №%1 ").arg(u));
        EXPECT_EQ(f.station().settings().UnitAddr[u], u);
        for (int n = 1; n <= 8; ++n) {
            TSensPanel *cell = SensPanels(f, n, u);
            ASSERT_NE(cell, nullptr);
            EXPECT_FALSE(cell->isHidden());
            EXPECT_EQ(cell->hint(), QStringLiteral(" Канал № %1-%2\r Датчик %1-%2 ").arg(u).arg(n));
            EXPECT_EQ(cell->resolvedColor(), QColor(192, 220, 192));
            EXPECT_EQ(cell->spUnitNo, u);
            EXPECT_EQ(cell->spChannelNo, n);
            // Named for a screen reader before its first reading too.
            EXPECT_EQ(cell->accessibleName(), QStringLiteral("Канал № %1-%2").arg(u).arg(n));
        }
    }
    EXPECT_EQ(UnitPanels(f, 5), nullptr);
    EXPECT_EQ(ProgressBar1(f)->accessibleName(),
              QStringLiteral("Время до опроса следующего пульта"));
}

TEST_F(MainFormTest, GridIsBuiltForTheClientAreaAndLaidOutSquareWhenShown) {
    const int height = windowHeightFor(500);
    writeSettings([height](config::TSettings &, RecordedWindows &w) {
        w.width = 792;
        w.height = height;
    });
    TMainForm &f = create();
    ASSERT_TRUE(f.gridBuilt());
    EXPECT_EQ(f.clientSize(), QSize(792, 500));
    EXPECT_EQ(f.RowHeight(), 104);
    EXPECT_EQ(f.ColWidth(), 73);
    EXPECT_EQ(UnitPanels(f, 1)->geometry(), QRect(5, 56, 198, 105));
    EXPECT_EQ(SensPanels(f, 1, 1)->geometry(), QRect(204, 56, 74, 105));
    EXPECT_EQ(ChannelHeaders(f, 1)->geometry(), QRect(204, 35, 74, 20));
    EXPECT_EQ(ProgressBar1(f)->geometry(), QRect(6, 42, 195, 7));

    f.show();
    holdsWithin([&] { return f.clientSize().height() == 25 + 33 + 20 + 1 + 4 + 4 * 73; });
    EXPECT_EQ(f.clientSize().height(), 25 + 33 + 20 + 1 + 4 + 4 * 73);
    EXPECT_EQ(f.RowHeight(), 73);
    // The file's width is the whole window's: once shown, the frame takes its
    // share and the grid is centred in what is left.
    const int frame = f.frameGeometry().width() - f.width();
    EXPECT_EQ(f.clientSize().width(), 792 - frame);
    EXPECT_EQ(UnitPanels(f, 1)->geometry(), QRect(4 - frame / 2, 56, 198, 74));
    EXPECT_EQ(SensPanels(f, 1, 1)->geometry(), QRect(4 - frame / 2 + 198, 56, 74, 74));
    EXPECT_EQ(SensPanels(f, 1, 1)->pointSize(), 9); // no reading: 74 div 8
}

TEST_F(MainFormTest, NarrowWindowIsWidenedWhenTheGridIsLaidOut) {
    writeSettings([](config::TSettings &, RecordedWindows &w) { w.width = 600; });
    TMainForm &f = create();
    f.show();
    holdsWithin([&] { return f.clientSize().width() == 788; });
    EXPECT_EQ(f.clientSize().width(), 788);
    EXPECT_EQ(f.ColWidth(), 73);
}

TEST_F(MainFormTest, UnitCaptionAndHintFollowDecodesAndTheUnitPanelClick) {
    test::ScopedLocale ru(test::russianLocale());
    writeSettings([](config::TSettings &, RecordedWindows &) {});
    TMainForm &f = create();
    f.show();
    ASSERT_TRUE(f.gridBuilt());
    // Methane, warning 25 (0,25), trip 50 (0,5); channel 1 reads 30 -> 0,30, 60 %.
    f.decodeUnitReply(1, goodReply(1, {30, 10, 253, 254, 255, 50, 0, 0}, 0, 25, 50, 0x7F));
    TUnitPanel *p = UnitPanels(f, 1);
    EXPECT_EQ(p->caption(), QStringLiteral("Пульт №1: метан, % объема"));
    EXPECT_EQ(p->hint(), QStringLiteral(" Пульт №1 \r метан, % объема\r") + kTildes28 +
                             QStringLiteral("\r  Порог срабатывания = 0,50% объема \r  Порог "
                                            "предупреждения = 0,25% объема "));
    TSensPanel *c1 = SensPanels(f, 1, 1);
    EXPECT_EQ(c1->caption(), QStringLiteral("0,30"));
    EXPECT_EQ(c1->resolvedColor(), QColor(255, 255, 0));
    EXPECT_EQ(SensPanels(f, 8, 1)->caption(), QStringLiteral("нерабочий"));

    // First click: percent mode at once, with the unit's caption.
    QTest::mouseClick(p, Qt::LeftButton);
    EXPECT_TRUE(f.station().settings().L2ProcOn);
    EXPECT_TRUE(L2ProcCheckBox1(f)->isChecked());
    EXPECT_EQ(L2ProcCheckBox1(f)->toolTip(), l2ProcHint(true));
    EXPECT_EQ(c1->caption(), QStringLiteral("60%"));
    EXPECT_EQ(p->caption(), QStringLiteral("Пульт №1: метан, % ПС"));
    EXPECT_TRUE(p->hint().startsWith(
        QStringLiteral(" Пульт №1 \r метан, % от порога срабатывания (ПС)\r")));
    EXPECT_TRUE(p->hint().contains(QStringLiteral("Порог срабатывания = 0,50% объема ")));
    EXPECT_EQ(SensPanels(f, 3, 1)->caption(), QStringLiteral("прогрев")); // no reading: kept
    EXPECT_EQ(UnitPanels(f, 2)->caption(), QStringLiteral("Пульт №2"));   // no data yet

    // Second click: back to values, with one decimal until the next decode.
    QTest::mouseClick(UnitPanels(f, 3), Qt::LeftButton);
    EXPECT_FALSE(f.station().settings().L2ProcOn);
    EXPECT_EQ(c1->caption(), QStringLiteral("0,3"));
    EXPECT_EQ(SensPanels(f, 6, 1)->caption(), QStringLiteral("0,5"));
    EXPECT_EQ(p->caption(), QStringLiteral("Пульт №1: метан, % объема"));
    f.decodeUnitReply(1, goodReply(1, {30, 10, 253, 254, 255, 50, 0, 0}, 0, 25, 50, 0x7F));
    EXPECT_EQ(c1->caption(), QStringLiteral("0,30"));

    // No reply: caption without gas, hint with the error text; cells keep spValid.
    f.showUnitReplyError(1, polling::ReplyOutcome{polling::ReplyKind::NoReply, 0, 0});
    EXPECT_EQ(p->caption(), QStringLiteral("Пульт №1"));
    EXPECT_EQ(p->hint(), QStringLiteral(" Пульт №1 \r") +
                             polling::ReplyErrorText({polling::ReplyKind::NoReply, 0, 0}));
    EXPECT_TRUE(c1->spValid);
    EXPECT_EQ(c1->resolvedColor(), c1->palette().color(QPalette::Button));
}

TEST_F(MainFormTest, ExplosiveGasAndCommentsInUnitHints) {
    test::ScopedLocale ru(test::russianLocale());
    writeSettings([](config::TSettings &s, RecordedWindows &) { s.ShowHint3 = true; });
    {
        // A comment with markup characters for unit 2, typed in the register.
        store::Table units;
        openUnits(units);
        ASSERT_TRUE(units.findKey({2}));
        units.edit();
        units.setValue(QStringLiteral("Unit_NAME"), QStringLiteral("Склад"));
        units.setValue(QStringLiteral("Unit_Description"), QStringLiteral("у ворот <b>"));
        units.post();
    }
    TMainForm &f = create();
    ASSERT_TRUE(f.gridBuilt());
    EXPECT_EQ(UnitPanels(f, 2)->hint(),
              QStringLiteral(" Склад \r") + kTildes28 + QStringLiteral("\r у ворот <b> "));
    f.decodeUnitReply(2, goodReply(2, {5, 0, 0, 0, 0, 0, 0, 0}, 1, 50, 100));
    EXPECT_EQ(UnitPanels(f, 2)->caption(), QStringLiteral("Пульт №2: ВОГ, % НКПР"));
    EXPECT_EQ(UnitPanels(f, 2)->hint(),
              QStringLiteral(" Склад \r взр.оп.газ (ВОГ), % НКПР\r") + kTildes28 +
                  QStringLiteral("\r  Порог срабатывания = 20% НКПР \r  Порог предупреждения = "
                                 "10% НКПР \r") +
                  kTildes28 + QStringLiteral("\r у ворот <b> "));

    // Comments off: unit hints lose them at once.
    miHint3(f)->trigger();
    EXPECT_FALSE(f.station().settings().ShowHint3);
    EXPECT_FALSE(UnitPanels(f, 2)->hint().contains(QStringLiteral("ворот")));
    EXPECT_TRUE(UnitPanels(f, 2)->caption().contains(QStringLiteral("ВОГ")));
}

TEST_F(MainFormTest, UnitWithoutItsRegisterRowIsReportedAndKeepsItsHint) {
    writeSettings([](config::TSettings &, RecordedWindows &) {});
    TMainForm &f = create();
    ASSERT_TRUE(f.gridBuilt());
    const QString before = UnitPanels(f, 3)->hint();
    ASSERT_TRUE(f.station().unitsTable().findKey({3}));
    f.station().unitsTable().deleteRecord();
    UnitPanels(f, 3)->upErrorText = QStringLiteral("ошибка");
    messages.clear();
    miHint3(f)->trigger(); // the unit headers are refreshed
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("(UL3) UnitsTable: Запись не найдена")});
    EXPECT_EQ(UnitPanels(f, 3)->caption(), QStringLiteral("Пульт №3"));
    EXPECT_EQ(UnitPanels(f, 3)->hint(), before);
}

TEST_F(MainFormTest, CellClickHandsItsValuesAndOpensThePlotOnlyForADecodedGas) {
    writeSettings([](config::TSettings &, RecordedWindows &) {});
    TMainForm &f = create();
    f.show();
    int plots = 0;
    float trip = -1;
    int handOvers = 0;
    peers.on.handOverPlot = [&](int, int, const QString &, const QString &, float t) {
        ++handOvers;
        trip = t;
    };
    peers.on.showPlot = [&] { ++plots; };
    f.decodeUnitReply(2, goodReply(2, {120, 0, 0, 0, 0, 0, 0, 0}, 3, 10, 20, 0x01));
    QTest::mouseClick(SensPanels(f, 1, 2), Qt::LeftButton);
    EXPECT_EQ(plots, 1);
    EXPECT_FLOAT_EQ(trip, 40);
    EXPECT_EQ(f.plotHandOver().unitNo, 2);
    EXPECT_EQ(f.plotHandOver().channelNo, 1);
    EXPECT_EQ(f.plotHandOver().gasName.text(), QStringLiteral("аммиак"));
    EXPECT_EQ(f.plotHandOver().unitLabel.text(), QStringLiteral(" мг/куб.м"));

    // A channel not in use hands its values but opens nothing.
    QTest::mouseClick(SensPanels(f, 4, 2), Qt::LeftButton);
    EXPECT_EQ(plots, 1);
    EXPECT_EQ(f.plotHandOver().channelNo, 4);
    EXPECT_EQ(f.plotHandOver().gasName.text(), QStringLiteral("нет датчика"));
    // A cell never decoded: empty gas.
    QTest::mouseClick(SensPanels(f, 5, 3), Qt::LeftButton);
    EXPECT_EQ(plots, 1);
    EXPECT_EQ(handOvers, 3);
    EXPECT_EQ(f.plotHandOver().unitNo, 3);
    EXPECT_EQ(f.plotHandOver().gasName.text(), QString());
}

TEST_F(MainFormTest, HintSwitchesOfTheHelpMenu) {
    writeSettings([](config::TSettings &, RecordedWindows &) {});
    TMainForm &f = create();
    bool windowsHints = true;
    peers.on.setWindowHints = [&](bool on) { windowsHints = on; };
    EXPECT_TRUE(miHint1(f)->isChecked());
    EXPECT_TRUE(miHint2(f)->isChecked());
    EXPECT_FALSE(miHint3(f)->isChecked());

    miHint1(f)->trigger();
    EXPECT_FALSE(hintSwitch(ScanBitBtn(f)));
    EXPECT_FALSE(f.mainShowHint());
    EXPECT_FALSE(windowsHints);
    EXPECT_TRUE(hintSwitch(SensPanels(f, 1, 1))); // grid panels have their own switch

    miHint1(f)->trigger();
    miHint2(f)->trigger();
    EXPECT_FALSE(f.station().settings().ShowHint2);
    EXPECT_TRUE(hintSwitch(ScanBitBtn(f)));
    EXPECT_FALSE(hintSwitch(UnitPanels(f, 4)));
    EXPECT_FALSE(hintSwitch(SensPanels(f, 8, 4)));
}

TEST_F(MainFormTest, ToolBarSwitchesSetSettingsAndHints) {
    writeSettings([](config::TSettings &s, RecordedWindows &) {
        s.L2ProcOn = true;
        s.Sound_ON = true;
    });
    TMainForm &f = create();
    EXPECT_TRUE(L2ProcCheckBox1(f)->isChecked());
    EXPECT_EQ(L2ProcCheckBox1(f)->toolTip(), l2ProcHint(true));
    EXPECT_TRUE(SoundCheckBox1(f)->isChecked());
    EXPECT_EQ(SoundCheckBox1(f)->toolTip(), QStringLiteral("Выключить звуковую сигнализацию"));
    SoundCheckBox1(f)->click();
    EXPECT_FALSE(f.station().settings().Sound_ON);
    EXPECT_EQ(SoundCheckBox1(f)->toolTip(), QStringLiteral("Включить звуковую сигнализацию"));
    L2ProcCheckBox1(f)->click();
    EXPECT_FALSE(f.station().settings().L2ProcOn);
}

TEST_F(MainFormTest, OptionsRunWithAPortRebuildsTheGridEnablesStartAndSaves) {
    TMainForm &f = create(); // first run
    int closes = 0;
    peers.on.closeDataView = peers.on.closeArchiveView =
        peers.on.closePlotWindow = [&] { ++closes; };
    peers.on.showOptionsDialog = [&f] {
        f.station().settings().UnitsAmount = 3;
        f.station().settings().ChannalsMaxAmount = 5;
        f.station().settings().ComPortNo = 3;
        f.station().settings().Speed = QStringLiteral(" 9600 (002)");
        f.station().port().SetPort(QStringLiteral("COM3"));
    };
    peers.on.optionsPortChosen = [] { return true; };
    miOptions(f)->trigger();
    EXPECT_EQ(closes, 3);
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QStringLiteral("|")).toStdString();
    ASSERT_TRUE(f.gridBuilt());
    EXPECT_EQ(f.builtUnits(), 3);
    EXPECT_EQ(f.builtChannels(), 5);
    EXPECT_NE(SensPanels(f, 5, 3), nullptr);
    EXPECT_EQ(SensPanels(f, 6, 3), nullptr);
    EXPECT_EQ(FirstRunNotice(f), nullptr);
    // Two blanks before 9600: one of the text, one of the speed.
    EXPECT_EQ(StatusBar1(f)->panelText(0),
              texts::kPortPrefix + QStringLiteral("COM3  9600 (002)") + texts::kPortClosedTail);
    EXPECT_TRUE(ScanBitBtn(f)->isEnabled());
    EXPECT_TRUE(miData(f)->isEnabled());
    EXPECT_TRUE(miHelp(f)->menuAction()->isEnabled());
    EXPECT_FALSE(f.optionsIsDefault());
    ASSERT_TRUE(QFileInfo::exists(settingsFilePath()));
    config::TSettings saved;
    RecordedWindows w;
    config::IniFileLoad(saved, w);
    EXPECT_EQ(saved.ComPortNo, 3);
    EXPECT_EQ(saved.UnitsAmount, 3);
}

TEST_F(MainFormTest, OptionsRunWithoutAPortKeepsGridStatusFileAndCounts) {
    writeSettings([](config::TSettings &, RecordedWindows &) {});
    const QByteArray fileBefore = [] {
        QFile file(settingsFilePath());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    TMainForm &f = create();
    const QString panel0 = StatusBar1(f)->panelText(0);
    TUnitPanel *unit1 = UnitPanels(f, 1);
    peers.on.showOptionsDialog = [&f] {
        f.station().settings().UnitsAmount = 7;
        f.station().settings().ChannalsMaxAmount = 2;
        f.station().settings().PeriodMs = 60000;
        f.station().settings().ComPortNo = 0;
    };
    peers.on.optionsPortChosen = [] { return false; };
    miOptions(f)->trigger();
    EXPECT_EQ(UnitPanels(f, 1), unit1);
    EXPECT_EQ(StatusBar1(f)->panelText(0), panel0);
    EXPECT_EQ(f.station().settings().UnitsAmount, 4);
    EXPECT_EQ(f.station().settings().ChannalsMaxAmount, 8);
    EXPECT_EQ(f.station().settings().PeriodMs, 10000);
    EXPECT_EQ(f.station().settings().ComPortNo, 1);
    QFile file(settingsFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), fileBefore);
}

TEST_F(MainFormTest, DataCommandSetsTheViewCaptionFromTheKeepTime) {
    writeSettings([](config::TSettings &s, RecordedWindows &) { s.CurrKeepTime = 24; });
    TMainForm &f = create();
    QString caption;
    peers.on.showDataView = [&](const QString &c) { caption = c; };
    miData(f)->trigger();
    EXPECT_EQ(caption.toUtf8(), texts::kDataCaptionPrefix.toUtf8() + "24 \xd1\x87)");
}

TEST_F(MainFormTest, StartUpErrorIsShownAndLeavesStartDisabled) {
    writeSettings([](config::TSettings &, RecordedWindows &) {});
    // The alias names a folder without tables: reported, never replaced.
    QDir(folder.file(QStringLiteral("Database"))).removeRecursively();
    QDir().mkpath(folder.file(QStringLiteral("Database")));
    TMainForm &f = create();
    EXPECT_EQ(messages.count(), 1);
    EXPECT_FALSE(f.gridBuilt());
    EXPECT_FALSE(ScanBitBtn(f)->isEnabled());
}

// The table step fails after the settings file was read: the settings still
// get the corrections the later steps would have made, so nothing the
// operator configured reads differently afterwards (the file keeps a
// four-digit speed without its leading blank).
TEST_F(MainFormTest, StartUpErrorInATableStepStillCorrectsTheSettingsRead) {
    writeSettings([](config::TSettings &s, RecordedWindows &) {
        s.Speed = QStringLiteral(" 9600 (002)");
        s.CurrKeepTime = 500;
        s.ArcLevel = 7;
        s.CurUnit = 9;
    });
    QDir(folder.file(QStringLiteral("Database"))).removeRecursively();
    QDir().mkpath(folder.file(QStringLiteral("Database")));
    TMainForm &f = create();
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(f.station().settings().Speed.toStdString(), " 9600 (002)");
    EXPECT_EQ(f.station().settings().CurrKeepTime, 24);
    EXPECT_EQ(f.station().settings().ArcLevel, 2);
    EXPECT_EQ(f.station().settings().CurUnit, 1);
}

TEST_F(MainFormTest, ClosingAttemptsEveryStepSavesSettingsAndFreesTheGrid) {
    writeSettings([](config::TSettings &, RecordedWindows &) {});
    TMainForm &f = create();
    f.show();
    Timer1(f)->start(1000);
    QStringList steps;
    bool timerStoppedFirst = false;
    peers.on.closeArchiveTable = [&] {
        timerStoppedFirst = !Timer1(f)->isActive();
        steps << QStringLiteral("Arc2Table");
        throw SystemError(QStringLiteral("Arc2Table не закрыт"));
    };
    peers.on.closeCurrentTable = [&] { steps << QStringLiteral("CurrTable"); };
    peers.on.plotWindowCorner = [] { return std::optional<QPoint>(QPoint(11, 22)); };
    QSignalSpy closed(&f, &TMainForm::closed);
    QFile::remove(settingsFilePath());
    messages.clear();
    f.close();
    EXPECT_TRUE(timerStoppedFirst);
    EXPECT_EQ(steps, (QStringList{QStringLiteral("Arc2Table"), QStringLiteral("CurrTable")}));
    EXPECT_FALSE(f.station().plotTable().isOpen());
    EXPECT_FALSE(f.station().archiveTable().isOpen());
    EXPECT_FALSE(f.station().signalTable().isOpen());
    EXPECT_FALSE(f.station().sensorTable().isOpen());
    EXPECT_FALSE(f.station().unitsTable().isOpen());
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Arc2Table не закрыт")});
    // Saved despite the failure (the operator's changes are not lost).
    ASSERT_TRUE(QFileInfo::exists(settingsFilePath()));
    config::TSettings saved;
    RecordedWindows w;
    config::IniFileLoad(saved, w);
    EXPECT_EQ(saved.PlotLeft, 11);
    EXPECT_EQ(saved.PlotTop, 22);
    EXPECT_FALSE(f.gridBuilt());
    EXPECT_EQ(UnitPanels(f, 1), nullptr);
    EXPECT_EQ(closed.count(), 1);
}
