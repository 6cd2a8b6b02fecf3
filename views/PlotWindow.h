// The channel plot window (TPlotForm): the recent measurements of one channel
// of one unit from Plot.db, newest at the left (point 0), on a vertical scale
// chosen by the gas, with a red line at the unit's trip threshold.
//
// The main window hands over, on every cell click, the unit, channel, gas
// name, unit label and the unit's trip threshold (handOver), and for a cell
// with a decoded gas opens the plot (showChannel). The recording calls
// recordAppended after each measurement. Title, scale and threshold line are
// computed only when the window is activated; reloads change only the points.
#pragma once

#include "config/Settings.h"
#include "store/Table.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

class QChart;
class QChartView;
class QGraphicsLineItem;
class QGraphicsSimpleTextItem;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace orvex::ui {
class ActivationWatch;
}

namespace orvex::views {

class TPlotForm : public QWidget {
    Q_OBJECT
public:
    // Points on the bottom axis: 0 .. kPlotPoints - 1.
    static constexpr int kPlotPoints = 51;

    // Creates the window hidden at the stored position (PlotTop, PlotLeft)
    // with its table handle on the database `databaseName` (the location of
    // the main window's Units.DB handle); the handle stays closed until a
    // cell click opens it.
    TPlotForm(const config::TSettings &settings, const QString &databaseName,
              QWidget *parent = nullptr);
    ~TPlotForm() override;

    // The values a cell click hands over; kept for the next activation.
    void handOver(int unitNo, int channelNo, const QString &gasName, const QString &unitLabel,
                  double tripThreshold);
    // Where the trip threshold of a unit is read at each activation (the
    // unit's panel in the main window, which each decoded reply updates).
    // Without one, the threshold handed over with the cell click is used.
    void setTripThresholdSource(std::function<double(int unitNo)> source) {
        m_tripThreshold = std::move(source);
    }
    // The cell click on a cell with a decoded gas: open the table restricted
    // to the unit, make only the channel's series active, load it and show
    // the window (which activates it).
    void showChannel();
    // handOver() then showChannel().
    void showPlot(int unitNo, int channelNo, const QString &gasName, const QString &unitLabel,
                  double tripThreshold);
    // After each recorded measurement of unit `unitNo`: while the window is
    // visible and shows that unit, re-read the series from the first row.
    void recordAppended(int unitNo);

    // Takes another database for its table (a viewing workstation switching
    // stations); an open table is opened there at once and the plot redrawn.
    // Raises the store's errors, leaving the table closed.
    void switchDatabase(const QString &databaseName);
    // A viewing workstation, which has no grid, opens the plot of a unit's
    // channel from the stored rows: `title` (the sensor's name) stands for
    // the gas and unit a cell click hands over.
    void showStoredChannel(int unitNo, int channelNo, const QString &title);
    // Handlers.
    void FormCreate();
    void FormActivate();
    void FormClose();

    // What the chart shows, for the rest of the program and the tests.
    QString titleLine1() const { return m_title1; }
    QString titleLine2() const { return m_title2; }
    double axisMinimum() const;
    double axisMaximum() const;
    double axisStep() const;
    // Where the threshold line is, in percent of the plot height from the top.
    double thresholdPercent() const { return m_thresholdPercent; }
    // The red line as drawn (scene coordinates), and the plot area.
    QGraphicsLineItem *thresholdLine() const { return m_line; }
    QGraphicsSimpleTextItem *thresholdTitle() const { return m_lineTitle; }
    QRectF plotArea() const;
    int activeSeries() const; // 1..8, 0 when none
    QList<QPointF> points() const;

    int PlotUnitNo = 0;
    int PlotChannelNo = 0;
    QString PlotGasName;
    QString PlotUnitLabel;
    double TripThreshold = 0;

    store::Table PlotTable;
    QChartView *SensDBChart = nullptr;
    QLabel *Panel1 = nullptr;
    std::array<QLineSeries *, 9> Series{}; // Series[1] .. Series[8]

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void reloadSeries();
    void placeThresholdLine();

    const config::TSettings &m_settings;
    QChart *m_chart = nullptr;
    QValueAxis *m_bottomAxis = nullptr;
    QValueAxis *m_leftAxis = nullptr;
    QGraphicsLineItem *m_line = nullptr;
    QGraphicsSimpleTextItem *m_lineTitle = nullptr;
    QString m_title1;
    QString m_title2;
    double m_thresholdPercent = 80;
    ui::ActivationWatch *m_activation = nullptr;
    std::function<double(int)> m_tripThreshold;
    QString m_storedTitle; // title line 2 of a channel opened from stored rows
};

} // namespace orvex::views
