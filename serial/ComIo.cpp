// Transfers, line control, status queries and the event dispatchers.
//
// The device is open non-blocking, so read() and write() never wait; the
// five device timeouts are emulated around them with poll(), with the meaning
// the settings have always had: the main window's values make a read return
// at once with what has arrived, and a write wait until the output queue has
// drained, for at most multiplier x bytes + constant milliseconds.
#include "serial/BCPort.h"

#include "serial/ComMessages.h"
#include "serial/ComThread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace orvex::serial {

namespace {

constexpr std::uint32_t kNoLimit = 0xFFFFFFFFu;
constexpr std::int64_t kForever = INT64_MAX;

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A total limit of multiplier x bytes + constant; both 0 switch it off.
std::int64_t totalDeadline(std::int64_t start, std::uint32_t multiplier, std::uint32_t constant,
                           std::int64_t bytes) {
    if (multiplier == 0 && constant == 0)
        return kForever;
    return start + std::int64_t(multiplier) * bytes + std::int64_t(constant);
}

// Waits up to `timeoutMs` (-1 without limit) for `events` on `fd`; returns
// what poll() reported.
short waitFor(int fd, short events, std::int64_t timeoutMs) {
    pollfd p{fd, events, 0};
    const int timeout = timeoutMs < 0 ? -1 : int(std::min<std::int64_t>(timeoutMs, 60'000));
    return ::poll(&p, 1, timeout) > 0 ? p.revents : short(0);
}

} // namespace

std::unique_ptr<TTransferRecord> NewTransferRecord() {
    return std::make_unique<TTransferRecord>();
}

void FillTransferRecord(TTransferRecord &record, std::uint8_t kind, const void *data,
                        std::int32_t size) {
    record.Kind = kind;
    record.Data.reset();
    record.Size = 0;
    if (data && size > 0) {
        record.Data = std::make_unique<std::uint8_t[]>(std::size_t(size));
        std::memcpy(record.Data.get(), data, std::size_t(size));
        record.Size = size;
    }
}

void FreeTransferRecord(std::unique_ptr<TTransferRecord> &record) {
    record.reset();
}

// ---- Transfers -------------------------------------------------------------

int TBComPort::WriteBlock(const void *buffer, int count) {
    auto record = NewTransferRecord();
    StartWrite(buffer, count, record.get());
    return AwaitTransfer(record.get());
}

int TBComPort::ReadBlock(void *buffer, int count) {
    auto record = NewTransferRecord();
    StartRead(buffer, count, record.get());
    return AwaitTransfer(record.get());
}

int TBComPort::StartWrite(const void *buffer, int count, TTransferRecord *record) {
    if (!record)
        throw EComPort(msg::noAsync());
    if (count < 0 || (count > 0 && !buffer) || m_handle < 0)
        throw EComPort(msg::writeFailed());
    FillTransferRecord(*record, 0, buffer, count);
    record->readBuffer = nullptr;
    return beginTransfer(*record, count);
}

int TBComPort::StartRead(void *buffer, int count, TTransferRecord *record) {
    if (!record)
        throw EComPort(msg::noAsync());
    if (count < 0 || (count > 0 && !buffer) || m_handle < 0)
        throw EComPort(msg::readFailed());
    FillTransferRecord(*record, 1, nullptr, 0);
    record->readBuffer = static_cast<std::uint8_t *>(buffer);
    return beginTransfer(*record, count);
}

int TBComPort::beginTransfer(TTransferRecord &r, int count) {
    r.requested = count;
    r.done = 0;
    r.complete = r.failed = false;
    r.startedMs = nowMs();
    r.lastByteMs = -1;
    r.abortGeneration = m_abortGeneration.load();
    continueTransfer(r, false);
    if (r.failed)
        throw EComPort(r.Kind == 0 ? msg::writeFailed() : msg::readFailed());
    return r.complete ? r.done : 0;
}

int TBComPort::AwaitTransfer(TTransferRecord *record) {
    if (!record)
        throw EComPort(msg::noAsync());
    if (!record->complete && !record->failed)
        continueTransfer(*record, true);
    if (record->failed)
        throw EComPort(record->Kind == 1 ? msg::readFailed() : msg::writeFailed());
    return record->done;
}

// Moves a transfer on as far as the device allows; with `wait`, until it is
// complete by count or by its timeouts. Sets `failed` on a device error or
// when AbortTransfers ran since the transfer started.
bool TBComPort::continueTransfer(TTransferRecord &r, bool wait) {
    const int fd = m_handle;
    const bool isRead = r.Kind == 1;
    for (;;) {
        if (r.abortGeneration != m_abortGeneration.load() || fd < 0) {
            r.failed = true;
            return false;
        }
        while (r.done < r.requested) {
            const ssize_t n = isRead ? m_platform->read(fd, r.readBuffer + r.done,
                                                        std::size_t(r.requested - r.done))
                                     : m_platform->write(fd, r.Data.get() + r.done,
                                                         std::size_t(r.requested - r.done));
            if (n > 0) {
                r.done += int(n);
                if (isRead)
                    r.lastByteMs = nowMs();
                continue;
            }
            if (n == 0)
                break; // VMIN=0 VTIME=0: nothing there now (also on a hung-up line)
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            r.failed = true;
            return false;
        }

        const std::int64_t now = nowMs();
        std::int64_t deadline;
        short waitEvents;
        int outQueue = 0;
        if (isRead) {
            const auto &t = m_applied;
            const bool immediate =
                t.readInterval == kNoLimit && t.readMultiplier == 0 && t.readConstant == 0;
            const bool firstByteOnly = t.readInterval == kNoLimit && t.readMultiplier == kNoLimit &&
                                       t.readConstant > 0 && t.readConstant < kNoLimit;
            if (r.done == r.requested || immediate || (firstByteOnly && r.done > 0)) {
                r.complete = true;
                return true;
            }
            deadline = firstByteOnly ? r.startedMs + t.readConstant
                                     : totalDeadline(r.startedMs, t.readMultiplier, t.readConstant,
                                                     r.requested);
            if (r.done > 0 && t.readInterval != 0 && t.readInterval != kNoLimit)
                deadline = std::min(deadline, r.lastByteMs + std::int64_t(t.readInterval));
            waitEvents = POLLIN;
        } else {
            deadline = totalDeadline(r.startedMs, m_applied.writeMultiplier,
                                     m_applied.writeConstant, r.requested);
            if (r.done == r.requested) {
                if (m_platform->ioctl(fd, TIOCOUTQ, &outQueue) != 0)
                    outQueue = 0;
                if (outQueue <= 0) {
                    r.complete = true;
                    if (m_thread && m_watchTxEmpty)
                        m_thread->NoteWrite();
                    return true;
                }
            }
            waitEvents = POLLOUT;
        }
        if (now >= deadline) {
            r.complete = true; // ended by its timeout: the count so far, no error
            if (!isRead && m_thread && m_watchTxEmpty)
                m_thread->NoteWrite();
            return true;
        }
        if (!wait)
            return false;
        const std::int64_t remaining = deadline == kForever ? -1 : deadline - now;
        if (!isRead && r.done == r.requested) {
            // Everything is with the driver; wait about as long as the line
            // needs to send what is still queued, then look again.
            const int rate = std::max(baudRateValue(m_baudRate), 1);
            std::int64_t drainMs = std::int64_t(outQueue) * 12 * 1000 / rate + 1;
            if (remaining >= 0)
                drainMs = std::min(drainMs, remaining);
            waitFor(-1, 0, drainMs);
        } else if (waitFor(fd, waitEvents, remaining) & (POLLHUP | POLLERR)) {
            // The line has gone (adapter unplugged, far end closed): a
            // transfer that cannot complete fails instead of waiting on.
            r.failed = true;
            return false;
        }
    }
}

// ---- Line control and status -----------------------------------------------

void TBComPort::PurgeQueues(bool input, bool output) {
    if (!m_platform->isOpen(m_handle))
        throw EComPort(msg::purgeComm());
    if (!input && !output)
        return;
    const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    if (m_platform->tcflush(m_handle, queue) != 0)
        throw EComPort(msg::purgeComm());
}

// Transfers here never outlive the call that waits for them, except those
// started with StartWrite/StartRead: those fail at their AwaitTransfer.
void TBComPort::AbortTransfers() {
    if (!m_platform->isOpen(m_handle))
        throw EComPort(msg::purgeComm());
    ++m_abortGeneration;
}

void TBComPort::escapeLine(int bits, bool state) {
    // A device without modem-control lines (a pseudo-terminal answers
    // ENOTTY) has nothing to raise or drop: that counts as done.
    if (m_platform->ioctl(m_handle, state ? TIOCMBIS : TIOCMBIC, &bits) != 0 && errno != ENOTTY &&
        errno != EINVAL)
        throw EComPort(msg::escapeComm());
}

void TBComPort::SetDtrLine(bool state) {
    escapeLine(TIOCM_DTR, state);
}

void TBComPort::SetRtsLine(bool state) {
    escapeLine(TIOCM_RTS, state);
}

bool TBComPort::readErrorCounts(ErrorCounts &counts) {
    serial_icounter_struct ic{};
    if (m_platform->ioctl(m_handle, TIOCGICOUNT, &ic) != 0)
        return false;
    counts = {ic.frame, ic.parity, ic.overrun, ic.brk, ic.buf_overrun};
    return true;
}

TComErrors TBComPort::clearCommError(int *inQueue) {
    int count = 0;
    if (m_platform->ioctl(m_handle, FIONREAD, &count) != 0)
        throw EComPort(msg::clearCommError());
    if (inQueue)
        *inQueue = count;
    TComErrors errors;
    std::lock_guard lock(m_errorLock);
    ErrorCounts now;
    if (m_errorCountsSupported && readErrorCounts(now)) {
        const ErrorCounts &was = m_errorBaseline;
        if (now.frame != was.frame)
            errors.insert(ceFrame);
        if (now.parity != was.parity && m_parity != paNone)
            errors.insert(ceRxParity);
        if (now.overrun != was.overrun)
            errors.insert(ceOverrun);
        if (now.brk != was.brk)
            errors.insert(ceBreak);
        if (now.bufOverrun != was.bufOverrun)
            errors.insert(ceRxOver);
        m_errorBaseline = now;
    } else if (errno == ENOTTY || errno == EINVAL) {
        m_errorCountsSupported = false; // the device keeps no line-error counters
    }
    return errors;
}

int TBComPort::ReceivedCount() {
    int count = 0;
    clearCommError(&count);
    return count;
}

TModemLines TBComPort::ModemLines() {
    int bits = 0;
    if (m_platform->ioctl(m_handle, TIOCMGET, &bits) != 0) {
        if (errno == ENOTTY || errno == EINVAL)
            return TModemLines(); // no modem lines: all of them off
        throw EComPort(msg::modemStatus());
    }
    TModemLines lines;
    if (bits & TIOCM_CTS)
        lines.insert(mlCTS);
    if (bits & TIOCM_DSR)
        lines.insert(mlDSR);
    if (bits & TIOCM_RNG)
        lines.insert(mlRing);
    if (bits & TIOCM_CAR)
        lines.insert(mlRLSD);
    return lines;
}

// ---- Dispatchers -----------------------------------------------------------

void TBComPort::FireRxChar() {
    const int count = ReceivedCount();
    TRxCharEvent handler;
    {
        std::lock_guard lock(m_handlerLock);
        handler = m_onRxChar;
    }
    if (count > 0 && handler)
        handler(this, count);
}

void TBComPort::FireError() {
    const TComErrors errors = clearCommError(nullptr);
    TComErrorEvent handler;
    {
        std::lock_guard lock(m_handlerLock);
        handler = m_onError;
    }
    if (!errors.empty() && handler)
        handler(this, errors);
}

namespace {
template <typename H> H copyHandler(std::mutex &lock, const H &handler) {
    std::lock_guard guard(lock);
    return handler;
}
} // namespace

void TBComPort::FireCTSChange() {
    if (auto h = copyHandler(m_handlerLock, m_onCTSChange))
        h(this, ModemLines().contains(mlCTS));
}

void TBComPort::FireDSRChange() {
    if (auto h = copyHandler(m_handlerLock, m_onDSRChange))
        h(this, ModemLines().contains(mlDSR));
}

void TBComPort::FireRLSDChange() {
    if (auto h = copyHandler(m_handlerLock, m_onRLSDChange))
        h(this, ModemLines().contains(mlRLSD));
}

void TBComPort::FireRing() {
    if (auto h = copyHandler(m_handlerLock, m_onRing))
        h(this);
}

void TBComPort::FireRx80Full() {
    if (auto h = copyHandler(m_handlerLock, m_onRx80Full))
        h(this);
}

void TBComPort::FireTxEmpty() {
    if (auto h = copyHandler(m_handlerLock, m_onTxEmpty))
        h(this);
}

void TBComPort::FireEvents(TPortEventSet events) {
    for (TPortEvent e : kDeliveryOrder) {
        if (!events.contains(e))
            continue;
        switch (e) {
        case peError:
            FireError();
            break;
        case peRxChar:
            FireRxChar();
            break;
        case peTxEmpty:
            FireTxEmpty();
            break;
        case peRing:
            FireRing();
            break;
        case peCTS:
            FireCTSChange();
            break;
        case peDSR:
            FireDSRChange();
            break;
        case peRLSD:
            FireRLSDChange();
            break;
        case peRx80Full:
            FireRx80Full();
            break;
        }
    }
}

} // namespace orvex::serial
