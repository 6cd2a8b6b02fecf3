// Grid geometry: the build and layout formulas of the unit and channel grid.
// Every division is integer division truncating toward zero, as the pixel
// positions operators are used to come from exactly these formulas.
#include "mainwindow/GridGeometry.h"

#include <algorithm>

namespace orvex::mainwindow {

namespace {

// Height of everything in the client area that is not unit rows.
constexpr int kFixedHeight = kStatusBarHeight + kToolBarHeight + kHeaderHeight + kRowGap + 4;

// An inner run that asks for yet another size nests one level deeper; real
// layouts settle after two levels (width, then height).
constexpr int kMaxDepth = 4;

void layout(GridGeometry &g, int units, int channels, LayoutWindow &window, int depth) {
    g.cellOffset = 0;
    const int margins = 2 * kGridMargin;
    auto innerRun = [&](QSize requested) {
        if (depth < kMaxDepth && window.requestWindowSize(requested))
            layout(g, units, channels, window, depth + 1);
    };

    QSize client = window.clientSize();
    g.ColWidth = (client.width() - margins - kUnitPanelWidth) / channels;
    if (g.ColWidth < kMinCellWidth + kRowGap) {
        const QSize outer = window.windowSize();
        innerRun({channels * (kMinCellWidth + kRowGap) + kUnitPanelWidth + outer.width() -
                      client.width() + margins,
                  outer.height()});
    }

    client = window.clientSize();
    g.GridLeft = (client.width() - kUnitPanelWidth - channels * g.ColWidth) / 2 - 1;
    g.RowHeight =
        (client.height() - kStatusBarHeight - kToolBarHeight - kHeaderHeight - kRowGap - 4) / units;
    if (g.RowHeight < kMinCellHeight + kRowGap) {
        const QSize outer = window.windowSize();
        innerRun({outer.width(), kFixedHeight + outer.height() - client.height() +
                                     units * (kMinCellHeight + kRowGap)});
    }
    if (g.RowHeight > g.ColWidth) {
        g.RowHeight = g.ColWidth;
        const QSize outer = window.windowSize();
        client = window.clientSize();
        innerRun(
            {outer.width(), kFixedHeight + outer.height() - client.height() + units * g.RowHeight});
    }

    client = window.clientSize();
    g.GridTop = (client.height() - kStatusBarHeight - kToolBarHeight - kHeaderHeight - kRowGap -
                 units * g.RowHeight) /
                    2 +
                kToolBarHeight;
    g.RowsTop = g.GridTop + kRowGap + kHeaderHeight;
}

} // namespace

QRect GridGeometry::progressBarRect() const {
    return {GridLeft + 1, GridTop + 7, kUnitPanelWidth - 3, 7};
}

QRect GridGeometry::headerRect(int channel) const {
    return {GridLeft + kUnitPanelWidth + cellOffset + (channel - 1) * ColWidth, GridTop,
            ColWidth + 1, kHeaderHeight};
}

QRect GridGeometry::unitPanelRect(int unit) const {
    return {GridLeft, (unit - 1) * RowHeight + RowsTop, kUnitPanelWidth, RowHeight + 1};
}

QRect GridGeometry::cellRect(int channel, int unit) const {
    return {GridLeft + kUnitPanelWidth + cellOffset + (channel - 1) * ColWidth,
            (unit - 1) * RowHeight + RowsTop, ColWidth + 1, RowHeight + 1};
}

GridGeometry buildGridGeometry(QSize client, int units, int channels) {
    GridGeometry g;
    const int free = client.height() - kStatusBarHeight - kToolBarHeight - kHeaderHeight;
    g.RowHeight = (free - 4) / units;
    g.GridTop = (free - kRowGap - units * g.RowHeight) / 2 + kToolBarHeight;
    g.RowsTop = g.GridTop + kRowGap + kHeaderHeight;
    g.ColWidth = (client.width() - 2 * kGridMargin - kUnitPanelWidth) / channels;
    g.GridLeft = (client.width() - kUnitPanelWidth - channels * g.ColWidth) / 2;
    g.cellOffset = 1;
    return g;
}

void layoutGridGeometry(GridGeometry &geometry, int units, int channels, LayoutWindow &window) {
    layout(geometry, std::max(units, 1), std::max(channels, 1), window, 0);
}

bool SimulatedWindow::requestWindowSize(QSize size) {
    ++m_requests;
    if (size == m_window)
        return false;
    if (m_accept && !m_accept(size))
        return false;
    m_window = size;
    return true;
}

int layoutCellPointSize(bool valid, int cellWidth, int cellHeight) {
    if (valid)
        return std::max(cellHeight / 4, 10);
    return std::max(cellWidth / 8, 9);
}

} // namespace orvex::mainwindow
