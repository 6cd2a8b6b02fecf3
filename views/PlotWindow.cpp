// The channel plot window.
#include "views/PlotWindow.h"

#include "ui/Activation.h"
#include "ui/ErrorHandler.h"
#include "ui/Messages.h"

#include <QCloseEvent>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QLinearGradient>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <cmath>

namespace orvex::views {

namespace {

const QColor kMaroon(128, 0, 0);
const QColor kPanelColour(192, 220, 192);
const QColor kGradientEnd(215, 255, 196);
constexpr int kTextLimit = 20;

struct GasScale {
    const char16_t *gas;
    double maximum;
    double step;
    const char16_t *titlePrefix; // replaces "<gas> в " in title line 2; null = unchanged
};

// "СО газ" is written with Cyrillic С and О; the "CO" of its title with
// Latin C and O.
const GasScale kGasScales[] = {
    {u"метан", 2.5, 0.5, nullptr},
    {u"ВОГ", 50, 5, u"взрывоопасный газ в "},
    {u"СО газ", 250, 25, u"оксид углерода (CO) в "},
    {u"аммиак", 500, 50, nullptr},
};

// A small filled square drawn at every point.
QImage squareMarker() {
    QImage image(5, 5, QImage::Format_ARGB32);
    image.fill(kMaroon);
    return image;
}

// The chart title is rich text: two lines, blanks kept as they are.
QString titleHtml(const QString &line1, const QString &line2) {
    return QStringLiteral("<p align=\"center\" style=\"white-space:pre\">%1<br>%2</p>")
        .arg(line1.toHtmlEscaped(), line2.toHtmlEscaped());
}

QString labelFormatFor(double step) {
    return std::abs(step - std::round(step)) < 1e-9 ? QStringLiteral("%.0f")
                                                    : QStringLiteral("%.1f");
}

} // namespace

TPlotForm::TPlotForm(const config::TSettings &settings, const QString &databaseName,
                     QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_settings(settings) {
    setObjectName(QStringLiteral("PlotForm"));
    setWindowTitle(QStringLiteral("  50 последних измерений"));
    resize(375, 356);

    m_chart = new QChart;
    m_chart->legend()->hide();
    m_chart->setLocale(QLocale());
    m_chart->setLocalizeNumbers(true);
    QLinearGradient gradient(0, 0, 1, 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, kGradientEnd);
    m_chart->setBackgroundBrush(gradient);
    m_chart->setPlotAreaBackgroundVisible(false);
    QFont titleFont;
    titleFont.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    titleFont.setPixelSize(13);
    titleFont.setBold(true);
    m_chart->setTitleFont(titleFont);
    m_chart->setTitleBrush(kMaroon);
    m_title1 = QStringLiteral("50 последних измерений");
    m_chart->setTitle(titleHtml(m_title1, QString()));

    m_bottomAxis = new QValueAxis;
    m_bottomAxis->setRange(0, kPlotPoints - 1);
    m_bottomAxis->setTickCount(6);
    m_bottomAxis->setMinorTickCount(4);
    m_bottomAxis->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(m_bottomAxis, Qt::AlignBottom);

    m_leftAxis = new QValueAxis;
    m_leftAxis->setTickType(QValueAxis::TicksDynamic);
    m_leftAxis->setTickAnchor(0);
    m_leftAxis->setRange(0, 100);
    m_leftAxis->setTickInterval(10);
    m_leftAxis->setLabelFormat(labelFormatFor(10));
    m_chart->addAxis(m_leftAxis, Qt::AlignLeft);

    const QImage marker = squareMarker();
    for (int n = 1; n <= 8; ++n) {
        auto *series = new QLineSeries;
        series->setName(QStringLiteral("Series%1").arg(n));
        series->setPen(QPen(kMaroon, 1));
        series->setLightMarker(marker);
        m_chart->addSeries(series);
        series->attachAxis(m_bottomAxis);
        series->attachAxis(m_leftAxis);
        Series[n] = series;
    }

    // The trip threshold: a red line across the plot with its title.
    m_line = new QGraphicsLineItem(m_chart);
    m_line->setPen(QPen(Qt::red, 2));
    m_line->setZValue(10);
    m_lineTitle = new QGraphicsSimpleTextItem(QStringLiteral("порог срабатывания"), m_chart);
    m_lineTitle->setBrush(Qt::red);
    m_lineTitle->setZValue(10);
    connect(m_chart, &QChart::plotAreaChanged, this, [this] { placeThresholdLine(); });

    SensDBChart = new QChartView(m_chart, this);
    SensDBChart->setObjectName(QStringLiteral("SensDBChart"));
    SensDBChart->setRenderHint(QPainter::Antialiasing);
    SensDBChart->setDragMode(QGraphicsView::NoDrag);
    SensDBChart->setRubberBand(QChartView::NoRubberBand);
    SensDBChart->setAccessibleName(QStringLiteral("График"));

    Panel1 = new QLabel(
        QStringLiteral("      ^ последние измерения       --->-->-->        прошлые измерения ^"),
        this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(22);
    Panel1->setMinimumWidth(0);
    Panel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QFont panelFont;
    panelFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    panelFont.setPixelSize(11);
    Panel1->setFont(panelFont);
    Panel1->setAutoFillBackground(true);
    QPalette palette = Panel1->palette();
    palette.setColor(QPalette::Window, kPanelColour);
    palette.setColor(QPalette::WindowText, kMaroon);
    Panel1->setPalette(palette);
    Panel1->setAccessibleName(Panel1->text());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(SensDBChart, 1);
    layout->addWidget(Panel1);

    PlotTable.setDatabaseName(databaseName);
    PlotTable.setTableName(QStringLiteral("Plot.db"));
    PlotTable.setIndexName(QStringLiteral("UNo-M_IDX"));
    PlotTable.setReadOnly(true);

    // Activation: the focus comes to the window from another window of the
    // program (a cell click shows and activates it), not from another
    // application and not back from a box the window opened itself.
    m_activation = new ui::ActivationWatch(this);
    connect(m_activation, &ui::ActivationWatch::activated, this,
            [this] { ui::guarded([this] { FormActivate(); }, this); });

    FormCreate();
}

TPlotForm::~TPlotForm() = default;

void TPlotForm::FormCreate() {
    move(m_settings.PlotLeft, m_settings.PlotTop);
    for (int n = 1; n <= 8; ++n)
        Series[n]->setVisible(false);
    placeThresholdLine();
}

void TPlotForm::handOver(int unitNo, int channelNo, const QString &gasName,
                         const QString &unitLabel, double tripThreshold) {
    m_storedTitle.clear();
    PlotUnitNo = unitNo;
    PlotChannelNo = channelNo;
    PlotGasName = gasName.left(kTextLimit);
    PlotUnitLabel = unitLabel.left(kTextLimit);
    TripThreshold = tripThreshold;
}

void TPlotForm::showChannel() {
    PlotTable.open();
    PlotTable.setRange(PlotUnitNo, PlotUnitNo);
    for (int n = 1; n <= 8; ++n)
        Series[n]->setVisible(false);
    if (PlotChannelNo >= 1 && PlotChannelNo <= 8)
        Series[PlotChannelNo]->setVisible(true);
    reloadSeries();
    show();
    raise();
    activateWindow();
}

void TPlotForm::showPlot(int unitNo, int channelNo, const QString &gasName,
                         const QString &unitLabel, double tripThreshold) {
    handOver(unitNo, channelNo, gasName, unitLabel, tripThreshold);
    showChannel();
}

void TPlotForm::recordAppended(int unitNo) {
    if (!isVisible() || unitNo != PlotUnitNo || !PlotTable.isOpen())
        return;
    PlotTable.first();
    reloadSeries();
}

// The active series takes the rows of the unit in index order (newest
// first) as points 0, 1, 2, ...; the bottom axis shows 51 of them.
void TPlotForm::reloadSeries() {
    if (PlotChannelNo < 1 || PlotChannelNo > 8 || !PlotTable.isOpen())
        return;
    const int field = PlotTable.fieldIndex(QStringLiteral("D%1").arg(PlotChannelNo));
    QList<QPointF> points;
    const QList<store::Row> rows = PlotTable.firstPage(kPlotPoints);
    for (int k = 0; k < rows.size(); ++k) {
        const QVariant value = rows[k].values.value(field);
        if (!value.isNull())
            points.append(QPointF(k, value.toDouble()));
    }
    Series[PlotChannelNo]->replace(points);
}

void TPlotForm::FormActivate() {
    m_title1 = QStringLiteral("пульт № %1 -  канал № %2").arg(PlotUnitNo).arg(PlotChannelNo);
    m_title2 = PlotGasName + QStringLiteral(" в ") + PlotUnitLabel;
    // A channel chosen from the stored rows (a viewing workstation) has no
    // decoded gas and unit, only the sensor's name.
    if (!m_storedTitle.isEmpty())
        m_title2 = m_storedTitle;
    for (const GasScale &scale : kGasScales) {
        if (PlotGasName != QString::fromUtf16(scale.gas))
            continue;
        m_leftAxis->setRange(0, scale.maximum);
        m_leftAxis->setTickInterval(scale.step);
        m_leftAxis->setLabelFormat(labelFormatFor(scale.step));
        if (scale.titlePrefix)
            m_title2 = QString::fromUtf16(scale.titlePrefix) + PlotUnitLabel;
        break;
    }
    m_chart->setTitle(titleHtml(m_title1, m_title2));
    if (m_tripThreshold)
        TripThreshold = m_tripThreshold(PlotUnitNo);
    const double maximum = m_leftAxis->max();
    m_thresholdPercent =
        maximum != 0 ? (maximum - TripThreshold) * 100 / maximum : m_thresholdPercent;
    m_lineTitle->setText(QStringLiteral("порог срабатывания"));
    placeThresholdLine();
}

// The line lies at thresholdPercent() of the plot height from the top; a
// threshold outside the scale puts it outside the plot, where it is hidden.
void TPlotForm::placeThresholdLine() {
    const QRectF area = m_chart->plotArea();
    const bool inside = m_thresholdPercent >= 0 && m_thresholdPercent <= 100;
    m_line->setVisible(inside && area.isValid());
    m_lineTitle->setVisible(inside && area.isValid());
    if (!inside || !area.isValid())
        return;
    const double y = area.top() + area.height() * m_thresholdPercent / 100;
    m_line->setLine(area.left(), y, area.right(), y);
    const QRectF text = m_lineTitle->boundingRect();
    const double textTop = y - text.height() - 1 >= area.top() ? y - text.height() - 1 : y + 1;
    m_lineTitle->setPos(area.center().x() - text.width() / 2, textTop);
}

double TPlotForm::axisMinimum() const {
    return m_leftAxis->min();
}
double TPlotForm::axisMaximum() const {
    return m_leftAxis->max();
}
double TPlotForm::axisStep() const {
    return m_leftAxis->tickInterval();
}
QRectF TPlotForm::plotArea() const {
    return m_chart->plotArea();
}

int TPlotForm::activeSeries() const {
    for (int n = 1; n <= 8; ++n) {
        if (Series[n]->isVisible())
            return n;
    }
    return 0;
}

QList<QPointF> TPlotForm::points() const {
    const int n = activeSeries();
    return n ? Series[n]->points() : QList<QPointF>();
}

void TPlotForm::FormClose() {
    PlotTable.close();
}

void TPlotForm::closeEvent(QCloseEvent *event) {
    ui::guarded([this] { FormClose(); }, this);
    QWidget::closeEvent(event);
}

} // namespace orvex::views
