// The serial port component: one tty device opened for exclusive use, its
// line settings, queue sizes and timeouts, blocking transfers with bounded
// waits, the modem-line and purge operations, and an event thread that
// watches the device while it is open. Every failure raises EComPort with one
// of the fixed texts of serial/ComMessages.h; the component itself never
// retries, logs or shows anything.
//
// All operations are made from the thread that created the component (the
// GUI thread); only the event thread runs beside it.
#pragma once

#include "serial/SerialPlatform.h"
#include "ui/SystemError.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QObject;

namespace orvex::serial {

class TBComPort;
class TComThread;

// The component's exception: only the message text, no error number.
class EComPort : public orvex::SystemError {
public:
    using SystemError::SystemError;
};

// A set of up to eight members of a small enumeration, one bit per ordinal.
template <typename E> class EnumSet {
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> members) {
        for (E m : members)
            insert(m);
    }
    static constexpr EnumSet fromBits(std::uint8_t bits) {
        EnumSet s;
        s.m_bits = bits;
        return s;
    }
    constexpr bool contains(E m) const { return (m_bits >> int(m)) & 1u; }
    constexpr void insert(E m) { m_bits = std::uint8_t(m_bits | (1u << int(m))); }
    constexpr void remove(E m) { m_bits = std::uint8_t(m_bits & ~(1u << int(m))); }
    constexpr bool empty() const { return m_bits == 0; }
    constexpr std::uint8_t bits() const { return m_bits; }
    constexpr bool operator==(const EnumSet &) const = default;

private:
    std::uint8_t m_bits = 0;
};

// Line settings. The ordinals matter: the options dialog sets the speed by
// ordinal, and parity and stop bits keep the meaning of their ordinals.
enum TBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TByteSize { bs5, bs6, bs7, bs8 };
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits { sb1, sb1_5, sb2 };
enum TSyncMethod { smThreadSync, smWindowSync, smNone };

// Bits per second of a TBaudRate (0 for an ordinal outside the table).
int baudRateValue(TBaudRate rate);

// The serial events the event thread watches, in bit order.
enum TPortEvent { peRxChar, peTxEmpty, peRing, peCTS, peDSR, peRLSD, peError, peRx80Full };
using TPortEventSet = EnumSet<TPortEvent>;

// The order in which the members of one wake-up are delivered.
inline constexpr TPortEvent kDeliveryOrder[] = {peError, peRxChar, peTxEmpty, peRing,
                                                peCTS,   peDSR,    peRLSD,    peRx80Full};

// The platform event code of each member (also the code a window-synchronised
// delivery carries).
int portEventCode(TPortEvent event);

// Line errors reported to OnError.
enum TComError { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
using TComErrors = EnumSet<TComError>;

// Modem input lines.
enum TModemLine { mlCTS, mlDSR, mlRing, mlRLSD };
using TModemLines = EnumSet<TModemLine>;

using TNotifyEvent = std::function<void(TBComPort *Sender)>;
using TComSignalEvent = std::function<void(TBComPort *Sender, bool State)>;
using TComErrorEvent = std::function<void(TBComPort *Sender, TComErrors Errors)>;
using TRxCharEvent = std::function<void(TBComPort *Sender, int Count)>;

// The five device timeouts in milliseconds; a negative value means "no
// limit". Owned by its port, which it tells about every change.
class TComTimeouts {
public:
    TComTimeouts() = default;
    // A copy carries the values only, never the link to a port.
    TComTimeouts(const TComTimeouts &other) { Assign(other); }
    TComTimeouts &operator=(const TComTimeouts &other) {
        Assign(other);
        return *this;
    }

    // Copies the five values; the back-link stays as it is and nothing is
    // re-applied.
    void Assign(const TComTimeouts &other);

    int ReadInterval() const { return m_readInterval; }
    int ReadTotalMultiplier() const { return m_readTotalMultiplier; }
    int ReadTotalConstant() const { return m_readTotalConstant; }
    int WriteTotalMultiplier() const { return m_writeTotalMultiplier; }
    int WriteTotalConstant() const { return m_writeTotalConstant; }

    void SetReadInterval(int value);
    void SetReadTotalMultiplier(int value);
    void SetReadTotalConstant(int value);
    void SetWriteTotalMultiplier(int value);
    void SetWriteTotalConstant(int value);

    TBComPort *ComPort() const { return m_port; }

private:
    friend class TBComPort;
    void setValue(int &field, int value);

    TBComPort *m_port = nullptr;
    int m_readInterval = -1;
    int m_readTotalMultiplier = 0;
    int m_readTotalConstant = 0;
    int m_writeTotalMultiplier = 100;
    int m_writeTotalConstant = 1000;
};

// One transfer started by StartWrite/StartRead and finished by AwaitTransfer.
struct TTransferRecord {
    std::uint8_t Kind = 0;                // 0 write, 1 read
    std::unique_ptr<std::uint8_t[]> Data; // private copy of outgoing bytes
    std::int32_t Size = 0;

    // Progress of the transfer, kept between the start and the wait.
    std::uint8_t *readBuffer = nullptr;
    std::int32_t requested = 0;
    std::int32_t done = 0;
    bool complete = false;
    bool failed = false;
    std::int64_t startedMs = 0;
    std::int64_t lastByteMs = -1;
    std::uint64_t abortGeneration = 0;
};

std::unique_ptr<TTransferRecord> NewTransferRecord();
void FillTransferRecord(TTransferRecord &record, std::uint8_t kind, const void *data,
                        std::int32_t size);
void FreeTransferRecord(std::unique_ptr<TTransferRecord> &record);

class TBComPort {
public:
    // `platform` replaces the real system calls (tests); the component does
    // not own it.
    explicit TBComPort(SerialPlatform *platform = nullptr);
    ~TBComPort();
    TBComPort(const TBComPort &) = delete;
    TBComPort &operator=(const TBComPort &) = delete;

    // Settings. Setters return at once for an unchanged value; while open
    // the new value is applied to the device at once.
    TBaudRate BaudRate() const { return m_baudRate; }
    TByteSize ByteSize() const { return m_byteSize; }
    int InBufSize() const { return m_inBufSize; }
    int OutBufSize() const { return m_outBufSize; }
    TParity Parity() const { return m_parity; }
    const QString &Port() const { return m_port; }
    TSyncMethod SyncMethod() const { return m_syncMethod; }
    TStopBits StopBits() const { return m_stopBits; }
    TComTimeouts &Timeouts() { return m_timeouts; }
    const TComTimeouts &Timeouts() const { return m_timeouts; }

    void SetBaudRate(TBaudRate value);
    void SetByteSize(TByteSize value);
    // An odd positive size is reduced by one (21 becomes 20).
    void SetInBufSize(int value);
    void SetOutBufSize(int value);
    void SetParity(TParity value);
    // Refused while open, even for the current name.
    void SetPort(const QString &value);
    // A different method is refused while open.
    void SetSyncMethod(TSyncMethod value);
    void SetStopBits(TStopBits value);
    void SetTimeouts(const TComTimeouts &value);

    // Events. Handlers may be assigned at any time; they run on the GUI
    // thread (smThreadSync, smWindowSync) or on the event thread (smNone).
    // A handler that throws ends the event delivery (smThreadSync, smNone),
    // or, with smWindowSync, where the event thread has already gone on, its
    // exception goes to the program's handler of unhandled errors
    // (ui/UnhandledError.h) and delivery goes on.
    void SetOnCTSChange(TComSignalEvent handler);
    void SetOnDSRChange(TComSignalEvent handler);
    void SetOnError(TComErrorEvent handler);
    void SetOnRing(TNotifyEvent handler);
    void SetOnRLSDChange(TComSignalEvent handler);
    void SetOnRx80Full(TNotifyEvent handler);
    void SetOnRxChar(TRxCharEvent handler);
    void SetOnTxEmpty(TNotifyEvent handler);

    bool Connected() const { return m_open.load(); }
    // The device path the port is open on (empty while closed).
    const QString &DevicePath() const { return m_devicePath; }

    void OpenPort();
    // Always completes: every step is attempted, the event thread ended and
    // the device closed; the first failure is raised afterwards.
    void ClosePort();

    // Transfers. A transfer ends by its device timeouts; a short count is
    // not an error.
    int WriteBlock(const void *buffer, int count);
    int ReadBlock(void *buffer, int count);
    int StartWrite(const void *buffer, int count, TTransferRecord *record);
    int StartRead(void *buffer, int count, TTransferRecord *record);
    int AwaitTransfer(TTransferRecord *record);

    void PurgeQueues(bool input, bool output);
    void AbortTransfers();
    void SetDtrLine(bool state);
    void SetRtsLine(bool state);
    int ReceivedCount();
    TModemLines ModemLines();

    // The dispatchers; each reads what it needs from the device and calls
    // its handler when one is assigned.
    void FireRxChar();
    void FireTxEmpty();
    void FireRing();
    void FireCTSChange();
    void FireDSRChange();
    void FireRLSDChange();
    void FireError();
    void FireRx80Full();
    // Calls the dispatchers of `events` in delivery order.
    void FireEvents(TPortEventSet events);

private:
    friend class TComTimeouts;
    friend class TComThread;

    struct ErrorCounts {
        std::int64_t frame = 0, parity = 0, overrun = 0, brk = 0, bufOverrun = 0;
    };

    void OpenDevice();
    void CloseDevice();
    void ApplyAllSettings();
    void ApplyQueueSizes();
    void ApplyLineSettings();
    void ApplyTimeoutSettings();
    void escapeLine(int bits, bool state);
    void releaseExclusive(int fd);
    // ClearCommError: the line errors since the last call and the input count.
    TComErrors clearCommError(int *inQueue);
    bool readErrorCounts(ErrorCounts &counts);
    void startEventThread();
    void stopEventThread();
    // Moves what the line takes or has now of a filled record's transfer
    // and leaves the rest to AwaitTransfer; returns the count when it is
    // done already, else 0.
    int beginTransfer(TTransferRecord &record, int count);
    bool continueTransfer(TTransferRecord &record, bool wait);
    void handlersChanged();

    SerialPlatform *m_platform;
    TBaudRate m_baudRate = br9600;
    TByteSize m_byteSize = bs8;
    int m_inBufSize = 2048;
    int m_outBufSize = 2048;
    TParity m_parity = paNone;
    QString m_port = QStringLiteral("COM2");
    TSyncMethod m_syncMethod = smThreadSync;
    TStopBits m_stopBits = sb1;
    TComTimeouts m_timeouts;

    std::atomic<bool> m_open{false};
    int m_handle = -1;
    QString m_devicePath;
    std::unique_ptr<TComThread> m_thread;
    std::unique_ptr<QObject> m_messageWindow; // smWindowSync only, while open
    std::unique_ptr<QObject> m_syncReceiver;  // GUI-thread end of thread hand-overs

    // The timeouts as the device "holds" them: applied at open and on change.
    struct AppliedTimeouts {
        std::uint32_t readInterval = 0, readMultiplier = 0, readConstant = 0;
        std::uint32_t writeMultiplier = 0, writeConstant = 0;
    } m_applied;
    std::atomic<int> m_appliedInBufSize{0};
    std::atomic<std::uint64_t> m_abortGeneration{0};

    // Line-error baseline of ClearCommError (GUI thread and, under smNone,
    // the event thread).
    std::mutex m_errorLock;
    ErrorCounts m_errorBaseline;
    bool m_errorCountsSupported = true;

    // Handlers; copied under the lock before a call.
    mutable std::mutex m_handlerLock;
    TComSignalEvent m_onCTSChange, m_onDSRChange, m_onRLSDChange;
    TComErrorEvent m_onError;
    TNotifyEvent m_onRing, m_onRx80Full, m_onTxEmpty;
    TRxCharEvent m_onRxChar;
    // What the event thread needs to know of the handlers, without the lock.
    std::atomic<bool> m_watchModemLines{false};
    std::atomic<bool> m_watchErrors{false};
    std::atomic<bool> m_watchTxEmpty{false};
};

// The port names the system knows, sorted as text (COM1, COM10, COM2). The
// list's previous contents are replaced; on failure the list is left as it was.
void ListSerialPorts(QStringList &list);

} // namespace orvex::serial
