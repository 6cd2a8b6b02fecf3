// The channel plot window: the gas scales and titles computed at activation,
// the threshold line's height, the series of one unit and channel with the
// newest point at 0, reloads only while visible, and the table handle's life.
// Chart drawing itself is looked at on the screenshots.
#include "views/PlotWindow.h"
#include "tests/views/ViewsFixture.h"

#include <QGraphicsLineItem>
#include <QTest>
#include <QtCharts/QLineSeries>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::views;

namespace {

class PlotWindow : public views::test::ViewsFixture {
protected:
    void SetUp() override { plot = std::make_unique<TPlotForm>(settings, databaseFolder()); }

    void activateMain() {
        mainWindow.show();
        mainWindow.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    }

    // A cell click in the main window on a decoded cell, and the activation
    // of the plot it causes.
    void click(int unit, int channel, const QString &gas, const QString &label, double trip) {
        activateMain();
        plot->showPlot(unit, channel, gas, label, trip);
        ASSERT_TRUE(QTest::qWaitForWindowActive(plot.get()));
    }

    // Leaving the window for the main window and coming back activates it.
    void reactivate() {
        activateMain();
        plot->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(plot.get()));
    }

    QWidget mainWindow;
    std::unique_ptr<TPlotForm> plot;
};

} // namespace

TEST_F(PlotWindow, GasChoosesScaleAndTitle) {
    struct Case {
        const char *gas;
        double maximum, step;
        const char *line2;
    } cases[] = {
        {"метан", 2.5, 0.5, "метан в % об."},
        {"ВОГ", 50, 5, "взрывоопасный газ в % об."},
        {"СО газ", 250, 25, "оксид углерода (CO) в % об."},
        {"аммиак", 500, 50, "аммиак в % об."},
    };
    for (const Case &c : cases) {
        click(2, 3, QString::fromUtf8(c.gas), QStringLiteral("% об."), 0);
        EXPECT_EQ(plot->axisMinimum(), 0);
        EXPECT_EQ(plot->axisMaximum(), c.maximum) << c.gas;
        EXPECT_EQ(plot->axisStep(), c.step) << c.gas;
        EXPECT_EQ(plot->titleLine1(), QStringLiteral("пульт № 2 -  канал № 3"));
        EXPECT_EQ(plot->titleLine2(), QString::fromUtf8(c.line2));
        reactivate();
    }
    // "CO" with Latin letters is no gas the scale table knows.
    plot->handOver(2, 3, QStringLiteral("CO газ"), QStringLiteral("мг/м3"), 0);
    reactivate();
    EXPECT_EQ(plot->axisMaximum(), 500);
    EXPECT_EQ(plot->titleLine2(), QStringLiteral("CO газ в мг/м3"));
}

TEST_F(PlotWindow, ThresholdLineAtItsShareOfTheScale) {
    click(1, 1, QStringLiteral("ВОГ"), QStringLiteral("% НКПР"), 25);
    EXPECT_DOUBLE_EQ(plot->thresholdPercent(), 50);
    const QRectF area = plot->plotArea();
    ASSERT_TRUE(plot->thresholdLine()->isVisible());
    EXPECT_NEAR(plot->thresholdLine()->line().y1(), area.top() + area.height() / 2, 0.5);
    EXPECT_EQ(plot->thresholdTitle()->text(), QStringLiteral("порог срабатывания"));

    plot->handOver(1, 1, QStringLiteral("ВОГ"), QStringLiteral("% НКПР"), 0);
    reactivate();
    EXPECT_DOUBLE_EQ(plot->thresholdPercent(), 100);
    EXPECT_NEAR(plot->thresholdLine()->line().y1(), plot->plotArea().bottom(), 0.5);

    // Beyond the scale: no line inside the plot, and the window still works.
    plot->handOver(1, 1, QStringLiteral("ВОГ"), QStringLiteral("% НКПР"), 80);
    reactivate();
    EXPECT_LT(plot->thresholdPercent(), 0);
    EXPECT_FALSE(plot->thresholdLine()->isVisible());
}

TEST_F(PlotWindow, MethaneThenAmmoniaOfAnotherUnitMovesScaleAndLine) {
    click(1, 2, QStringLiteral("метан"), QStringLiteral("% об."), 2.0);
    EXPECT_EQ(plot->axisMaximum(), 2.5);
    EXPECT_DOUBLE_EQ(plot->thresholdPercent(), 20);
    plot->hide();
    click(4, 1, QStringLiteral("аммиак"), QStringLiteral("мг/м3"), 100);
    EXPECT_EQ(plot->axisMaximum(), 500);
    EXPECT_EQ(plot->axisStep(), 50);
    EXPECT_DOUBLE_EQ(plot->thresholdPercent(), 80);
}

TEST_F(PlotWindow, ActivationAfterAClickThatOpensNothingKeepsScaleAndSeries) {
    appendPlotRow(1, 2, 1.25);
    click(1, 2, QStringLiteral("метан"), QStringLiteral("% об."), 2.0);
    const QList<QPointF> before = plot->points();
    ASSERT_EQ(before.size(), 1);

    plot->handOver(3, 5, QStringLiteral("нет датчика"), QStringLiteral(""), 10);
    reactivate();
    EXPECT_EQ(plot->titleLine1(), QStringLiteral("пульт № 3 -  канал № 5"));
    EXPECT_EQ(plot->titleLine2(), QStringLiteral("нет датчика в "));
    EXPECT_EQ(plot->axisMaximum(), 2.5);
    EXPECT_EQ(plot->activeSeries(), 2);
    EXPECT_EQ(plot->points(), before);
}

TEST_F(PlotWindow, SeriesShowsTheUnitsRowsNewestFirst) {
    for (int i = 0; i < 30; ++i) {
        appendPlotRow(1, 3, i);
        appendPlotRow(2, 3, 100 + i); // another unit, never shown
    }
    click(1, 3, QStringLiteral("ВОГ"), QStringLiteral("% НКПР"), 25);
    EXPECT_EQ(plot->activeSeries(), 3);
    const QList<QPointF> points = plot->points();
    ASSERT_EQ(points.size(), 30) << "fewer rows than a page: the line stops short";
    EXPECT_EQ(points.first(), QPointF(0, 29));
    EXPECT_EQ(points.last(), QPointF(29, 0));

    // More than a page: only points 0..50 are loaded; the axis stays 0..50.
    for (int i = 30; i < 80; ++i)
        appendPlotRow(1, 3, i);
    plot->recordAppended(1);
    ASSERT_EQ(plot->points().size(), TPlotForm::kPlotPoints);
    EXPECT_EQ(plot->points().first(), QPointF(0, 79));
}

TEST_F(PlotWindow, RecordingTouchesOnlyAVisiblePlotOfTheSameUnit) {
    appendPlotRow(1, 1, 1);
    click(1, 1, QStringLiteral("ВОГ"), QStringLiteral("% НКПР"), 25);
    ASSERT_EQ(plot->points().size(), 1);

    appendPlotRow(2, 1, 5);
    plot->recordAppended(2);
    appendPlotRow(1, 1, 2);
    EXPECT_EQ(plot->points().size(), 1);
    plot->recordAppended(1);
    EXPECT_EQ(plot->points().size(), 2);

    plot->close();
    EXPECT_FALSE(plot->PlotTable.isOpen()) << "closing the window closes its table";
    appendPlotRow(1, 1, 3);
    plot->recordAppended(1);
    EXPECT_EQ(plot->points().size(), 2);

    // The next click opens the table again.
    click(1, 1, QStringLiteral("ВОГ"), QStringLiteral("% НКПР"), 25);
    EXPECT_EQ(plot->points().size(), 3);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(PlotWindow, CreatedHiddenAtTheStoredPlace) {
    config::TSettings placed;
    placed.PlotTop = 123;
    placed.PlotLeft = 321;
    TPlotForm other(placed, databaseFolder());
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(other.pos(), QPoint(321, 123));
    EXPECT_EQ(other.activeSeries(), 0);
    EXPECT_FALSE(other.PlotTable.isOpen());
}
