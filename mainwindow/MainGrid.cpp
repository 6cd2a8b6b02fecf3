// The grid of the main window: building it from the settings and the
// register, laying it out for the window size, and freeing it.
#include "mainwindow/MainOrvex01.h"

#include "mainwindow/HintText.h"
#include "mainwindow/Texts.h"
#include "ui/ErrorHandler.h"

#include <QProgressBar>

namespace orvex::mainwindow {

using namespace texts;

namespace {

// The main window seen by the layout arithmetic. A size is taken unless the
// window is maximised or full-screen, or the window manager already refused
// this very change (it answered by putting the window back to the size it
// had), so a window that cannot grow is not asked again and again.
class FormWindow : public LayoutWindow {
public:
    FormWindow(QSize window, QSize client, bool fixedSize, QSize refusedFrom, QSize refusedTo)
        : m_window(window), m_nonClient(window - client), m_fixed(fixedSize),
          m_refusedFrom(refusedFrom), m_refusedTo(refusedTo) {}
    QSize clientSize() const override { return m_window - m_nonClient; }
    QSize windowSize() const override { return m_window; }
    bool requestWindowSize(QSize size) override {
        if (m_fixed || size == m_window || size.width() <= 0 || size.height() <= 0)
            return false;
        if (m_window == m_refusedFrom && size == m_refusedTo)
            return false;
        m_window = size;
        return true;
    }

private:
    QSize m_window;
    QSize m_nonClient;
    bool m_fixed;
    QSize m_refusedFrom;
    QSize m_refusedTo;
};

} // namespace

polling::ChannelRow TMainForm::channelRow(int u) {
    for (int n = 1; n <= kMaxChannels; ++n)
        m_rowBuffer[n - 1] = SensPanels[n][u];
    return polling::ChannelRow(m_rowBuffer.data(), m_rowBuffer.size());
}

// Builds the grid for the present client area from the settings and the
// register: the channel headers, then unit by unit its register rows, its
// header and its cells (hidden until the whole grid exists), then shows it.
void TMainForm::BuildGrid() {
    const int units = Settings.UnitsAmount;
    const int channels = Settings.ChannalsMaxAmount;
    placeChrome();
    delete FirstRunNotice;
    FirstRunNotice = nullptr;
    m_geometry = buildGridGeometry(clientSize(), units, channels);
    ProgressBar1->setGeometry(m_geometry.progressBarRect());
    QFont bold = font();
    bold.setBold(true);
    createChannelHeaders(bold);
    m_station.unitsTable().open();
    m_station.sensorTable().open();
    QFont cellFont(QStringLiteral("Arial"));
    cellFont.setPointSize(8);
    for (int u = 1; u <= units; ++u)
        createUnitRow(u, bold, cellFont);
    for (int u = 1; u <= units; ++u)
        for (int n = 1; n <= channels; ++n)
            SensPanels[n][u]->show();
    StatusBar1->raise();
    m_builtUnits = units;
    m_builtChannels = channels;
    m_gridBuilt = true;
    updateStartButton();
}

void TMainForm::createChannelHeaders(const QFont &bold) {
    for (int n = 1; n <= Settings.ChannalsMaxAmount; ++n) {
        auto *header = new TBevelPanel(m_client);
        header->setObjectName(QStringLiteral("ChannelHeader%1").arg(n));
        header->setBevels(TBevelPanel::Bevel::Lowered, TBevelPanel::Bevel::Raised, 1, 0);
        header->setColor(polling::PanelColor::buttonFace());
        header->setFont(bold);
        header->setCaption(kChannelHeader + QString::number(n));
        header->setGeometry(m_geometry.headerRect(n));
        header->show();
        ChannelHeaders[n] = header;
    }
}

// Unit u's register rows (the Units.DB cursor then stands on unit u), its
// header with the name and comment from its row, and its cells.
void TMainForm::createUnitRow(int u, const QFont &bold, const QFont &cellFont) {
    m_station.unitRegister().ensureGridRows(u);
    store::Table &units = m_station.unitsTable();
    auto *panel = new TUnitPanel(m_client);
    panel->setObjectName(QStringLiteral("UnitPanel%1").arg(u));
    panel->setGeometry(m_geometry.unitPanelRect(u));
    panel->setBevels(TBevelPanel::Bevel::Lowered, TBevelPanel::Bevel::Raised, 2, 0);
    panel->setColor(polling::PanelColor::buttonFace());
    panel->setFont(bold);
    setOwnHintSwitch(panel, Settings.ShowHint2);
    panel->upName =
        QStringLiteral(" ") + units.asString(store::fields::UnitName) + QStringLiteral(" ");
    panel->upComment = units.asString(store::fields::UnitDescription);
    panel->upErrorText = QString();
    UnitPanels[u] = panel;
    connect(panel, &TBevelPanel::clicked, this,
            [this] { ui::guarded([this] { upOnClick(); }, this); });
    RefreshUnitHeader(u, false);
    panel->show();
    for (int n = 1; n <= Settings.ChannalsMaxAmount; ++n)
        SensPanels[n][u] = createCell(u, n, cellFont);
}

// A hidden cell without a reading, named after its sensor's register row.
TSensPanel *TMainForm::createCell(int u, int n, const QFont &cellFont) {
    store::Table &sensors = m_station.sensorTable();
    auto *cell = new TSensPanel(m_client);
    cell->setObjectName(QStringLiteral("SensPanel%1_%2").arg(n).arg(u));
    cell->hide();
    cell->spValid = false;
    cell->spChannelNo = n;
    cell->spUnitNo = u;
    cell->setGeometry(m_geometry.cellRect(n, u));
    cell->setBevels(TBevelPanel::Bevel::None, TBevelPanel::Bevel::Raised, 1, 1);
    cell->setFont(cellFont);
    if (sensors.findKey({u, n})) {
        cell->spSensorName = sensors.asString(store::fields::SensorName);
        cell->spComment = sensors.asString(store::fields::SensDescription);
    }
    cell->spGasName = QString();
    cell->cell.text.clear();
    cell->cell.background = polling::idleCellColor();
    cell->cell.hint = cellBuildHint(u, n, cell->spSensorName, cell->spComment, Settings.ShowHint3);
    cell->setCaption(QString());
    cell->setColor(polling::idleCellColor());
    cell->setHint(cell->cell.hint);
    setOwnHintSwitch(cell, Settings.ShowHint2);
    connect(cell, &TBevelPanel::clicked, this,
            [this, cell] { ui::guarded([this, cell] { spOnClick(cell); }, this); });
    return cell;
}

void TMainForm::placeGrid(const GridGeometry &g) {
    const int units = m_builtUnits;
    const int channels = m_builtChannels;
    ProgressBar1->setGeometry(g.progressBarRect());
    for (int n = channels; n >= 1; --n)
        if (ChannelHeaders[n])
            ChannelHeaders[n]->setGeometry(g.headerRect(n));
    for (int u = 1; u <= units; ++u) {
        if (UnitPanels[u])
            UnitPanels[u]->setGeometry(g.unitPanelRect(u));
        for (int n = 1; n <= channels; ++n) {
            TSensPanel *cell = SensPanels[n][u];
            if (!cell)
                continue;
            const QRect r = g.cellRect(n, u);
            cell->setGeometry(r);
            cell->setPointSize(layoutCellPointSize(cell->spValid, r.width(), r.height()));
        }
    }
}

void TMainForm::LayoutGrid() {
    if (!m_gridBuilt || m_layingOut)
        return;
    // A window manager that refuses a size puts the window back where it
    // was; that change is then not asked for again.
    if (m_pendingTo.isValid()) {
        if (size() == m_pendingFrom && size() != m_pendingTo) {
            m_refusedFrom = m_pendingFrom;
            m_refusedTo = m_pendingTo;
        }
        m_pendingFrom = m_pendingTo = QSize();
    }

    m_layingOut = true;
    const bool fixedSize = isMaximized() || isFullScreen();
    FormWindow window(size(), clientSize(), fixedSize, m_refusedFrom, m_refusedTo);
    GridGeometry g = m_geometry;
    layoutGridGeometry(g, m_builtUnits, m_builtChannels, window);
    if (window.windowSize() != size()) {
        // The inner runs already happened in the arithmetic; the resize event
        // this causes meets the guard, or finds the layout in place.
        m_pendingFrom = size();
        m_pendingTo = window.windowSize();
        resize(window.windowSize());
        placeChrome();
        if (size() != window.windowSize()) {
            // Not taken at once: lay out for the size the window has.
            FormWindow actual(size(), clientSize(), true, QSize(), QSize());
            g = m_geometry;
            layoutGridGeometry(g, m_builtUnits, m_builtChannels, actual);
        }
    }
    m_geometry = g;
    placeGrid(g);
    m_layingOut = false;
}

void TMainForm::FreeGrid() {
    m_gridBuilt = false;
    updateStartButton();
    for (int n = 1; n <= std::min(m_builtChannels, int(kMaxChannels)); ++n) {
        delete ChannelHeaders[n];
        ChannelHeaders[n] = nullptr;
    }
    for (int u = 1; u <= std::min(m_builtUnits, int(kMaxUnits)); ++u) {
        delete UnitPanels[u];
        UnitPanels[u] = nullptr;
    }
    for (int u = 1; u <= std::min(m_builtUnits, int(kMaxUnits)); ++u)
        for (int n = 1; n <= std::min(m_builtChannels, int(kMaxChannels)); ++n) {
            delete SensPanels[n][u];
            SensPanels[n][u] = nullptr;
        }
}

} // namespace orvex::mainwindow
