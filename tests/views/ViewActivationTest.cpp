// Activation of the data views, the date picker and the plot window: a return
// from another application keeps the chosen unit and the date being picked;
// a box of the main window that comes and goes while a view or the plot is
// active does not swallow its next activation; the plot's trip line follows
// the unit's threshold of the moment.
#include "tests/support/FocusSimulation.h"
#include "tests/views/ViewsFixture.h"
#include "views/Calndr2.h"
#include "views/DataArc.h"
#include "views/DateFormats.h"
#include "views/PlotWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::views;
using orvex::test::activate;
using orvex::test::comeBackFromAnotherApplication;
using orvex::test::leaveForAnotherApplication;

namespace {

class ViewActivation : public views::test::ViewsFixture {
protected:
    ViewActivation() { settings.UnitsAmount = 5; }

    // A poll error box of the main window, shown while `active` has the
    // focus: it takes the focus and, when closed, leaves it to the main
    // window, as the window manager does.
    void pollErrorBoxOverMainWindow() {
        messages.setOnShow([this](const ui::RecordedMessage &) {
            activate(box);
            box.hide();
            activate(mainWindow);
        });
        ui::showError(QStringLiteral("Ошибка порта"), &mainWindow);
        messages.setOnShow({});
    }

    bool autoRefresh = true;
    TDateDlgForm picker;
    QWidget mainWindow;
    QWidget box;
};

// Runs `action` in the event loop of the modal dialog once it is active.
void whenActive(QWidget &dialog, std::function<void()> action) {
    QTimer::singleShot(0, &dialog, [&dialog, action] {
        if (QTest::qWaitForWindowActive(&dialog))
            action();
    });
}

} // namespace

TEST_F(ViewActivation, ReturnFromAnotherApplicationKeepsTheUnitAndTheDateBeingPicked) {
    TDataArcForm view(settings, autoRefresh, databaseFolder());
    view.setDatePicker(&picker);
    activate(mainWindow);
    view.showView();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.UnitComboBox->setCurrentIndex(2);
    view.setWindowTitle(QStringLiteral("Текущие данные (за 24 ч)"));

    leaveForAnotherApplication(view);
    comeBackFromAnotherApplication(view);
    EXPECT_EQ(view.UnitComboBox->currentIndex(), 2);
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Текущие данные (за 24 ч)"));

    // The picker, opened on the first date field: a month up, away to
    // another program and back, then OK hands over the month picked.
    const QDate picked = QDate::currentDate().addMonths(1);
    QDate shownAfterReturn;
    whenActive(picker, [&] {
        picker.MonthSpButtonUpClick();
        leaveForAnotherApplication(picker);
        comeBackFromAnotherApplication(picker);
        shownAfterReturn = picker.calendarDate();
        picker.OkBitBtn->click();
    });
    QTest::mouseDClick(view.DateMaskEdit1, Qt::LeftButton);
    EXPECT_EQ(shownAfterReturn, picked);
    EXPECT_EQ(view.DateMaskEdit1->text(), fieldDateText(picked));
    EXPECT_EQ(view.UnitComboBox->currentIndex(), 2);
}

TEST_F(ViewActivation, MainWindowsBoxDoesNotSwallowTheViewsNextActivation) {
    TDataArcForm view(settings, autoRefresh, databaseFolder());
    activate(mainWindow);
    view.showView();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.UnitComboBox->setCurrentIndex(2);
    view.setWindowTitle(QStringLiteral("Текущие данные (за 24 ч)"));

    pollErrorBoxOverMainWindow();
    settings.UnitsAmount = 3;
    view.showView(); // "ДАННЫЕ"
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    EXPECT_EQ(view.UnitComboBox->count(), 4);
    EXPECT_EQ(view.UnitComboBox->currentIndex(), -1);
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Текущие данные (за 24 ч. работы программы)"));
}

// The plot shows methane; a poll error box of the main window closes; the
// next cell click (ammonia of unit 2) must draw the ammonia title and scale.
TEST_F(ViewActivation, MainWindowsBoxDoesNotSwallowThePlotsNextCellClick) {
    TPlotForm plot(settings, databaseFolder());
    activate(mainWindow);
    plot.showPlot(1, 1, QStringLiteral("метан"), QStringLiteral("шахта"), 1.0);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&plot));
    ASSERT_DOUBLE_EQ(plot.axisMaximum(), 2.5);

    pollErrorBoxOverMainWindow();
    plot.showPlot(2, 3, QStringLiteral("аммиак"), QStringLiteral("склад"), 250);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&plot));
    EXPECT_EQ(plot.titleLine1(), QStringLiteral("пульт № 2 -  канал № 3"));
    EXPECT_EQ(plot.titleLine2(), QStringLiteral("аммиак в склад"));
    EXPECT_DOUBLE_EQ(plot.axisMaximum(), 500);
    EXPECT_DOUBLE_EQ(plot.thresholdPercent(), 50);
}

// The unit's trip threshold is read when the plot is activated, not kept from
// the cell click.
TEST_F(ViewActivation, PlotsTripLineFollowsTheUnitsThresholdOfTheMoment) {
    TPlotForm plot(settings, databaseFolder());
    double trip = 0.5;
    plot.setTripThresholdSource([&trip](int unit) { return unit == 1 ? trip : -1; });
    activate(mainWindow);
    plot.showPlot(1, 1, QStringLiteral("метан"), QStringLiteral("шахта"), 2.0);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&plot));
    EXPECT_DOUBLE_EQ(plot.thresholdPercent(), 80);

    trip = 1.25; // a later reply of the unit carries a new threshold
    activate(mainWindow);
    activate(plot);
    EXPECT_DOUBLE_EQ(plot.thresholdPercent(), 50);
}
