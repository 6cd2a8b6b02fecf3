// The main window behind the poll cycle's surface, and the wiring of the
// recording's counters.
#include "polling/PollMainForm.h"

#include "config/UnitRegister.h"
#include "mainwindow/HintText.h"
#include "mainwindow/MainOrvex01.h"
#include "ui/Messages.h"
#include "ui/ShellOpen.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace orvex::polling {

class MainFormSurface : public PollSurface {
public:
    explicit MainFormSurface(mainwindow::TMainForm &form) : m_form(form) {}

    config::TSettings &settings() override { return m_form.Settings; }
    serial::TBComPort &port() override { return m_form.BComPort1; }
    QTimer &timer() override { return *m_form.Timer1; }
    QProgressBar &progressBar() override { return *m_form.ProgressBar1; }
    std::uint8_t unitAddress(int u) override { return m_form.Settings.UnitAddr[std::size_t(u)]; }
    bool checkDuplicateAddresses() override {
        config::UnitRegister reg(m_form.UnitsTable, m_form.SensorTable, m_form.Settings);
        reg.setOnWarning([this](const QString &text) { ui::showWarning(text, &m_form); });
        return reg.CheckDuplicateAddresses();
    }
    void runOptions() override { m_form.miOptionsClick(); }
    void setMenusEnabled(bool enabled) override {
        m_form.miFile->setEnabled(enabled);
        m_form.miFile->menuAction()->setEnabled(enabled);
        m_form.miOptions->setEnabled(enabled);
    }
    void setPortStatus(const QString &text) override { m_form.StatusBar1->setPanelText(0, text); }
    void setStartButton(const QString &caption, const QString &hint) override {
        m_form.ScanBitBtn->setText(caption);
        m_form.ScanBitBtn->setToolTip(hint);
        m_form.ScanBitBtn->setAccessibleName(caption);
    }
    void pollingChanged(bool polling) override {
        m_form.Polling = polling;
        m_form.updateStartButton();
    }
    void setUnitHeaderHighlight(int u, bool highlighted) override {
        if (u < 1 || u > mainwindow::kMaxUnits || !m_form.UnitPanels[std::size_t(u)])
            return;
        m_form.UnitPanels[std::size_t(u)]->setColor(highlighted ? PanelColor::rgb(255, 251, 240)
                                                                : PanelColor::buttonFace());
    }
    DecodeResult decodeReply(int u, const ReplyBuffer &reply) override {
        return m_form.decodeUnitReply(u, reply);
    }
    void showReplyError(int u, const ReplyOutcome &outcome) override {
        m_form.showUnitReplyError(u, outcome);
    }
    QWidget *messageParent() override { return &m_form; }

private:
    mainwindow::TMainForm &m_form;
};

PollController::PollController(mainwindow::TMainForm &form, PollViewHooks hooks)
    : m_form(form), m_surface(std::make_unique<MainFormSurface>(form)) {
    m_recorder = std::make_unique<MeasurementRecorder>(form.PlotTable1, form.SignalTable,
                                                       form.ArcTable, form.Settings);
    RecordingHooks &rh = m_recorder->hooks;
    rh.currentCountChanged = [&form, view = hooks.currentRecordAdded](qint64 rows) {
        form.StatusBar1->setPanelText(2, mainwindow::signalsCountText(rows));
        if (view)
            view(rows);
    };
    rh.plotRowAdded = hooks.plotRecordAdded;
    rh.archiveCountChanged = [&form, view = hooks.archiveRecordAdded](qint64 rows) {
        if (view)
            view(rows);
        form.StatusBar1->setPanelText(3, mainwindow::arcCountText(rows));
    };
    rh.soundFileText = hooks.soundFileText;
    // Without a seam of its own the alarm goes to the program's shell "open".
    if (hooks.shellOpen)
        rh.shellOpen = hooks.shellOpen;
    else
        rh.shellOpen = [](const QString &file) { ui::shellOpen(file); };

    m_cycle = std::make_unique<PollCycle>(
        *m_surface,
        [rec = m_recorder.get()](int u, int level, const std::array<float, kMaxChannels> &values,
                                 const QDate &date, const QTime &time) {
            rec->RecordMeasurement(u, level, values, date, time);
        });
    // While the line is dead every tick fails; at a short unit interval the
    // next box would come before the operator's hand reaches STOP.
    m_cycle->setErrorBoxPause(kErrorBoxPauseMs);
    form.ScanBitBtnClickHandler = [this] { m_cycle->ScanBitBtnClick(); };
    form.Timer1CicleHandler = [this] { m_cycle->Timer1Cicle(); };
}

PollController::~PollController() {
    m_form.ScanBitBtnClickHandler = nullptr;
    m_form.Timer1CicleHandler = nullptr;
}

PollController *attachPollCycle(mainwindow::TMainForm &form, PollViewHooks hooks) {
    auto controller = std::make_unique<PollController>(form, std::move(hooks));
    PollController *attached = controller.get();
    form.adoptPollController(std::move(controller));
    return attached;
}

} // namespace orvex::polling
