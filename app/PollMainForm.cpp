// The main window behind the poll cycle's surface, and the recording's
// counters and sound.
#include "app/PollMainForm.h"

#include "config/IniOptions.h"
#include "config/UnitRegister.h"
#include "mainwindow/MainOrvex01.h"
#include "polling/StationModel.h"
#include "ui/ErrorHandler.h"
#include "ui/Messages.h"
#include "ui/ShellOpen.h"

#include <QTimer>

namespace orvex::app {

class MainFormSurface : public polling::PollSurface {
public:
    MainFormSurface(mainwindow::TMainForm &form, polling::StationModel &station)
        : m_form(form), m_station(station) {}

    config::TSettings &settings() override { return m_station.settings(); }
    serial::TBComPort &port() override { return m_station.port(); }
    QTimer &timer() override { return m_form.pollTimer(); }
    QProgressBar &progressBar() override { return m_form.progressBar(); }
    std::uint8_t unitAddress(int u) override {
        return m_station.settings().UnitAddr[std::size_t(u)];
    }
    bool checkDuplicateAddresses() override {
        config::UnitRegister reg(m_station.unitsTable(), m_station.sensorTable(),
                                 m_station.settings());
        reg.setOnWarning([this](const QString &text) { ui::showWarning(text, &m_form); });
        return reg.CheckDuplicateAddresses();
    }
    void runOptions() override { m_form.miOptionsClick(); }
    void setMenusEnabled(bool enabled) override { m_form.setMenusEnabled(enabled); }
    void setPortStatus(const QString &text) override { m_form.setPortStatus(text); }
    void setStartButton(const QString &caption, const QString &hint) override {
        m_form.setStartButton(caption, hint);
    }
    void pollingChanged(bool polling) override { m_form.setPolling(polling); }
    void setUnitHeaderHighlight(int u, bool highlighted) override {
        m_form.setUnitHighlight(u, highlighted);
    }
    polling::DecodeResult decodeReply(int u, const polling::ReplyBuffer &reply) override {
        return m_form.decodeUnitReply(u, reply);
    }
    void showReplyError(int u, const polling::ReplyOutcome &outcome) override {
        m_form.showUnitReplyError(u, outcome);
    }
    QWidget *messageParent() override { return &m_form; }

private:
    mainwindow::TMainForm &m_form;
    polling::StationModel &m_station;
};

PollController::PollController(mainwindow::TMainForm &form, polling::StationModel &station)
    : m_form(form), m_station(station),
      m_surface(std::make_unique<MainFormSurface>(form, station)) {
    m_recorder = std::make_unique<polling::MeasurementRecorder>(
        station.plotTable(), station.signalTable(), station.archiveTable(), station.settings());
    m_recorder->setListener(this);
    m_cycle = std::make_unique<polling::PollCycle>(
        *m_surface, [rec = m_recorder.get()](int u, int level,
                                             const std::array<float, polling::kMaxChannels> &values,
                                             const QDate &date, const QTime &time) {
            rec->RecordMeasurement(u, level, values, date, time);
        });
    // While the line is dead every tick fails; at a short unit interval the
    // next box would come before the operator's hand reaches STOP.
    m_cycle->setErrorBoxPause(kErrorBoxPauseMs);
    connect(&form, &mainwindow::TMainForm::startStopClicked, this, &PollController::startStop);
    connect(&form.pollTimer(), &QTimer::timeout, this, [this] { m_cycle->Timer1Cicle(); });
}

PollController::~PollController() {
    // No tick may come while the cycle goes.
    m_form.pollTimer().stop();
}

void PollController::startStop() {
    ui::guarded(
        [this] {
            const bool before = m_cycle->polling();
            try {
                m_cycle->ScanBitBtnClick();
            } catch (...) {
                emit startStopHandled(before);
                throw;
            }
            emit startStopHandled(before);
        },
        &m_form);
}

void PollController::currentCountChanged(qint64 rows) {
    m_form.setCurrentCount(rows);
    emit currentRecordAdded(rows);
}

void PollController::plotRowAdded(int unitNo) {
    emit plotRecordAdded(unitNo);
}

void PollController::archiveCountChanged(qint64 rows) {
    emit archiveRecordAdded(rows);
    m_form.setArchiveCount(rows);
}

void PollController::setOptionsDialog(const config::TIniOptionsForm *options) {
    m_options = options;
}

QString PollController::soundFileText() {
    return m_options ? m_options->soundFileText() : QString();
}

void PollController::shellOpen(const QString &fileName) {
    ui::shellOpen(fileName);
}

} // namespace orvex::app
