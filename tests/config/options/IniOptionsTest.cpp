// The options dialog driven offscreen with message boxes recorded: creation
// (port choice by number, hand-over of port and speed, no port, a failing
// port list), activation and deactivation as focus moves between the
// program's own windows, closing by every route, the leave rules of the
// numeric fields, the table-size estimates, and the sound file. The register
// screens are in OptionsRegisterTest.cpp.
#include "config/IniOptions.h"

#include "config/OptionsRules.h"
#include "tests/config/options/OptionsTestSupport.h"
#include "ui/Messages.h"
#include "ui/ShellOpen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::config;
using orvex::ui::MessageKind;

namespace {

class OptionsDialog : public ::testing::Test {
protected:
    void create() { form = std::make_unique<TIniOptionsForm>(host); }
    void showActive() {
        form->show();
        ASSERT_TRUE(test::waitActive(form.get()));
    }
    // Message boxes take the focus from the dialog and give it back, as real
    // modal boxes do.
    void boxesTakeFocus() {
        messages.setOnShow(
            [this](const ui::RecordedMessage &) { test::passFocusThroughBox(form.get()); });
    }
    bool focusInside(QWidget *control) const {
        QWidget *f = QApplication::focusWidget();
        return f && (f == control || control->isAncestorOf(f));
    }

    test::OptionsTestHost host;
    ui::MessageRecorder messages;
    ui::ShellOpenRecorder sounds;
    std::unique_ptr<TIniOptionsForm> form;
};

struct PortCase {
    QStringList ports;
    int comPortNo;
    QString chosen;     // empty: none chosen
    QString handedOver; // the serial component's port after creation
};

void PrintTo(const PortCase &c, std::ostream *os) {
    *os << c.ports.join(',').toStdString() << " No=" << c.comPortNo;
}

class PortChoice : public OptionsDialog, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortChoice, ByWholePortNumberWithTheConfiguredNameHandedOver) {
    const PortCase &c = GetParam();
    host.ports = c.ports;
    host.Settings.ComPortNo = c.comPortNo;
    host.Settings.Speed = QStringLiteral(" 9600 (002)");
    create();
    EXPECT_EQ(form->chosenPortName(), c.chosen);
    EXPECT_EQ(host.BComPort1.Port(), c.handedOver);
    EXPECT_EQ(host.BComPort1.BaudRate(), c.comPortNo > 0 ? serial::br9600 : serial::br2400);
    EXPECT_EQ(messages.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PortChoice,
    ::testing::Values(PortCase{{"COM1", "COM3"}, 3, "COM3", "COM3"},
                      // Configured port missing: nothing chosen, but its name still reaches
                      // the component so that opening it reports the missing port.
                      PortCase{{"COM1", "COM4"}, 3, "", "COM3"},
                      // Whole numbers: COM10 is 10, not 1.
                      PortCase{{"COM1", "COM10", "COM2"}, 1, "COM1", "COM1"},
                      PortCase{{"COM1", "COM10", "COM2"}, 10, "COM10", "COM10"},
                      PortCase{{"COM1", "COM10", "COM2"}, 2, "COM2", "COM2"},
                      // No port configured: the component keeps what it has.
                      PortCase{{"COM1", "COM3"}, 0, "", "COM1"}));

TEST_F(OptionsDialog, ClosingStoresThePortNumberNotItsListPosition) {
    host.ports = {"COM1", "COM3"};
    host.Settings.ComPortNo = 3;
    create();
    showActive();
    form->CloseBitBtn->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(host.Settings.ComPortNo, 3);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(OptionsDialog, EachPortShowsItsDevicePath) {
    host.ports = {"COM1", "COM3"};
    create();
    ASSERT_EQ(form->ComNoRadioGroup->count(), 2);
    EXPECT_TRUE(
        form->hintOf(form->ComNoRadioGroup->button(1)).contains("COM3 = /dev/tty-test-COM3"));
    // Port hints are always shown, whatever the main window's hint switch.
    host.HintsOn = false;
    EXPECT_FALSE(form->hintOf(form->ComNoRadioGroup->button(1)).isEmpty());
    EXPECT_TRUE(form->hintOf(form->SoundCheckBox).isEmpty());
}

TEST_F(OptionsDialog, SpeedItemFromTheTextAndBaudRateFromItsFirstFiveCharacters) {
    host.ports = {"COM2"};
    host.Settings.ComPortNo = 2;
    host.Settings.Speed = QStringLiteral("19200 (007)");
    create();
    EXPECT_EQ(form->COMSpeedRadioGroup->itemIndex(), 7);
    EXPECT_EQ(host.BComPort1.BaudRate(), serial::br19200);

    test::OptionsTestHost other;
    other.ports = {"COM2"};
    other.Settings.ComPortNo = 2;
    other.Settings.Speed = QStringLiteral("19200 бод");
    TIniOptionsForm unknown(other);
    EXPECT_EQ(unknown.COMSpeedRadioGroup->itemIndex(), 0);
    EXPECT_EQ(other.BComPort1.BaudRate(), serial::br19200);
}

struct SpeedCase {
    QString configured;
    int shown;    // item shown at creation
    int clicked;  // item the operator clicks, -1 none
    QString kept; // Speed after closing
    int baudRate; // handed to the serial component after closing
};

void PrintTo(const SpeedCase &c, std::ostream *os) {
    *os << '"' << c.configured.toStdString() << "\" click " << c.clicked;
}

class SpeedOnClosing : public OptionsDialog, public ::testing::WithParamInterface<SpeedCase> {};

// Closing stores the chosen speed item, but never turns a configured speed
// the items do not show into another line speed unless the operator chose one.
TEST_P(SpeedOnClosing, ChosenItemIsStoredAndAnUnshownSpeedKept) {
    const SpeedCase &c = GetParam();
    host.ports = {"COM1"};
    host.Settings.ComPortNo = 1;
    host.Settings.Speed = c.configured;
    create();
    showActive();
    EXPECT_EQ(form->COMSpeedRadioGroup->itemIndex(), c.shown);
    if (c.clicked >= 0) {
        form->PageControl1->setCurrentIndex(TIniOptionsForm::ConnectionTab);
        QTest::mouseClick(form->COMSpeedRadioGroup->button(c.clicked), Qt::LeftButton);
    }
    form->CloseBitBtn->click();
    EXPECT_EQ(host.Settings.Speed, c.kept);
    EXPECT_EQ(host.BComPort1.BaudRate(), c.baudRate);
    EXPECT_EQ(messages.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SpeedOnClosing,
    ::testing::Values(SpeedCase{" 9600 (002)", 2, -1, " 9600 (002)", serial::br9600},
                      // As read back from the file when the start-up ended before its
                      // corrections: the same item, stored with its blank again.
                      SpeedCase{"9600 (002)", 2, -1, " 9600 (002)", serial::br9600},
                      SpeedCase{"4800 (005)", 5, 7, "19200 (007)", serial::br19200},
                      SpeedCase{"19200 бод", 0, -1, "19200 бод", serial::br19200},
                      SpeedCase{"19200 бод", 0, 0, " 2400 (000)", serial::br2400},
                      SpeedCase{"19200 бод", 0, 6, " 9600 (006)", serial::br9600}));

TEST_F(OptionsDialog, NoSerialPortEndsCreationAndKeepsTheConfiguredCounts) {
    host.ports = {};
    host.Settings.UnitsAmount = 5;
    host.Settings.ChannalsMaxAmount = 6;
    host.Settings.PeriodMs = 30000;
    host.Settings.CurrKeepTime = 48;
    create();
    ASSERT_EQ(messages.texts(), QStringList{"Нет COM порта. Работа невозможна."});
    EXPECT_FALSE(form->controlsLoaded());
    // Design values.
    EXPECT_EQ(form->UnitsAmntSpinEdit->text(), "1");
    EXPECT_EQ(form->SensorSpinEdit->text(), "8");
    EXPECT_EQ(form->CurrKeepSpinEdit->text(), "24");
    EXPECT_EQ(form->ArcKeepSpinEdit->text(), "2");
    EXPECT_EQ(form->PeriodSpinEdit->text(), "10");
    EXPECT_EQ(form->SoundAmountSpinEdit->text(), "1");
    EXPECT_TRUE(form->ScanCheckBox->isChecked());
    EXPECT_EQ(form->L2procRadioGroup->itemIndex(), 1);

    messages.clear();
    form->show();
    ASSERT_TRUE(test::waitActive(form.get()));
    form->PageControl1->setCurrentIndex(TIniOptionsForm::ConnectionTab);
    form->reject();
    EXPECT_EQ(host.Settings.UnitsAmount, 5);
    EXPECT_EQ(host.Settings.ChannalsMaxAmount, 6);
    EXPECT_EQ(host.Settings.PeriodMs, 30000);
    EXPECT_EQ(host.Settings.ComPortNo, 0);
    EXPECT_FALSE(form->portChosen());
    // Closing deactivates: the missing port is reported.
    EXPECT_EQ(messages.texts(), QStringList{noPortChosenText()});
}

TEST_F(OptionsDialog, FailingPortListIsReportedAndEndsCreation) {
    host.listFailure = [] {
        throw serial::EComPort(QStringLiteral("Ошибка обращения к системному реестру"));
    };
    host.Settings.UnitsAmount = 4;
    create();
    EXPECT_EQ(messages.texts(), QStringList{"Ошибка обращения к системному реестру"});
    EXPECT_FALSE(form->controlsLoaded());
    form->reject();
    EXPECT_EQ(host.Settings.UnitsAmount, 4);
}

TEST_F(OptionsDialog, NoPortChosenIsReportedWhenAnotherOwnWindowComesInFront) {
    host.ports = {"COM1", "COM4"};
    host.Settings.ComPortNo = 3;
    create();
    showActive();
    EXPECT_EQ(messages.count(), 0);
    QWidget chooser(form.get(), Qt::Dialog);
    chooser.resize(100, 50);
    chooser.show();
    ASSERT_TRUE(test::waitActive(&chooser));
    ASSERT_TRUE(test::waitUntil([&] { return messages.count() > 0; }));
    EXPECT_EQ(messages.texts(), QStringList{noPortChosenText()});
    EXPECT_EQ(messages.messages().first().kind, MessageKind::Error);
    EXPECT_EQ(form->PageControl1->currentIndex(), TIniOptionsForm::ConnectionTab);
}

TEST_F(OptionsDialog, SwitchingToAnotherProgramIsNoDeactivation) {
    host.ports = {"COM1"};
    host.seedUnits(3);
    host.Settings.UnitsAmount = 3;
    host.Settings.CurUnit = 2;
    create();
    showActive();
    EXPECT_EQ(host.UnitsTable.recNo(), 2);
    // The focus leaves the program and comes back.
    host.UnitsTable.last();
    emit qGuiApp->focusWindowChanged(nullptr);
    emit qGuiApp->focusWindowChanged(form->windowHandle());
    EXPECT_EQ(messages.count(), 0);
    EXPECT_EQ(host.UnitsTable.recNo(), 3) << "no activation either";
}

TEST_F(OptionsDialog, MessageBoxInsideTheDialogDeactivatesAndReactivatesIt) {
    host.ports = {"COM1"};
    host.seedUnits(5);
    host.Settings.UnitsAmount = 5;
    host.Settings.CurUnit = 2;
    create();
    boxesTakeFocus();
    showActive();
    EXPECT_EQ(host.UnitsTable.recNo(), 2);
    host.UnitsTable.last();
    // No port chosen: the refusal box deactivates the dialog, which reports
    // the missing port; when the boxes are gone the activation moves the
    // Units.DB cursor back to CurUnit.
    test::typeInto(form->CurrKeepSpinEdit, "100");
    test::moveFocus(form->ArcKeepSpinEdit);
    EXPECT_EQ(messages.texts(), QStringList({keepTimeRefusal(), noPortChosenText()}));
    EXPECT_EQ(host.UnitsTable.recNo(), 2);
    EXPECT_TRUE(form->isActiveWindow());
}

TEST_F(OptionsDialog, KeepTimeAboveSeventyTwoIsRefusedAndSeventyTwoAccepted) {
    host.Settings.CurrKeepTime = 48;
    create();
    showActive();
    form->PageControl1->setCurrentIndex(TIniOptionsForm::StorageTab);
    test::typeInto(form->CurrKeepSpinEdit, "100");
    test::moveFocus(form->ArcKeepSpinEdit);
    EXPECT_EQ(messages.texts(), QStringList{"Недопустимое значение!\r Введите 1-72."});
    EXPECT_EQ(form->CurrKeepSpinEdit->text(), "24");
    EXPECT_TRUE(focusInside(form->CurrKeepSpinEdit));
    EXPECT_EQ(host.Settings.CurrKeepTime, 48);
    EXPECT_TRUE(host.dataCaptions.isEmpty());

    messages.clear();
    test::typeInto(form->CurrKeepSpinEdit, "72");
    test::moveFocus(form->ArcKeepSpinEdit);
    EXPECT_EQ(messages.count(), 0);
    EXPECT_EQ(host.Settings.CurrKeepTime, 72);
    EXPECT_EQ(host.dataCaptions, QStringList{"Текущие данные (за 72 ч)"});
}

TEST_F(OptionsDialog, ArchiveLevelThreeIsRefused) {
    host.Settings.ArcLevel = 1;
    create();
    showActive();
    form->PageControl1->setCurrentIndex(TIniOptionsForm::StorageTab);
    test::typeInto(form->ArcKeepSpinEdit, "3");
    test::moveFocus(form->CurrKeepSpinEdit);
    EXPECT_EQ(messages.texts(), QStringList{"Недопустимое значение!\r Введите 1 или 2."});
    EXPECT_EQ(form->ArcKeepSpinEdit->text(), "2");
    EXPECT_TRUE(focusInside(form->ArcKeepSpinEdit));
    EXPECT_EQ(host.Settings.ArcLevel, 1);
}

TEST_F(OptionsDialog, NumericFieldsTakeAnyTypedNumberAndClampOnLeaving) {
    host.Settings.Amount = 5;
    create();
    showActive();
    test::typeInto(form->PeriodSpinEdit, "5");
    EXPECT_EQ(form->PeriodSpinEdit->text(), "5") << "typing below the range is possible";
    test::moveFocus(form->SoundAmountSpinEdit);
    EXPECT_EQ(form->PeriodSpinEdit->text(), "10");
    EXPECT_EQ(host.Settings.PeriodMs, 10000);

    test::typeInto(form->PeriodSpinEdit, "950");
    test::moveFocus(form->SoundAmountSpinEdit);
    EXPECT_EQ(form->PeriodSpinEdit->text(), "900");
    EXPECT_EQ(host.Settings.PeriodMs, 900000);

    test::typeInto(form->SoundAmountSpinEdit, "0");
    EXPECT_EQ(host.Settings.Amount, 1);
    test::moveFocus(form->PeriodSpinEdit);
    EXPECT_EQ(form->SoundAmountSpinEdit->text(), "1");
    // Letters cannot be typed at all; the field stays as it was.
    test::typeInto(form->SoundAmountSpinEdit, "x");
    EXPECT_EQ(form->SoundAmountSpinEdit->text(), "1");
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(OptionsDialog, PeriodChangeIsAppliedAtOnce) {
    host.Settings.PeriodMs = 10000;
    create();
    showActive();
    form->PeriodSpinEdit->stepBy(1);
    EXPECT_EQ(form->PeriodSpinEdit->text(), "20");
    EXPECT_EQ(host.Settings.PeriodMs, 20000);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(OptionsDialog, PeriodOfZeroIsReportedNeverDividedBy) {
    host.Settings.UnitsAmount = 2;
    create();
    showActive();
    const QString before = form->hintOf(form->PeriodGroupBox);
    test::typeInto(form->PeriodSpinEdit, "0");
    ASSERT_EQ(messages.texts(), QStringList{zeroPeriodText()});
    EXPECT_EQ(form->hintOf(form->PeriodGroupBox), before) << "the hint keeps its value";
    EXPECT_GE(host.Settings.PeriodMs, 10000);
    test::moveFocus(form->SoundAmountSpinEdit);
    EXPECT_EQ(form->PeriodSpinEdit->text(), "10");
    EXPECT_TRUE(form->hintOf(form->PeriodGroupBox).contains("до    17 280 записей"));
}

struct EstimateCase {
    int units, keep, period;
    const char *formatted;
};

void PrintTo(const EstimateCase &c, std::ostream *os) {
    *os << c.units << "x" << c.keep << "h/" << c.period << "s";
}

class Estimates : public OptionsDialog, public ::testing::WithParamInterface<EstimateCase> {};

TEST_P(Estimates, BothGroupHintsCarryTheMaskFormattedRowCount) {
    const EstimateCase &c = GetParam();
    host.Settings.UnitsAmount = c.units;
    host.Settings.CurrKeepTime = c.keep;
    host.Settings.PeriodMs = c.period * 1000;
    host.HintsOn = false; // both estimates are always shown
    create();
    const QString tail =
        QStringLiteral(
            "и количестве пультов - %1\rтаблица текущих данных содержит до %2 записей.\r"
            "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~\r   Выбирая эти параметры, учитывайте\r"
            "реальные возможности просмотра хранимых данных.")
            .arg(c.units)
            .arg(QString::fromUtf8(c.formatted));
    EXPECT_EQ(form->hintOf(form->PeriodGroupBox),
              QStringLiteral("При таком периоде опроса, времени хранения - %1 ч\r").arg(c.keep) +
                  tail);
    EXPECT_EQ(form->hintOf(form->CurrKeepGroupBox),
              QStringLiteral("При таком времени хранения, периоде опроса - %1 c\r").arg(c.period) +
                  tail);
}

INSTANTIATE_TEST_SUITE_P(Settings, Estimates,
                         ::testing::Values(EstimateCase{15, 120, 10, "  648 000"},
                                           EstimateCase{1, 24, 10, "    8 640"},
                                           EstimateCase{3, 1, 900, "       12"}));

TEST_F(OptionsDialog, CurUnitBeyondTheCountShowsUnitOne) {
    host.seedUnits(15);
    host.Settings.UnitsAmount = 4;
    host.Settings.CurUnit = 9;
    create();
    host.UnitsTable.last();
    showActive();
    EXPECT_EQ(host.UnitsTable.recNo(), 1);
    EXPECT_EQ(host.Settings.CurUnit, 1);
    EXPECT_EQ(form->UnitIdxDBText->text(), "1");
}

TEST_F(OptionsDialog, UnitShownAtClosingIsShownAtTheNextActivation) {
    host.ports = {"COM1"};
    host.Settings.ComPortNo = 1;
    host.seedUnits(5);
    host.Settings.UnitsAmount = 5;
    create();
    showActive();
    form->UnitsDBNavigator->press(DbNavigator::Next);
    form->UnitsDBNavigator->press(DbNavigator::Next);
    form->CloseBitBtn->click();
    EXPECT_EQ(host.Settings.CurUnit, 3);
    host.UnitsTable.first();
    showActive();
    EXPECT_EQ(host.UnitsTable.recNo(), 3);
    EXPECT_EQ(form->UnitIdxDBText->text(), "3");
}

enum class CloseRoute { Button, Escape, CloseBox };

void PrintTo(CloseRoute route, std::ostream *os) {
    *os << (route == CloseRoute::Button   ? "button"
            : route == CloseRoute::Escape ? "Esc"
                                          : "close box");
}

class ClosingRoutes : public OptionsDialog, public ::testing::WithParamInterface<CloseRoute> {};

TEST_P(ClosingRoutes, EveryRouteRunsTheClosingSteps) {
    host.ports = {"COM1", "COM2"};
    host.Settings.ComPortNo = 1;
    host.Settings.UnitsAmount = 2;
    host.Settings.ChannalsMaxAmount = 8;
    create();
    showActive();
    // Changed without leaving the controls.
    form->SensorSpinEdit->stepBy(-3);
    form->COMSpeedRadioGroup->setItemIndex(5);
    form->ComNoRadioGroup->setItemIndex(1);
    switch (GetParam()) {
    case CloseRoute::Button:
        QTest::mouseClick(form->CloseBitBtn, Qt::LeftButton);
        break;
    case CloseRoute::Escape:
        QTest::keyClick(form.get(), Qt::Key_Escape);
        break;
    case CloseRoute::CloseBox:
        form->close();
        break;
    }
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(host.Settings.ChannalsMaxAmount, 5);
    EXPECT_EQ(host.Settings.Speed, " 4800 (005)");
    EXPECT_EQ(host.Settings.ComPortNo, 2);
    // The choice reaches the serial component even without leaving the groups.
    EXPECT_EQ(host.BComPort1.Port(), "COM2");
    EXPECT_EQ(host.BComPort1.BaudRate(), serial::br4800);
    EXPECT_EQ(messages.count(), 0);
}

// Closing the dialog leaves the period field too: a number typed outside
// 10..900 takes the nearest bound, which the period was given, so the field
// and the setting agree whichever way the dialog closed.
TEST_P(ClosingRoutes, APeriodTypedOutOfRangeAgreesWithTheSettingOnceClosed) {
    host.ports = {"COM1"};
    host.Settings.ComPortNo = 1;
    host.Settings.PeriodMs = 30000;
    create();
    showActive();
    form->PageControl1->setCurrentIndex(TIniOptionsForm::ConnectionTab);
    test::typeInto(form->PeriodSpinEdit, "5");
    ASSERT_EQ(form->PeriodSpinEdit->text(), "5");
    switch (GetParam()) {
    case CloseRoute::Button:
        QTest::mouseClick(form->CloseBitBtn, Qt::LeftButton);
        break;
    case CloseRoute::Escape:
        QTest::keyClick(form->PeriodSpinEdit, Qt::Key_Escape);
        break;
    case CloseRoute::CloseBox:
        form->close();
        break;
    }
    ASSERT_FALSE(form->isVisible());
    EXPECT_EQ(form->PeriodSpinEdit->text(), "10");
    EXPECT_EQ(host.Settings.PeriodMs, 10000);
    EXPECT_EQ(messages.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Routes, ClosingRoutes,
                         ::testing::Values(CloseRoute::Button, CloseRoute::Escape,
                                           CloseRoute::CloseBox));

TEST_F(OptionsDialog, LeavingTheGroupsHandsPortAndSpeedOver) {
    host.ports = {"COM1", "COM5"};
    create();
    showActive();
    form->PageControl1->setCurrentIndex(TIniOptionsForm::ConnectionTab);
    form->ComNoRadioGroup->button(1)->setChecked(true);
    test::moveFocus(form->ComNoRadioGroup->button(1));
    test::moveFocus(form->COMSpeedRadioGroup->button(3));
    EXPECT_EQ(host.Settings.ComPortNo, 5);
    EXPECT_EQ(host.BComPort1.Port(), "COM5");
    form->COMSpeedRadioGroup->button(3)->setChecked(true);
    test::moveFocus(form->PeriodSpinEdit);
    EXPECT_EQ(host.Settings.Speed, "19200 (003)");
    EXPECT_EQ(host.BComPort1.BaudRate(), serial::br19200);
}

TEST_F(OptionsDialog, SwitchesAreTakenAndHandedToTheMainWindow) {
    host.Settings.L2ProcOn = false;
    host.Settings.Sound_ON = false;
    create();
    showActive();
    form->L2procRadioGroup->button(0)->setChecked(true);
    test::moveFocus(form->L2procRadioGroup->button(0));
    test::moveFocus(form->ScanCheckBox);
    EXPECT_TRUE(host.Settings.L2ProcOn);
    EXPECT_EQ(host.l2ProcCheckBox, QList<bool>{true});
    QTest::mouseClick(form->ScanCheckBox, Qt::LeftButton);
    EXPECT_FALSE(host.Settings.ScanShow);

    form->PageControl1->setCurrentIndex(TIniOptionsForm::SoundTab);
    form->SoundCheckBox->setChecked(true);
    test::moveFocus(form->SoundCheckBox);
    test::moveFocus(form->SndFileLabeledEdit);
    EXPECT_TRUE(host.Settings.Sound_ON);
    EXPECT_EQ(host.soundCheckBox, QList<bool>{true});

    // The main window changes both meanwhile; the next activation shows it.
    form->close();
    host.Settings.L2ProcOn = false;
    host.Settings.Sound_ON = false;
    showActive();
    EXPECT_EQ(form->L2procRadioGroup->itemIndex(), 1);
    EXPECT_FALSE(form->SoundCheckBox->isChecked());
}

TEST_F(OptionsDialog, HandTypedSoundFilePlaysButIsNotStored) {
    host.Settings.SoundFile = QStringLiteral("\\Sound\\Beep.wav");
    host.Settings.Amount = 2;
    create();
    showActive();
    EXPECT_EQ(form->soundFileText(), "\\Sound\\Beep.wav");
    const QString siren = host.folder.file("siren.wav");
    test::touch(siren);
    test::typeInto(form->SndFileLabeledEdit, siren);
    EXPECT_EQ(form->soundFileText(), siren);
    QTest::mouseClick(form->PlaySoundButton, Qt::LeftButton);
    EXPECT_EQ(sounds.requests(), QStringList({siren, siren}));
    form->PlayOnceMenuItemClick();
    EXPECT_EQ(sounds.count(), 3);
    form->CloseBitBtn->click();
    EXPECT_EQ(host.Settings.SoundFile, "\\Sound\\Beep.wav");
}

TEST_F(OptionsDialog, ChosenSoundFileIsStoredAndCancelChangesNothing) {
    test::TempProgramFolder folder;
    create();
    QStringList answer;
    form->setSoundFileChooser([&](QWidget *) { return answer; });
    form->SelectSoundButton->click();
    EXPECT_EQ(host.Settings.SoundFile, "\\Sound\\Beep.wav");
    answer = {"/opt/orvex/Sound/Alarm.wav", "/opt/orvex/Sound/Other.wav"};
    form->SelectSoundButton->click();
    EXPECT_EQ(form->soundFileText(), "/opt/orvex/Sound/Alarm.wav");
    EXPECT_EQ(host.Settings.SoundFile, "/opt/orvex/Sound/Alarm.wav");
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(OptionsDialog, SoundFileTheSettingsCannotHoldIsRefused) {
    create();
    showActive();
    test::typeInto(form->SndFileLabeledEdit, "/tmp/a.wav");
    test::typeText(form->SndFileLabeledEdit, QStringLiteral("警"));
    EXPECT_EQ(form->soundFileText(), "/tmp/a.wav");
    form->setSoundFileChooser([](QWidget *) { return QStringList{"/tmp/警報.wav"}; });
    form->SelectSoundButton->click();
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(host.Settings.SoundFile, "\\Sound\\Beep.wav");
    EXPECT_EQ(form->soundFileText(), "/tmp/a.wav");
}

TEST_F(OptionsDialog, LookCaptionTabsAndClientSize) {
    create();
    EXPECT_EQ(form->windowTitle(), "Настройка параметров программы");
    EXPECT_EQ(form->size(), QSize(792, 311));
    const QStringList tabs{"Конфигурация", "Пульты",      "Датчики-1", "Датчики-2",
                           "Хранение",     "Подключение", "Звуки"};
    ASSERT_EQ(form->PageControl1->count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(form->PageControl1->tabText(i), tabs[i]);
        EXPECT_EQ(form->PageControl1->tabBar()->tabRect(i).width(), 111);
    }
    EXPECT_TRUE(form->CloseBitBtn->isDefault());
    EXPECT_EQ(form->CloseBitBtn->text(), "ЗАКРЫТЬ ОКНО НАСТРОЙКИ");
    EXPECT_EQ(form->COMSpeedRadioGroup->items(), speedTexts());
    // Hints follow the main window's switch except the always-on ones.
    host.HintsOn = false;
    EXPECT_TRUE(form->hintOf(form->IniUnitCodDBEdit).isEmpty());
    EXPECT_EQ(form->hintOf(form->CloseBitBtn), "Закрыть окно настройки");
    EXPECT_EQ(form->hintOf(form->Sensors1DBNavigator->button(DbNavigator::First)), "Первый пульт ");
    EXPECT_TRUE(form->hintOf(form->UnitsDBNavigator->button(DbNavigator::First)).isEmpty());
    host.HintsOn = true;
    EXPECT_EQ(form->hintOf(form->IniUnitCodDBEdit), "Код, по которому пульт распознается в сети");
    // Tooltips carry the system's text; always-on controls have their own
    // hint switch, so the program's hint hook shows them whatever the
    // dialog's switch says.
    EXPECT_EQ(form->IniUnitCodDBEdit->toolTip(), "Код, по которому пульт распознается в сети");
    EXPECT_EQ(form->CloseBitBtn->property(kOwnHintSwitchProperty), QVariant(true));
    EXPECT_FALSE(form->IniUnitCodDBEdit->property(kOwnHintSwitchProperty).isValid());
}

} // namespace
