// Captions, hints and display switches of the main window, the clicks on
// unit panels and cells, and the hand-over of decoded replies to the panels.
#include "mainwindow/MainOrvex01.h"

#include "mainwindow/HintText.h"
#include "polling/NumberFormat.h"
#include "ui/Messages.h"

#include <QAction>
#include <QCheckBox>

namespace orvex::mainwindow {

void TMainForm::RefreshUnitHeader(int u, bool hasData) {
    TUnitPanel *panel = UnitPanels[u];
    if (!panel)
        return;
    panel->setCaption(unitCaption(u, hasData, *panel, Settings.L2ProcOn));
    // The unit must have its register row; the hint stays as it was if not.
    if (!m_station.unitsTable().findKey({u})) {
        ui::showError(unitNotFoundText(u), this);
        return;
    }
    panel->setHint(unitHint(hasData, *panel, Settings.L2ProcOn, Settings.ShowHint3));
}

void TMainForm::upOnClick() {
    // Percent mode switches over; setting the check box runs its own handler
    // with the same result.
    Settings.L2ProcOn = !Settings.L2ProcOn;
    const bool on = Settings.L2ProcOn;
    L2ProcCheckBox1->setChecked(on);
    L2ProcCheckBox1->setToolTip(l2ProcHint(on));
    // Cells with a reading switch at once (with one decimal until the next
    // decode writes the unit's own decimals again).
    for (int u = 1; u <= m_builtUnits; ++u) {
        bool hasData = false;
        for (int n = 1; n <= m_builtChannels; ++n) {
            TSensPanel *cell = SensPanels[n][u];
            if (!cell || !cell->spValid)
                continue;
            hasData = true;
            cell->cell.text =
                on ? polling::formatNumber(cell->spPercent, 3, 0) + QStringLiteral("%")
                   : polling::formatNumber(cell->spValue, 5, 1);
            cell->setCaption(cell->cell.text);
        }
        RefreshUnitHeader(u, hasData);
    }
}

void TMainForm::spOnClick(TSensPanel *cell) {
    // Every click hands the cell over to the plot window, before the gas test.
    PlotHandOver &h = m_plotHandOver;
    h.gasName = cell->spGasName.text();
    h.channelNo = cell->spChannelNo;
    h.unitNo = cell->spUnitNo;
    h.unitLabel = cell->spUnitLabel.text();
    const TUnitPanel *unit = unitPanel(h.unitNo);
    m_peers->handOverPlot(h.unitNo, h.channelNo, h.gasName, h.unitLabel,
                          unit ? unit->upTripThreshold : 0.0f);
    // Only a cell with a decoded gas opens the plot.
    if (isDecodedGas(cell->spGasName))
        m_peers->showPlot();
}

void TMainForm::L2ProcCheckBox1Click() {
    Settings.L2ProcOn = L2ProcCheckBox1->isChecked();
    L2ProcCheckBox1->setToolTip(l2ProcHint(Settings.L2ProcOn));
}

void TMainForm::SoundCheckBox1Click() {
    Settings.Sound_ON = SoundCheckBox1->isChecked();
    SoundCheckBox1->setToolTip(soundHint(Settings.Sound_ON));
}

void TMainForm::miHint1Click() {
    // The grid panels have switches of their own and are not affected.
    const bool on = miHint1->isChecked();
    setOwnHintSwitch(this, on);
    m_peers->setWindowHints(on);
}

void TMainForm::miHint2Click() {
    Settings.ShowHint2 = miHint2->isChecked();
    for (int u = 1; u <= m_builtUnits; ++u) {
        if (UnitPanels[u])
            setOwnHintSwitch(UnitPanels[u], Settings.ShowHint2);
        for (int n = 1; n <= m_builtChannels; ++n)
            if (SensPanels[n][u])
                setOwnHintSwitch(SensPanels[n][u], Settings.ShowHint2);
    }
}

void TMainForm::miHint3Click() {
    // Unit hints change now; cell hints at the next decode.
    Settings.ShowHint3 = miHint3->isChecked();
    for (int u = 1; u <= m_builtUnits; ++u)
        RefreshUnitHeader(u, unitHasData(u));
}

bool TMainForm::unitHasData(int u) const {
    for (int n = 1; n <= m_builtChannels; ++n)
        if (SensPanels[n][u] && SensPanels[n][u]->spValid)
            return true;
    return false;
}

TUnitPanel *TMainForm::unitPanel(int u) const {
    return u >= 1 && u <= kMaxUnits ? UnitPanels[std::size_t(u)] : nullptr;
}

void TMainForm::setUnitHighlight(int u, bool highlighted) {
    if (TUnitPanel *panel = unitPanel(u))
        panel->setColor(highlighted ? polling::PanelColor::rgb(255, 251, 240)
                                    : polling::PanelColor::buttonFace());
}

polling::DecodeOptions TMainForm::decodeOptions() const {
    polling::DecodeOptions options;
    options.percentMode = Settings.L2ProcOn;
    options.commentsInHints = Settings.ShowHint3;
    options.channelsMaxAmount = m_gridBuilt ? m_builtChannels : 0;
    return options;
}

void TMainForm::applyUnitCells(int u) {
    for (int n = 1; n <= m_builtChannels; ++n)
        if (SensPanels[n][u])
            SensPanels[n][u]->applyCellView();
}

polling::DecodeResult TMainForm::decodeUnitReply(int u, const polling::ReplyBuffer &reply) {
    if (!m_gridBuilt || u < 1 || u > m_builtUnits || !UnitPanels[u])
        return {};
    const polling::DecodeResult result =
        polling::DecodeReply(u, reply, *UnitPanels[u], channelRow(u), decodeOptions(),
                             [this](int unit, bool hasData) { RefreshUnitHeader(unit, hasData); });
    applyUnitCells(u);
    return result;
}

void TMainForm::showUnitReplyError(int u, const polling::ReplyOutcome &outcome) {
    if (!m_gridBuilt || u < 1 || u > m_builtUnits || !UnitPanels[u])
        return;
    polling::ShowReplyError(u, outcome, *UnitPanels[u], channelRow(u), decodeOptions(),
                            [this](int unit, bool hasData) { RefreshUnitHeader(unit, hasData); });
    applyUnitCells(u);
}

} // namespace orvex::mainwindow
