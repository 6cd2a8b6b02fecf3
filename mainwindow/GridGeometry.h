// Geometry of the unit and channel grid as plain arithmetic, apart from any
// widget: where the build puts the grid, how a resize re-lays it out (minimum
// cell sizes, cells never taller than wide) and which window size the layout
// asks for. The main window applies the results to its panels.
#pragma once

#include <QRect>
#include <QSize>

#include <functional>

namespace orvex::mainwindow {

inline constexpr int kRowGap = 1;           // between the header row and the first unit row
inline constexpr int kUnitPanelWidth = 198; // width of the unit-panel column
inline constexpr int kMinCellWidth = 72;    // the column pitch stays at least 72 + kRowGap
inline constexpr int kMinCellHeight = 24;   // the row pitch stays at least 24 + kRowGap
inline constexpr int kHeaderHeight = 20;    // channel header row
inline constexpr int kGridMargin = 3;       // margin on each side, used in the column pitch
inline constexpr int kStatusBarHeight = 25;
inline constexpr int kToolBarHeight = 33;
inline constexpr int kMaxUnits = 15;
inline constexpr int kMaxChannels = 8;

// Row and column pitch and the grid's origin in client coordinates. The build
// leaves a one-pixel gap between the unit panels and the first column
// (cellOffset 1); the layout closes it and moves the grid one pixel left.
struct GridGeometry {
    int RowHeight = 0;
    int ColWidth = 0;
    int GridTop = 0;  // top of the channel header row
    int RowsTop = 0;  // top of the first unit row
    int GridLeft = 0; // left of the unit-panel column
    int cellOffset = 1;

    friend bool operator==(const GridGeometry &, const GridGeometry &) = default;

    QRect progressBarRect() const;
    QRect headerRect(int channel) const; // channel 1..C
    QRect unitPanelRect(int unit) const; // unit 1..U
    QRect cellRect(int channel, int unit) const;
};

// The geometry BuildGrid uses: no minimum sizes, no squareness.
GridGeometry buildGridGeometry(QSize client, int units, int channels);

// The window as the layout sees it: its client area and its outer size, and a
// way to ask for another outer size. requestWindowSize answers whether the
// window took the size (a window that stays as it was, or refuses, answers false).
class LayoutWindow {
public:
    virtual ~LayoutWindow() = default;
    virtual QSize clientSize() const = 0;
    virtual QSize windowSize() const = 0;
    virtual bool requestWindowSize(QSize size) = 0;
};

// LayoutGrid's arithmetic. A size change the layout asks for runs the layout
// again for the new size at once (an inner run); the asking run then goes on
// with what the inner run left, reading the client size afresh. Inner runs
// nest at most a few levels, so a window that keeps answering with new sizes
// cannot recurse without end.
void layoutGridGeometry(GridGeometry &geometry, int units, int channels, LayoutWindow &window);

// A window whose size is only simulated: the non-client part stays constant,
// and `accept` decides whether a requested size is taken (all sizes by default).
class SimulatedWindow : public LayoutWindow {
public:
    SimulatedWindow(QSize window, QSize nonClient) : m_window(window), m_nonClient(nonClient) {}
    void setAccept(std::function<bool(QSize)> accept) { m_accept = std::move(accept); }

    QSize clientSize() const override { return m_window - m_nonClient; }
    QSize windowSize() const override { return m_window; }
    bool requestWindowSize(QSize size) override;
    int requests() const { return m_requests; }

private:
    QSize m_window;
    QSize m_nonClient;
    std::function<bool(QSize)> m_accept;
    int m_requests = 0;
};

// Font size in points of a cell after a layout: a cell with a reading takes
// its height div 4 (at least 10), any other its width div 8 (at least 9).
int layoutCellPointSize(bool valid, int cellWidth, int cellHeight);

} // namespace orvex::mainwindow
