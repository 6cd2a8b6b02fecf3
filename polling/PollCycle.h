// The poll cycle: the start/stop button and the two-phase poll timer. After
// START the cycle visits the configured units one after another, for ever:
// a send tick purges both queues and writes the 4-byte poll request for the
// next unit's network address, the read tick 250 ms later takes whatever has
// arrived of the reply, classifies it, shows it and records a good one. The
// wait between units is the poll period spread evenly over the units, shown
// on the progress bar in 100 steps when it is visible.
//
// Everything runs on the user-interface thread. The cycle reaches the window
// through PollSurface, so it runs with the real main window (app/PollMainForm.h)
// or with a small stand-in in tests.
#pragma once

#include "polling/Decode.h"
#include "polling/Protocol.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <functional>

class QProgressBar;
class QTimer;
class QWidget;

namespace orvex::config {
struct TSettings;
}
namespace orvex::serial {
class TBComPort;
}

namespace orvex::polling {

// What the poll cycle needs of the main window.
class PollSurface {
public:
    virtual ~PollSurface() = default;

    virtual config::TSettings &settings() = 0;
    virtual serial::TBComPort &port() = 0;
    // The poll timer (Timer1) and the progress bar (ProgressBar1, 0..100, step 1).
    virtual QTimer &timer() = 0;
    virtual QProgressBar &progressBar() = 0;
    // Network address of unit position u (UnitAddr).
    virtual std::uint8_t unitAddress(int u) = 0;

    // CheckDuplicateAddresses: true when two units share an address (the
    // warning has been shown).
    virtual bool checkDuplicateAddresses() = 0;
    // The options command of the main menu.
    virtual void runOptions() = 0;
    // miFile and miOptions.
    virtual void setMenusEnabled(bool enabled) = 0;
    // The first status bar panel.
    virtual void setPortStatus(const QString &text) = 0;
    // Caption and hint of the start/stop button.
    virtual void setStartButton(const QString &caption, const QString &hint) = 0;
    // The window's Polling flag changed.
    virtual void pollingChanged(bool polling) = 0;
    // Row header of unit u: the system's button-face colour, or the scan
    // highlight RGB(255,251,240).
    virtual void setUnitHeaderHighlight(int u, bool highlighted) = 0;
    // DecodeReply and ShowReplyError on the unit's panels.
    virtual DecodeResult decodeReply(int u, const ReplyBuffer &reply) = 0;
    virtual void showReplyError(int u, const ReplyOutcome &outcome) = 0;
    // Parent of the error boxes.
    virtual QWidget *messageParent() = 0;
};

// Texts of the button and the first status bar panel.
QString startCaption();     // "СТАРТ"
QString stopCaption();      // "СТОП"
QString startPollingHint(); // "Запустить опрос пультов"
QString stopPollingHint();  // "Остановить опрос пультов"
QString portStatusText(const QString &port, const QString &speed, bool open);

// Fixed timing of the cycle, in milliseconds.
inline constexpr int kFirstTickDelayMs = 200;
inline constexpr int kReadDelayMs = 250;

// UnitInterval: the period divided by the number of units (integer
// division). A hand-edited settings file is clamped at load; here a unit
// count below one still counts as one, so nothing divides by zero.
int unitInterval(int periodMs, int units);
// The wait after a read tick: UnitInterval x step div maximum per waiting
// tick with the progress bar, the whole UnitInterval without it; never below
// 1 ms, so a zero interval cannot make the timer spin.
int waitInterval(int unitIntervalMs, bool progressVisible, int step = 1, int maximum = 100);

// The program's pause between error boxes: after a port or table error box
// of a tick closes, no further one comes for this long while polling goes on.
inline constexpr int kErrorBoxPauseMs = 5000;

class PollCycle {
public:
    // Records a good reply of unit u (RecordMeasurement).
    using Recorder =
        std::function<void(int u, int alarmLevel, const std::array<float, kMaxChannels> &values,
                           const QDate &date, const QTime &time)>;
    using Clock = std::function<QDateTime()>;

    PollCycle(PollSurface &surface, Recorder recorder);

    // The clock the read tick takes its date and time from (tests).
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // After an error box of a tick closes, the errors of further ticks are
    // not shown for `ms` milliseconds, while polling goes on: however short
    // the unit interval, the operator has the time to reach STOP. 0 (the
    // default) shows the error of every failed tick.
    void setErrorBoxPause(int ms) { m_errorBoxPauseMs = ms; }

    // The start/stop button's click handler. Errors are raised (the button's
    // general error handler shows them); STOP closes the port whatever fails
    // before.
    void ScanBitBtnClick();
    // The timer's handler: one call per tick. Errors of a tick are shown here,
    // once (none within the error box pause), and end the tick; a tick that arrives while an error
    // box is open or while a tick runs is skipped. A failed send is tried again after a whole wait
    // (progress bar from 0); a read that failed on the port is repeated at the next tick, while one
    // that failed after taking the reply (decoding, recording) is not: the cycle goes on to the
    // next unit.
    void Timer1Cicle();

    bool polling() const { return m_polling; }
    bool sendPhase() const { return m_sendPhase; }
    int pollUnitNo() const { return m_pollUnitNo; }
    int unitIntervalMs() const { return m_unitInterval; }
    const RequestBuffer &requestBuf() const { return m_requestBuf; }

    // Observers for tests and measurements: called at the start of a send
    // tick's request (unit position) and after a read tick's classification.
    std::function<void(int u)> onSend;
    std::function<void(int u, const ReplyOutcome &outcome)> onRead;
    // Observers for the event journal: every classified reply with its bytes
    // (before it is shown), a read tick that completed without an error, and
    // the text of an error that ended a tick (before it is shown).
    std::function<void(int u, const ReplyOutcome &outcome, const ReplyBuffer &reply)> onReply;
    std::function<void()> onReadDone;
    std::function<void(const QString &error)> onTickError;

private:
    void start();
    void stop();
    void tick();
    void armWait();
    void SendRequest();
    void ReadReply();

    PollSurface &m_surface;
    Recorder m_recorder;
    Clock m_clock;

    bool m_polling = false;
    bool m_sendPhase = true;
    int m_pollUnitNo = 0;
    int m_unitInterval = 0;
    RequestBuffer m_requestBuf{};
    bool m_inTick = false;
    bool m_replyTaken = false; // the read tick has taken the reply from the port
    int m_errorBoxPauseMs = 0;
    QElapsedTimer m_errorBoxClosed; // when the last error box of a tick closed
};

} // namespace orvex::polling
