// The event thread of an open port.
//
// The device is registered edge-triggered: "received characters" is reported
// when new bytes arrive, not again and again while unread bytes sit in the
// input queue (the poll cycle leaves its reply there until the read tick).
// A hang-up or error on the device (unplugged adapter, vanished peer) ends
// the loop: those conditions stay raised, and a loop that kept waiting on
// them would spin. Modem lines and line-error counters have no wake-up of
// their own; they are looked at every kTickMs, and only while a handler that
// needs them is assigned, so an idle port costs nothing.
#include "serial/ComThread.h"

#include "serial/ComMessages.h"
#include "ui/UnhandledError.h"

#include <QMetaObject>
#include <cerrno>
#include <chrono>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace orvex::serial {

namespace {

constexpr int kTickMs = 100;
enum HandoverState { Pending, Running, Done, Cancelled };

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The dispatcher for a platform event code; other codes do nothing.
void dispatchCode(TBComPort *port, int code) {
    switch (code) {
    case 1:
        port->FireRxChar();
        break;
    case 4:
        port->FireTxEmpty();
        break;
    case 8:
        port->FireCTSChange();
        break;
    case 16:
        port->FireDSRChange();
        break;
    case 32:
        port->FireRLSDChange();
        break;
    case 128:
        port->FireError();
        break;
    case 256:
        port->FireRing();
        break;
    case 1024:
        port->FireRx80Full();
        break;
    default:
        break;
    }
}

void signalFd(int fd) {
    const std::uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void drainFd(int fd) {
    std::uint64_t value = 0;
    while (::read(fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

} // namespace

// One hand-over to the GUI thread at a time. Shared with the queued call, so
// that a call which runs after the thread has gone still finds its eventfd.
struct TComThread::Handover {
    int doneFd = -1;
    std::atomic<int> state{Done};
    std::exception_ptr error;
    ~Handover() {
        if (doneFd >= 0)
            ::close(doneFd);
    }
};

TComThread::TComThread(TBComPort *port) : m_port(port), m_handover(std::make_shared<Handover>()) {
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_handover->doneFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (m_stopFd < 0 || m_handover->doneFd < 0 || m_epoll < 0) {
        for (int fd : {m_stopFd, m_epoll}) {
            if (fd >= 0)
                ::close(fd);
        }
        throw EComPort(msg::eventThread());
    }
    // Registered and measured here, on the opening thread, so that whatever
    // happens on the line after OpenPort returns is seen as a change.
    const int fd = port->m_handle;
    epoll_event stopEvent{};
    stopEvent.events = EPOLLIN;
    stopEvent.data.u32 = 0;
    ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_stopFd, &stopEvent);
    epoll_event deviceEvent{};
    deviceEvent.events = EPOLLIN | EPOLLPRI | EPOLLET;
    deviceEvent.data.u32 = 1;
    ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &deviceEvent);
    m_errorsSupported = port->m_platform->ioctl(fd, TIOCGICOUNT, &m_errorsSeen) == 0;
    takeLinesBaseline();
}

void TComThread::takeLinesBaseline() {
    m_linesWatched = m_port->m_watchModemLines && m_linesSupported;
    if (m_linesWatched &&
        m_port->m_platform->ioctl(m_port->m_handle, TIOCMGET, &m_linesSeen) != 0) {
        m_linesSupported = false;
        m_linesWatched = false;
    }
}

TComThread::~TComThread() {
    SignalStop();
    wait();
    ::close(m_stopFd);
    ::close(m_epoll);
}

void TComThread::SignalStop() {
    if (QThread::currentThread() == this)
        m_closedFromHandler = true; // the device is closed when the handler returns
    m_stop = true;
    signalFd(m_stopFd);
    QThread::yieldCurrentThread();
}

void TComThread::Wake() {
    signalFd(m_stopFd);
}

void TComThread::NoteWrite() {
    m_txWritten = true;
    signalFd(m_stopFd);
}

void TComThread::drainStop() {
    drainFd(m_stopFd);
}

void TComThread::run() {
    const int fd = m_port->m_handle;
    SerialPlatform *platform = m_port->m_platform;

    const int ep = m_epoll;
    bool rxFull = false;
    bool txDraining = false;
    std::int64_t nextTick = -1;

    auto errorsChanged = [&]() {
        if (!m_errorsSupported)
            return false;
        serial_icounter_struct now{};
        if (platform->ioctl(fd, TIOCGICOUNT, &now) != 0)
            return false;
        const serial_icounter_struct &was = m_errorsSeen;
        const bool changed = now.frame != was.frame || now.parity != was.parity ||
                             now.overrun != was.overrun || now.brk != was.brk ||
                             now.buf_overrun != was.buf_overrun;
        m_errorsSeen = now;
        return changed;
    };

    while (!m_stop) {
        if (m_txWritten.exchange(false))
            txDraining = true;
        // A handler assigned since the last round makes the current lines
        // the baseline.
        if (m_port->m_watchModemLines != m_linesWatched)
            takeLinesBaseline();
        const bool ticking =
            m_linesWatched || (m_port->m_watchErrors && m_errorsSupported) || txDraining;
        int timeout = -1;
        if (ticking) {
            const std::int64_t now = nowMs();
            if (nextTick < 0)
                nextTick = now + kTickMs;
            timeout = int(std::max<std::int64_t>(0, nextTick - now));
        } else {
            nextTick = -1;
        }

        epoll_event events[2];
        const int n = ::epoll_wait(ep, events, 2, timeout);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break; // a failed wait leaves the loop
        }
        if (m_stop)
            break;

        TPortEventSet set;
        bool deviceGone = false;
        for (int i = 0; i < n; ++i) {
            if (events[i].data.u32 == 0) {
                drainStop();
                continue;
            }
            if (events[i].events & (EPOLLHUP | EPOLLERR)) {
                deviceGone = true;
            } else if (events[i].events & (EPOLLIN | EPOLLPRI)) {
                set.insert(peRxChar);
                int waiting = 0;
                const int threshold = m_port->m_appliedInBufSize.load() * 8 / 10;
                if (threshold > 0 && platform->ioctl(fd, FIONREAD, &waiting) == 0) {
                    if (waiting >= threshold && !rxFull)
                        set.insert(peRx80Full);
                    rxFull = waiting >= threshold;
                }
                if (errorsChanged())
                    set.insert(peError);
            }
        }
        if (deviceGone)
            break;

        if (ticking && nowMs() >= nextTick) {
            nextTick = nowMs() + kTickMs;
            if (m_linesWatched) {
                int lines = 0;
                if (platform->ioctl(fd, TIOCMGET, &lines) == 0) {
                    const int changed = lines ^ m_linesSeen;
                    if (changed & TIOCM_CTS)
                        set.insert(peCTS);
                    if (changed & TIOCM_DSR)
                        set.insert(peDSR);
                    if (changed & TIOCM_CAR)
                        set.insert(peRLSD);
                    if ((changed & TIOCM_RNG) && (lines & TIOCM_RNG))
                        set.insert(peRing);
                    m_linesSeen = lines;
                } else {
                    m_linesSupported = false;
                    m_linesWatched = false;
                }
            }
            if (m_port->m_watchErrors && errorsChanged())
                set.insert(peError);
            if (txDraining) {
                int queued = 0;
                if (platform->ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
                    set.insert(peTxEmpty);
                    txDraining = false;
                }
            }
        } else if (txDraining) {
            int queued = 0;
            if (platform->ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
                set.insert(peTxEmpty);
                txDraining = false;
            }
        }

        if (set.empty())
            continue;
        m_current = set.bits();
        if (deliver(set) != Delivery::Delivered)
            break;
    }

    // On the way out: nothing more is watched, and both driver queues are
    // discarded (a device that is gone refuses; that changes nothing).
    if (!m_closedFromHandler)
        platform->tcflush(fd, TCIOFLUSH);
}

TComThread::Delivery TComThread::deliver(TPortEventSet events) {
    switch (m_port->m_syncMethod) {
    case smNone:
        try {
            m_port->FireEvents(events);
        } catch (...) {
            return Delivery::Failed;
        }
        return Delivery::Delivered;
    case smWindowSync:
        for (TPortEvent e : kDeliveryOrder) {
            if (!events.contains(e))
                continue;
            const Delivery d =
                handOver(m_port->m_messageWindow.get(), true, portEventCode(e), TPortEventSet());
            if (d != Delivery::Delivered)
                return d;
        }
        return Delivery::Delivered;
    case smThreadSync:
    default:
        return handOver(m_port->m_syncReceiver.get(), false, 0, events);
    }
}

TComThread::Delivery TComThread::handOver(QObject *receiver, bool replyFirst, int code,
                                          TPortEventSet events) {
    if (!receiver)
        return Delivery::Failed;
    const std::shared_ptr<Handover> h = m_handover;
    h->error = nullptr;
    h->state = Pending;
    TBComPort *port = m_port;
    QMetaObject::invokeMethod(
        receiver,
        [h, port, replyFirst, code, events] {
            int expected = Pending;
            if (!h->state.compare_exchange_strong(expected, Running))
                return; // cancelled by a close
            if (replyFirst) {
                // Release the event thread first, then dispatch: the thread
                // never waits for a handler.
                h->state = Done;
                signalFd(h->doneFd);
                if (!port->Connected())
                    return;
                // Nobody waits for this handler any more: what it throws
                // goes to the program's handler of unhandled errors.
                try {
                    dispatchCode(port, code);
                } catch (...) {
                    reportUnhandledError(std::current_exception());
                }
                return;
            }
            try {
                port->FireEvents(events);
            } catch (...) {
                h->error = std::current_exception();
            }
            h->state = Done;
            signalFd(h->doneFd);
        },
        Qt::QueuedConnection);

    for (;;) {
        pollfd fds[2] = {{m_stopFd, POLLIN, 0}, {h->doneFd, POLLIN, 0}};
        const int n = ::poll(fds, 2, -1);
        if (n < 0 && errno != EINTR) {
            int expected = Pending;
            h->state.compare_exchange_strong(expected, Cancelled);
            return Delivery::Failed;
        }
        if (m_stop) {
            int expected = Pending;
            h->state.compare_exchange_strong(expected, Cancelled);
            return Delivery::Stopped;
        }
        if (n > 0 && (fds[1].revents & POLLIN)) {
            drainFd(h->doneFd);
            if (h->state.load() != Done)
                continue;
            return h->error ? Delivery::Failed : Delivery::Delivered;
        }
        if (n > 0 && (fds[0].revents & POLLIN))
            drainStop();
    }
}

} // namespace orvex::serial
