// The register screens of the options dialog over real Units.DB and
// Sensors.DB files: a raised unit count with its warning and tab switch,
// duplicate addresses keeping the options run coming back until they
// differ, the navigation limit of the unit navigators, and edits of names,
// addresses and notes reaching the tables by the next cursor move.
#include "config/IniOptions.h"

#include "config/UnitRegister.h"
#include "tests/config/options/OptionsTestSupport.h"
#include "ui/Messages.h"

#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::config;

namespace {

class RegisterScreens : public ::testing::Test {
protected:
    void SetUp() override {
        host.ports = {"COM1"};
        host.Settings.ComPortNo = 1;
    }
    void create() { form = std::make_unique<TIniOptionsForm>(host); }
    void showActive() {
        form->show();
        ASSERT_TRUE(test::waitActive(form.get()));
    }
    // Reads a unit's row through a handle of its own, as another window would.
    QVariant unitField(int unit, const QString &field) {
        store::Table t;
        t.setDatabaseName(host.folder.file("Database"));
        t.setTableName("Units.DB");
        t.setIndexFieldNames("Unit_IDX");
        t.open();
        return t.findKey({unit}) ? t.value(field) : QVariant();
    }
    QVariant sensorField(int unit, int channel, const QString &field) {
        store::Table t;
        t.setDatabaseName(host.folder.file("Database"));
        t.setTableName("Sensors.DB");
        t.setIndexFieldNames("Unit_IDX;Sensor_No");
        t.open();
        return t.findKey({unit, channel}) ? t.value(field) : QVariant();
    }

    test::OptionsTestHost host;
    ui::MessageRecorder messages;
    std::unique_ptr<TIniOptionsForm> form;
};

TEST_F(RegisterScreens, RaisedCountAppendsUnitsWarnsAndShowsTheUnitsTab) {
    host.seedUnits(3);
    host.Settings.UnitsAmount = 3;
    host.BuiltUnits = 3;
    create();
    showActive();
    test::moveFocus(form->UnitsAmntSpinEdit);
    form->UnitsAmntSpinEdit->stepBy(2);
    test::moveFocus(form->SensorSpinEdit);
    EXPECT_EQ(messages.texts(), QStringList{kUnitCountRaisedWarning});
    EXPECT_EQ(messages.messages().first().kind, ui::MessageKind::Warning);
    EXPECT_EQ(form->PageControl1->currentIndex(), TIniOptionsForm::UnitsTab);
    EXPECT_EQ(host.Settings.UnitsAmount, 5);
    EXPECT_EQ(host.UnitsTable.recordCount(), 5);
    EXPECT_EQ(unitField(5, "Unit_NAME").toString(), "Пульт №5");
    EXPECT_EQ(sensorField(5, 8, "KindOfSensor").toString(), "нет датчика");
    EXPECT_EQ(host.Settings.UnitAddr[4], 4);
    EXPECT_EQ(host.Settings.UnitAddr[5], 5);
    messages.clear();
    form->CloseBitBtn->click();
    UnitRegister reg(host.UnitsTable, host.SensorTable, host.Settings);
    EXPECT_FALSE(reg.CheckDuplicateAddresses());
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(RegisterScreens, LoweredCountNeitherWarnsNorDeletes) {
    host.seedUnits(5);
    host.Settings.UnitsAmount = 5;
    host.BuiltUnits = 5;
    create();
    showActive();
    test::moveFocus(form->UnitsAmntSpinEdit);
    form->UnitsAmntSpinEdit->stepBy(-3);
    test::moveFocus(form->SensorSpinEdit);
    EXPECT_EQ(messages.count(), 0);
    EXPECT_EQ(host.Settings.UnitsAmount, 2);
    EXPECT_EQ(host.UnitsTable.recordCount(), 5);
    EXPECT_EQ(form->PageControl1->currentIndex(), TIniOptionsForm::ConfigTab);
}

// The options run as the main window performs it: the dialog is shown again
// for as long as the register reports equal addresses.
TEST_F(RegisterScreens, DuplicateAddressesKeepTheDialogComingBackUntilTheyDiffer) {
    host.seedUnits(3);
    host.Settings.UnitsAmount = 3;
    host.BuiltUnits = 3;
    create();
    UnitRegister reg(host.UnitsTable, host.SensorTable, host.Settings);
    reg.setOnWarning([](const QString &text) { ui::showWarning(text); });
    QStringList typed{"1", "3", "7"}; // unit 2's address in each showing
    int showings = 0;
    bool duplicates = true;
    while (duplicates && showings < 5) {
        showActive();
        form->PageControl1->setCurrentIndex(TIniOptionsForm::UnitsTab);
        form->UnitsDBNavigator->press(DbNavigator::First);
        form->UnitsDBNavigator->press(DbNavigator::Next);
        test::typeInto(form->IniUnitCodDBEdit, typed[showings]);
        test::moveFocus(form->IniUnitNameDBEdit);
        form->CloseBitBtn->click();
        ++showings;
        duplicates = reg.CheckDuplicateAddresses();
    }
    EXPECT_EQ(showings, 3);
    const QString first = duplicateAddressWarning(1, 2);
    const QString second = duplicateAddressWarning(2, 3);
    // Each showing warns when the field is left; the run's check warns again.
    EXPECT_EQ(messages.texts(), QStringList({first, first, second, second}));
    EXPECT_EQ(host.Settings.UnitAddr[2], 7);
    EXPECT_EQ(unitField(2, "Unit_KOD").toInt(), 7);
}

TEST_F(RegisterScreens, NavigatorsCannotGoBeyondTheCount) {
    host.seedUnits(5);
    host.Settings.UnitsAmount = 3;
    create();
    showActive();
    for (DbNavigator *nav :
         {form->UnitsDBNavigator, form->Sensors1DBNavigator, form->Sensors2DBNavigator}) {
        nav->press(DbNavigator::Last);
        EXPECT_EQ(host.UnitsTable.recNo(), 3);
        QTest::mouseClick(nav->button(DbNavigator::Next), Qt::LeftButton);
        EXPECT_EQ(host.UnitsTable.recNo(), 3);
        nav->press(DbNavigator::Prior);
        EXPECT_EQ(host.UnitsTable.recNo(), 2);
        nav->press(DbNavigator::First);
        EXPECT_EQ(host.UnitsTable.recNo(), 1);
    }
    EXPECT_EQ(form->Sensors1UnitIdxDBText->text(), "1");
}

TEST_F(RegisterScreens, EditsReachTheTablesByTheNextCursorMove) {
    host.seedUnits(2);
    host.Settings.UnitsAmount = 2;
    create();
    showActive();
    form->PageControl1->setCurrentIndex(TIniOptionsForm::UnitsTab);
    test::typeInto(form->IniUnitNameDBEdit, "Котельная <север>");
    test::moveFocus(form->IniUnitDescrDBMemo);
    test::typeText(form->IniUnitDescrDBMemo, "Проверить датчик 3");

    form->PageControl1->setCurrentIndex(TIniOptionsForm::Sensors1Tab);
    EXPECT_EQ(form->SensorDBCtrlGrid->numberLabel(1)->text(), "2");
    test::typeInto(form->SensorDBCtrlGrid->nameEditor(1), "Насосная");
    form->PageControl1->setCurrentIndex(TIniOptionsForm::Sensors2Tab);
    ASSERT_EQ(form->SensorDBGrid->rowCount(), 8);
    form->SensorDBGrid->item(3, 1)->setText("Заменён в мае");

    form->Sensors2DBNavigator->press(DbNavigator::Next);
    EXPECT_EQ(unitField(1, "Unit_NAME").toString(), "Котельная <север>");
    EXPECT_EQ(unitField(1, "Unit_Description").toString(), "Проверить датчик 3");
    EXPECT_EQ(sensorField(1, 2, "Sensor_NAME").toString(), "Насосная");
    EXPECT_EQ(sensorField(1, 4, "SensDescription").toString(), "Заменён в мае");
    // The editors follow the cursor to unit 2.
    EXPECT_EQ(form->IniUnitNameDBEdit->text(), "Пульт №2");
    EXPECT_EQ(form->SensorDBCtrlGrid->nameEditor(1)->text(), "Датчик 2-2");
    EXPECT_EQ(form->SensorDBGrid->item(3, 1)->text(), "");

    // An edit pending when the dialog closes is stored too.
    form->PageControl1->setCurrentIndex(TIniOptionsForm::UnitsTab);
    test::typeInto(form->IniUnitNameDBEdit, "Склад");
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_EQ(unitField(2, "Unit_NAME").toString(), "Склад");
    EXPECT_EQ(messages.count(), 0);
}

// A real warning box on a display without a window manager: when the box of
// a raised count goes away the dialog takes the focus back at once, so its
// activation moves the cursor to CurUnit before the operator does anything,
// and every editor and "№" label shows the row that typing then changes.
TEST_F(RegisterScreens, AfterARaisedCountTheEditorsShowTheRowTheyWriteTo) {
    host.seedUnits(1);
    host.Settings.UnitsAmount = 1;
    host.Settings.CurUnit = 1;
    host.BuiltUnits = 1;
    create();
    messages.setOnShow(
        [this](const ui::RecordedMessage &m) { test::closeRealBox(form.get(), m.text); });
    showActive();
    test::moveFocus(form->UnitsAmntSpinEdit);
    form->UnitsAmntSpinEdit->stepBy(3);
    test::moveFocus(form->SensorSpinEdit);
    ASSERT_EQ(messages.texts(), QStringList{kUnitCountRaisedWarning});
    EXPECT_EQ(form->PageControl1->currentIndex(), TIniOptionsForm::UnitsTab);
    ASSERT_TRUE(test::waitUntil([this] {
        return QGuiApplication::focusWindow() == form->windowHandle();
    })) << "the dialog stays inactive after the box";
    QCoreApplication::processEvents();

    const auto shown = [this] {
        return QStringList{form->UnitIdxDBText->text(),         form->UnitIdxDBText2->text(),
                           form->Sensors1UnitIdxDBText->text(), form->Sensors2UnitIdxDBText->text(),
                           form->IniUnitNameDBEdit->text(),     form->IniUnitCodDBEdit->text()};
    };
    const auto unit = [](int n) {
        const QString s = QString::number(n);
        return QStringList{s, s, s, s, "Пульт №" + s, s};
    };
    EXPECT_EQ(host.UnitsTable.recNo(), 1);
    EXPECT_EQ(shown(), unit(1));
    form->UnitsDBNavigator->press(DbNavigator::Last);
    EXPECT_EQ(shown(), unit(4));
    form->UnitsDBNavigator->press(DbNavigator::Next);
    EXPECT_EQ(shown(), unit(4));

    messages.setOnShow(nullptr);
    test::typeInto(form->IniUnitCodDBEdit, "9");
    test::moveFocus(form->IniUnitNameDBEdit);
    EXPECT_EQ(unitField(4, "Unit_KOD").toInt(), 9);
    EXPECT_EQ(unitField(1, "Unit_KOD").toInt(), 1);
    EXPECT_EQ(host.Settings.UnitAddr[4], 9);
    EXPECT_EQ(messages.count(), 1);
}

// An activation whose cursor move fails (a pending edit the table refuses)
// reports it once: the box's going away is no new activation that would
// fail again, so the operator can still reach the close button.
TEST_F(RegisterScreens, FailingActivationIsReportedOnceNotAfterEveryBox) {
    host.seedUnits(2);
    host.Settings.UnitsAmount = 2;
    host.UnitsTable.last();
    host.UnitsTable.edit();
    host.UnitsTable.setValue("Unit_IDX", 1); // unit 1 exists: the key refuses it
    create();
    messages.setOnShow([this](const ui::RecordedMessage &m) {
        if (messages.count() <= 3)
            test::closeRealBox(form.get(), m.text);
    });
    showActive();
    ASSERT_TRUE(
        test::waitUntil([this] { return QGuiApplication::focusWindow() == form->windowHandle(); }));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.count(), 1) << messages.texts().join(" | ").toStdString();
    messages.setOnShow(nullptr);
    host.UnitsTable.cancel();
    form->CloseBitBtn->click();
    EXPECT_FALSE(form->isVisible());
}

} // namespace
