// The event thread of an open port. It blocks in epoll on the device and a
// stop eventfd, turns what it sees into serial events and delivers them by
// the port's SyncMethod:
//  - smThreadSync: hands FireEvents over to the GUI thread and blocks until
//    it has run there; the stop cancels a hand-over that has not started,
//    so a close never needs the GUI event loop to run;
//  - smWindowSync: queues one message per event to the port's hidden
//    receiver on the GUI thread, which releases the thread before it runs
//    the dispatcher;
//  - smNone: runs FireEvents on this thread.
#pragma once

#include "serial/BCPort.h"

#include <QThread>
#include <atomic>
#include <exception>
#include <linux/serial.h>
#include <memory>

namespace orvex::serial {

class TComThread : public QThread {
public:
    // Creates the stop eventfd; raises EComPort when it cannot.
    explicit TComThread(TBComPort *port);
    ~TComThread() override;

    // Ends the loop; the thread leaves at its next wake-up, which this causes.
    void SignalStop();
    // Makes the loop look again at what the port wants watched.
    void Wake();
    // A write has finished: report "transmit queue empty" once it is.
    void NoteWrite();

    // The events of the latest wake-up.
    TPortEventSet CurrentEvents() const { return TPortEventSet::fromBits(m_current.load()); }

protected:
    void run() override;

private:
    struct Handover;
    enum class Delivery { Delivered, Stopped, Failed };

    Delivery deliver(TPortEventSet events);
    Delivery handOver(QObject *receiver, bool replyFirst, int code, TPortEventSet events);
    void drainStop();
    void takeLinesBaseline();

    TBComPort *m_port;
    int m_stopFd = -1;
    int m_epoll = -1;
    // What the loop compares against to notice changes (event thread only,
    // once started).
    serial_icounter_struct m_errorsSeen{};
    bool m_errorsSupported = false;
    int m_linesSeen = 0;
    bool m_linesSupported = true;
    bool m_linesWatched = false;
    std::atomic<bool> m_stop{false};
    bool m_closedFromHandler = false;
    std::atomic<bool> m_txWritten{false};
    std::atomic<std::uint8_t> m_current{0};
    std::shared_ptr<Handover> m_handover;
};

} // namespace orvex::serial
