// Grid geometry: the build formulas, the layout's minimum sizes and
// squareness with its inner runs, a refused resize, and the cell font sizes.
// The widgets that apply these values are covered by MainFormTest.
#include "mainwindow/GridGeometry.h"

#include <gtest/gtest.h>

using namespace orvex::mainwindow;

namespace {

// Offscreen windows have no frame; a menu bar of 22 pixels stands for the
// non-client part so that window and client sizes differ as on a desktop.
const QSize kNonClient(0, 22);

SimulatedWindow windowWithClient(QSize client) {
    return {client + kNonClient, kNonClient};
}

} // namespace

TEST(GridGeometry, BuildOnClient792x500WithFourUnitsAndEightChannels) {
    const GridGeometry g = buildGridGeometry({792, 500}, 4, 8);
    EXPECT_EQ(g.RowHeight, 104);
    EXPECT_EQ(g.GridTop, 35);
    EXPECT_EQ(g.RowsTop, 56);
    EXPECT_EQ(g.ColWidth, 73);
    EXPECT_EQ(g.GridLeft, 5);
    // Cells start one pixel right of the unit panels' right edge.
    EXPECT_EQ(g.unitPanelRect(1), QRect(5, 56, 198, 105));
    EXPECT_EQ(g.cellRect(1, 1), QRect(5 + 198 + 1, 56, 74, 105));
    EXPECT_EQ(g.cellRect(8, 4), QRect(5 + 198 + 1 + 7 * 73, 56 + 3 * 104, 74, 105));
    EXPECT_EQ(g.headerRect(2), QRect(5 + 198 + 1 + 73, 35, 74, 20));
    EXPECT_EQ(g.progressBarRect(), QRect(6, 42, 195, 7));
}

TEST(GridGeometry, LayoutAfterBuildMakesCellsSquareAndShrinksTheWindow) {
    GridGeometry g = buildGridGeometry({792, 500}, 4, 8);
    SimulatedWindow window = windowWithClient({792, 500});
    layoutGridGeometry(g, 4, 8, window);
    EXPECT_EQ(g.RowHeight, 73);
    EXPECT_EQ(window.clientSize(), QSize(792, 25 + 33 + 20 + 1 + 4 + 4 * 73));
    EXPECT_EQ(window.clientSize().height(), 375);
    EXPECT_EQ(g.GridLeft, 4);
    EXPECT_EQ(g.GridTop, 35);
    EXPECT_EQ(g.RowsTop, 56);
    // The layout closes the gap: cells touch the unit panels.
    EXPECT_EQ(g.cellRect(1, 1).left(), g.unitPanelRect(1).left() + 198);
    // A second layout at the new size changes nothing and asks for nothing.
    const GridGeometry settled = g;
    const int requests = window.requests();
    layoutGridGeometry(g, 4, 8, window);
    EXPECT_EQ(g, settled);
    EXPECT_EQ(window.requests(), requests);
}

TEST(GridGeometry, NarrowWindowIsWidenedToTheMinimumColumnPitch) {
    GridGeometry g;
    SimulatedWindow window = windowWithClient({600, 500});
    layoutGridGeometry(g, 4, 8, window);
    EXPECT_EQ(window.clientSize().width(), 8 * 73 + 198 + 6);
    EXPECT_EQ(window.clientSize().width(), 788);
    EXPECT_EQ(g.ColWidth, 73);
    EXPECT_EQ(g.GridLeft, (788 - 198 - 8 * 73) / 2 - 1);
}

TEST(GridGeometry, LowWindowIsRaisedToTheMinimumRowPitch) {
    GridGeometry g;
    SimulatedWindow window = windowWithClient({792, 200});
    layoutGridGeometry(g, 15, 8, window);
    EXPECT_EQ(window.clientSize().height(), 25 + 33 + 20 + 1 + 4 + 15 * 25);
    EXPECT_EQ(g.RowHeight, 25);
    EXPECT_EQ(g.GridTop, (4 / 2) + 33);
}

TEST(GridGeometry, RefusedResizeKeepsThePitchComputedBefore) {
    GridGeometry g;
    SimulatedWindow window = windowWithClient({600, 500});
    window.setAccept([](QSize) { return false; });
    layoutGridGeometry(g, 4, 8, window);
    EXPECT_EQ(window.clientSize(), QSize(600, 500));
    EXPECT_EQ(g.ColWidth, 49);
    EXPECT_EQ(g.RowHeight, 49); // squareness still caps the rows
    EXPECT_EQ(g.GridLeft, (600 - 198 - 8 * 49) / 2 - 1);
    EXPECT_EQ(g.GridTop, (500 - 25 - 33 - 20 - 1 - 4 * 49) / 2 + 33);
}

TEST(GridGeometry, WindowThatClaimsSizesItNeverTakesCannotRecurseForEver) {
    // Answers every request with "taken" while its client area never grows,
    // as a window manager that reports success and keeps its own size.
    struct StubbornWindow : LayoutWindow {
        int requests = 0;
        QSize clientSize() const override { return {600, 100}; }
        QSize windowSize() const override { return {600, 122}; }
        bool requestWindowSize(QSize) override { return ++requests > 0; }
    } window;
    GridGeometry g;
    layoutGridGeometry(g, 15, 8, window);
    EXPECT_GT(window.requests, 0);
    EXPECT_LT(window.requests, 100);
    EXPECT_EQ(g.ColWidth, (600 - 6 - 198) / 8);
}

TEST(GridGeometry, CellFontSizeFollowsValidityAndCellSize) {
    struct Case {
        bool valid;
        int width, height, points;
    };
    const Case cases[] = {
        {true, 74, 50, 12},  // height div 4
        {true, 74, 30, 10},  // raised to 10
        {false, 60, 74, 9},  // 60 div 8 = 7 raised to 9
        {false, 100, 30, 12} // width div 8
    };
    for (const Case &c : cases)
        EXPECT_EQ(layoutCellPointSize(c.valid, c.width, c.height), c.points)
            << c.valid << " " << c.width << "x" << c.height;
}
