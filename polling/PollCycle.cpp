// The poll cycle's START and STOP, the timer tick with its two phases and the
// waiting ticks of the progress bar, the send tick and the read tick.
#include "polling/PollCycle.h"

#include "config/Settings.h"
#include "serial/BCPort.h"
#include "ui/ErrorHandler.h"
#include "ui/Messages.h"

#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <exception>

namespace orvex::polling {

QString startCaption() {
    return QStringLiteral("СТАРТ");
}
QString stopCaption() {
    return QStringLiteral("СТОП");
}
QString startPollingHint() {
    return QStringLiteral("Запустить опрос пультов");
}
QString stopPollingHint() {
    return QStringLiteral("Остановить опрос пультов");
}

QString portStatusText(const QString &port, const QString &speed, bool open) {
    // Latin look-alike letters and a digit zero, as the status bar always had.
    return QStringLiteral("Пopт: ") + port + QLatin1Char(' ') + speed +
           (open ? QStringLiteral(" - 0TКPЫT") : QStringLiteral(" - ЗAКPЫT"));
}

int unitInterval(int periodMs, int units) {
    return std::max(periodMs, 0) / std::max(units, 1);
}

int waitInterval(int unitIntervalMs, bool progressVisible, int step, int maximum) {
    const int wait =
        progressVisible ? unitIntervalMs * step / std::max(maximum, 1) : unitIntervalMs;
    return std::max(wait, 1);
}

namespace {

int unitsAmount(const config::TSettings &s) {
    return std::clamp(s.UnitsAmount, 1, config::kMaxUnits);
}

// "Visible" is the bar's own flag, so the cycle behaves the same whether or
// not the window is on screen.
bool barVisible(const QProgressBar &bar) {
    return !bar.isHidden();
}

} // namespace

PollCycle::PollCycle(PollSurface &surface, Recorder recorder)
    : m_surface(surface), m_recorder(std::move(recorder)),
      m_clock([] { return QDateTime::currentDateTime(); }) {}

void PollCycle::ScanBitBtnClick() {
    if (m_polling)
        stop();
    else
        start();
}

void PollCycle::start() {
    config::TSettings &s = m_surface.settings();
    serial::TBComPort &port = m_surface.port();
    // Equal unit addresses bring up the options first; polling starts anyway.
    if (m_surface.checkDuplicateAddresses())
        m_surface.runOptions();
    // The menus stay locked while polling runs.
    m_surface.setMenusEnabled(false);
    // A full bar makes the first tick send at once.
    QProgressBar &bar = m_surface.progressBar();
    bar.setValue(bar.maximum());
    // The cycle begins with a send to the first unit; the poll period is
    // shared out among the counted units.
    m_sendPhase = true;
    m_pollUnitNo = 0;
    m_errorBoxClosed.invalidate();
    m_unitInterval = unitInterval(s.PeriodMs, unitsAmount(s));
    // A port that cannot be opened (or set up) leaves polling stopped; the
    // menus are enabled again so that the operator can choose another port,
    // and a port opened before the failing step is closed again.
    try {
        port.OpenPort();
        port.SetRtsLine(true);
        port.SetDtrLine(false);
    } catch (...) {
        m_surface.setMenusEnabled(true);
        if (port.Connected()) {
            try {
                port.ClosePort();
            } catch (...) {
            }
        }
        throw;
    }
    // The status bar shows the port open, and the button turns into STOP.
    m_surface.setPortStatus(portStatusText(port.Port(), s.Speed, true));
    m_surface.setStartButton(stopCaption(), stopPollingHint());
    m_polling = true;
    m_surface.pollingChanged(true);
    // The first tick follows after a short delay, on a precise timer.
    QTimer &timer = m_surface.timer();
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(kFirstTickDelayMs);
    timer.start();
}

void PollCycle::stop() {
    serial::TBComPort &port = m_surface.port();
    std::exception_ptr failure;
    try {
        // The timer stops, the status bar shows the port closed, and the
        // menus and the START button come back.
        m_surface.timer().stop();
        m_surface.setPortStatus(portStatusText(port.Port(), m_surface.settings().Speed, false));
        m_surface.setMenusEnabled(true);
        m_surface.setStartButton(startCaption(), startPollingHint());
    } catch (...) {
        failure = std::current_exception();
    }
    // The port is closed whatever failed before.
    try {
        port.ClosePort();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    // The component always closes the device, so polling has stopped even
    // when a close step reported an error.
    m_polling = false;
    m_surface.pollingChanged(false);
    m_surface.progressBar().setValue(0);
    if (failure)
        std::rethrow_exception(failure);
}

void PollCycle::Timer1Cicle() {
    // A tick that arrives while a tick runs (an error box of the tick is open)
    // or while any other error box is open is skipped: boxes never stack and
    // no tick is re-entered. The timer keeps its phase and interval.
    if (!m_polling || m_inTick || ui::messageBoxOpen())
        return;
    m_inTick = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_inTick};
    // A port or table error ends the tick and is shown once, unless an error
    // box closed a moment ago: the operator then has the pause to press STOP.
    // Every error reaches the journal's observer, shown or not.
    const auto observedTick = [this] {
        try {
            tick();
        } catch (const std::exception &e) {
            if (onTickError)
                onTickError(ui::exceptionText(e));
            throw;
        }
    };
    if (m_errorBoxClosed.isValid() && m_errorBoxClosed.elapsed() < m_errorBoxPauseMs) {
        try {
            observedTick();
        } catch (...) {
            // Not shown; the tick's own rules have decided what comes next.
        }
        return;
    }
    if (!ui::guarded(observedTick, m_surface.messageParent()))
        m_errorBoxClosed.start();
}

void PollCycle::armWait() {
    QTimer &timer = m_surface.timer();
    QProgressBar &bar = m_surface.progressBar();
    if (barVisible(bar)) {
        timer.setInterval(waitInterval(m_unitInterval, true, 1, bar.maximum()));
        bar.setValue(0);
    } else {
        timer.setInterval(waitInterval(m_unitInterval, false));
    }
}

void PollCycle::tick() {
    QTimer &timer = m_surface.timer();
    QProgressBar &bar = m_surface.progressBar();
    if (m_sendPhase) {
        if (barVisible(bar) && bar.value() < bar.maximum()) {
            bar.setValue(bar.value() + 1);
            return;
        }
        try {
            SendRequest();
        } catch (...) {
            // The send is tried again after a whole wait, not at the next
            // short tick: once the error box is closed the operator has the
            // unit interval to press STOP before the same error comes back.
            armWait();
            throw;
        }
        m_sendPhase = false;
        timer.setInterval(kReadDelayMs);
    } else {
        m_replyTaken = false;
        try {
            ReadReply();
        } catch (...) {
            // A reply taken from the port is gone: reading again would find
            // nothing and show a unit that answered as silent. Only a read
            // that failed on the port itself is repeated.
            if (m_replyTaken) {
                m_sendPhase = true;
                armWait();
            }
            throw;
        }
        m_sendPhase = true;
        armWait();
        if (onReadDone)
            onReadDone();
    }
}

void PollCycle::SendRequest() {
    const config::TSettings &s = m_surface.settings();
    serial::TBComPort &port = m_surface.port();
    // The previous unit loses the highlight, with or without scan display.
    if (m_pollUnitNo > 0)
        m_surface.setUnitHeaderHighlight(m_pollUnitNo, false);
    // The next counted unit; after the last, the first.
    m_pollUnitNo = m_pollUnitNo < unitsAmount(s) ? m_pollUnitNo + 1 : 1;
    // With scan display on, its header is highlighted while it is polled.
    if (s.ScanShow)
        m_surface.setUnitHeaderHighlight(m_pollUnitNo, true);
    if (onSend)
        onSend(m_pollUnitNo);
    // A late reply to the previous request is thrown away here.
    port.PurgeQueues(true, true);
    // The poll request to the unit's network address.
    BuildPollRequest(m_requestBuf, m_surface.unitAddress(m_pollUnitNo));
    port.WriteBlock(m_requestBuf.data(), int(kRequestSize));
}

void PollCycle::ReadReply() {
    const int u = m_pollUnitNo;
    // One clock reading stamps the measurement, to whole seconds, before
    // the port is read.
    const QDateTime now = m_clock();
    const QDate date = now.date();
    const QTime time(now.time().hour(), now.time().minute(), now.time().second());
    // The read returns at once with what has arrived; missing bytes stay 0.
    ReplyBuffer reply{};
    m_surface.port().ReadBlock(reply.data(), int(kReplySize));
    m_replyTaken = true;
    // The reply is checked against the request it answers.
    const ReplyOutcome outcome = CheckReply(reply, m_requestBuf);
    if (onRead)
        onRead(u, outcome);
    if (onReply)
        onReply(u, outcome, reply);
    if (outcome.kind == ReplyKind::GoodReply) {
        // A good reply is decoded onto the grid and recorded.
        const DecodeResult result = m_surface.decodeReply(u, reply);
        if (m_recorder)
            m_recorder(u, result.alarmLevel, result.values, date, time);
    } else {
        // The unit shows the failed poll; nothing is recorded.
        m_surface.showReplyError(u, outcome);
    }
}

} // namespace orvex::polling
