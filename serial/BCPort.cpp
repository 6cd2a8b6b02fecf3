// The serial port component: settings, opening, applying settings, closing.
#include "serial/BCPort.h"

#include "serial/ComMessages.h"
#include "serial/ComThread.h"
#include "serial/PortMap.h"

#include <QFile>
#include <QObject>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace orvex::serial {

namespace {

constexpr int kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                          19200, 38400, 56000, 57600, 115200, 128000, 256000};

// The Bnnn constant of a standard speed, or B0 when there is none.
speed_t standardSpeed(int rate) {
    switch (rate) {
    case 110:
        return B110;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

// A negative timeout means "no limit", the all-ones value of the device.
std::uint32_t deviceTimeout(int value) {
    return value < 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

} // namespace

int baudRateValue(TBaudRate rate) {
    const int i = int(rate);
    return i >= 0 && i < int(std::size(kRates)) ? kRates[i] : 0;
}

int portEventCode(TPortEvent event) {
    static constexpr int codes[] = {1, 4, 256, 8, 16, 32, 128, 1024};
    return codes[int(event)];
}

// ---- TComTimeouts ----------------------------------------------------------

void TComTimeouts::Assign(const TComTimeouts &other) {
    m_readInterval = other.m_readInterval;
    m_readTotalMultiplier = other.m_readTotalMultiplier;
    m_readTotalConstant = other.m_readTotalConstant;
    m_writeTotalMultiplier = other.m_writeTotalMultiplier;
    m_writeTotalConstant = other.m_writeTotalConstant;
}

void TComTimeouts::setValue(int &field, int value) {
    if (field == value)
        return;
    field = value;
    if (m_port)
        m_port->ApplyTimeoutSettings();
}

void TComTimeouts::SetReadInterval(int value) {
    setValue(m_readInterval, value);
}
void TComTimeouts::SetReadTotalMultiplier(int value) {
    setValue(m_readTotalMultiplier, value);
}
void TComTimeouts::SetReadTotalConstant(int value) {
    setValue(m_readTotalConstant, value);
}
void TComTimeouts::SetWriteTotalMultiplier(int value) {
    setValue(m_writeTotalMultiplier, value);
}
void TComTimeouts::SetWriteTotalConstant(int value) {
    setValue(m_writeTotalConstant, value);
}

// ---- TBComPort settings ----------------------------------------------------

TBComPort::TBComPort(SerialPlatform *platform)
    : m_platform(platform ? platform : &defaultSerialPlatform()), m_syncReceiver(new QObject) {
    m_timeouts.m_port = this;
}

TBComPort::~TBComPort() {
    try {
        ClosePort();
    } catch (const std::exception &) {
        // A destructor has nobody to tell; the device is closed regardless.
    }
    m_timeouts.m_port = nullptr;
}

void TBComPort::SetBaudRate(TBaudRate value) {
    if (value == m_baudRate)
        return;
    m_baudRate = value;
    ApplyLineSettings();
}

void TBComPort::SetByteSize(TByteSize value) {
    if (value == m_byteSize)
        return;
    m_byteSize = value;
    ApplyLineSettings();
}

void TBComPort::SetInBufSize(int value) {
    if (value == m_inBufSize)
        return;
    if (value > 0 && value % 2 == 1)
        --value;
    m_inBufSize = value;
    ApplyQueueSizes();
}

void TBComPort::SetOutBufSize(int value) {
    if (value == m_outBufSize)
        return;
    if (value > 0 && value % 2 == 1)
        --value;
    m_outBufSize = value;
    ApplyQueueSizes();
}

void TBComPort::SetParity(TParity value) {
    if (value == m_parity)
        return;
    m_parity = value;
    ApplyLineSettings();
}

void TBComPort::SetPort(const QString &value) {
    if (m_open)
        throw EComPort(msg::changeWhileOpen());
    m_port = value;
}

void TBComPort::SetSyncMethod(TSyncMethod value) {
    if (value == m_syncMethod)
        return;
    if (m_open)
        throw EComPort(msg::changeWhileOpen());
    m_syncMethod = value;
}

void TBComPort::SetStopBits(TStopBits value) {
    if (value == m_stopBits)
        return;
    m_stopBits = value;
    ApplyLineSettings();
}

void TBComPort::SetTimeouts(const TComTimeouts &value) {
    m_timeouts.Assign(value);
    ApplyTimeoutSettings();
}

// ---- Opening and closing ---------------------------------------------------

void TBComPort::OpenPort() {
    if (m_open)
        return;
    OpenDevice();
    m_open = true;
    try {
        ApplyAllSettings();
        {
            std::lock_guard lock(m_errorLock);
            m_errorBaseline = ErrorCounts();
            m_errorCountsSupported = readErrorCounts(m_errorBaseline);
        }
        if (m_syncMethod == smWindowSync)
            m_messageWindow = std::make_unique<QObject>();
        startEventThread();
    } catch (...) {
        m_messageWindow.reset();
        releaseExclusive(m_handle);
        if (m_handle >= 0)
            m_platform->close(m_handle);
        m_handle = -1;
        m_devicePath.clear();
        m_open = false;
        throw;
    }
}

void TBComPort::OpenDevice() {
    const QString device = PortDevicePath(m_port);
    if (device.isEmpty())
        throw EComPort(msg::noSuchPort());
    const QByteArray path = QFile::encodeName(device);
    // O_NONBLOCK: neither the open (waiting for carrier) nor any read or
    // write may block; the timeouts are emulated with poll(). O_NOCTTY: the
    // port must never become the program's controlling terminal. O_CLOEXEC:
    // a child such as the alarm player must not inherit the port and its lock.
    const int fd = m_platform->open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOTDIR:
        case ELOOP:
            throw EComPort(msg::noSuchPort());
        case EBUSY:
            throw EComPort(msg::portBusy());
        case EACCES:
        case EPERM:
            throw EComPort(msg::noPermission(device));
        default:
            // Left invalid: the first settings step reports the failure.
            m_handle = -1;
            return;
        }
    }
    // Exclusive use: another program that follows the advisory lock (or a
    // second component here) cannot open the port, and TIOCEXCL keeps out
    // every later open() by a non-root process.
    if (m_platform->flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        m_platform->close(fd);
        if (error == EWOULDBLOCK)
            throw EComPort(msg::portBusy());
        m_handle = -1;
        return;
    }
    m_platform->ioctl(fd, TIOCEXCL, nullptr);
    m_handle = fd;
    m_devicePath = device;
}

// The exclusive flag lives in the tty, not in our descriptor: it outlasts
// the close while anyone else holds the device open (the simulator keeps its
// pseudo-terminal open), and would then keep every ordinary user out.
void TBComPort::releaseExclusive(int fd) {
    if (fd >= 0)
        m_platform->ioctl(fd, TIOCNXCL, nullptr);
}

void TBComPort::CloseDevice() {
    const int fd = m_handle;
    m_handle = -1;
    m_devicePath.clear();
    releaseExclusive(fd);
    if (fd >= 0 && m_platform->close(fd) != 0 && errno != EINTR) {
        // The descriptor is released by close() even when it reports an
        // error; nothing more to do about it.
    }
}

void TBComPort::ClosePort() {
    if (!m_open)
        return;
    std::exception_ptr first;
    auto attempt = [&first](auto &&step) {
        try {
            step();
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    };
    attempt([this] { SetDtrLine(false); });
    attempt([this] { SetRtsLine(false); });
    attempt([this] { AbortTransfers(); });
    stopEventThread();
    m_messageWindow.reset();
    CloseDevice();
    m_open = false;
    if (first)
        std::rethrow_exception(first);
}

void TBComPort::ApplyAllSettings() {
    ApplyQueueSizes();
    ApplyLineSettings();
    ApplyTimeoutSettings();
}

// Linux sizes its tty queues itself; the recommendation is kept for the
// "input queue 80 % full" event, and the step checks the device as the
// driver call did.
void TBComPort::ApplyQueueSizes() {
    if (!m_open)
        return;
    if (!m_platform->isOpen(m_handle))
        throw EComPort(msg::setupComm());
    m_appliedInBufSize = m_inBufSize;
}

void TBComPort::ApplyLineSettings() {
    if (!m_open)
        return;
    // Combinations a UART cannot frame are refused, as the driver refuses
    // them: one and a half stop bits exist only with 5 data bits, two stop
    // bits only with 6 to 8.
    const bool fiveBits = m_byteSize == bs5;
    const int rate = baudRateValue(m_baudRate);
    if ((m_stopBits == sb1_5 && !fiveBits) || (m_stopBits == sb2 && fiveBits) || rate == 0 ||
        int(m_byteSize) < bs5 || int(m_byteSize) > bs8 || int(m_parity) < paNone ||
        int(m_parity) > paSpace || int(m_stopBits) < sb1 || int(m_stopBits) > sb2)
        throw EComPort(msg::setCommState());

    termios tio{};
    if (m_platform->tcgetattr(m_handle, &tio) != 0)
        throw EComPort(msg::setCommState());
    // Raw 8-bit transfer: no echo, no line editing, no character
    // translation (0x0A, 0x0D, 0x11, 0x13, 0xFF arrive unchanged), no
    // software flow control. CLOCAL: the carrier line does not gate the
    // port; CREAD: the receiver is on. VMIN=0 VTIME=0: read() returns at once
    // with what has arrived; waits are done with poll().
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
    tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizes[m_byteSize];
    if (m_stopBits != sb1)
        tio.c_cflag |= CSTOPB; // 1.5 stop bits with 5 data bits, else 2
    switch (m_parity) {
    case paNone:
        break;
    case paOdd:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case paEven:
        tio.c_cflag |= PARENB;
        break;
    case paMark:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case paSpace:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    }
    if (m_parity != paNone)
        tio.c_iflag |= INPCK; // received parity is checked only when one is chosen
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = standardSpeed(rate);
    ::cfsetspeed(&tio, speed != B0 ? speed : B38400);
    if (m_platform->tcsetattr(m_handle, TCSANOW, &tio) != 0)
        throw EComPort(msg::setCommState());
    if (speed == B0 && m_platform->setCustomSpeed(m_handle, rate) != 0)
        throw EComPort(msg::setCommState());
    // Both DTR and RTS are raised each time the line settings are applied.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (m_platform->ioctl(m_handle, TIOCMBIS, &lines) != 0 && errno != ENOTTY && errno != EINVAL)
        throw EComPort(msg::setCommState());
}

void TBComPort::ApplyTimeoutSettings() {
    if (!m_open)
        return;
    if (!m_platform->isOpen(m_handle))
        throw EComPort(msg::setCommTimeouts());
    m_applied.readInterval = deviceTimeout(m_timeouts.ReadInterval());
    m_applied.readMultiplier = deviceTimeout(m_timeouts.ReadTotalMultiplier());
    m_applied.readConstant = deviceTimeout(m_timeouts.ReadTotalConstant());
    m_applied.writeMultiplier = deviceTimeout(m_timeouts.WriteTotalMultiplier());
    m_applied.writeConstant = deviceTimeout(m_timeouts.WriteTotalConstant());
}

void TBComPort::startEventThread() {
    // The watched set is always all eight events.
    auto thread = std::make_unique<TComThread>(this);
    thread->start(QThread::NormalPriority);
    m_thread = std::move(thread);
}

void TBComPort::stopEventThread() {
    if (!m_thread)
        return;
    if (QThread::currentThread() == m_thread.get()) {
        // Closed by a handler that runs on the event thread itself (smNone):
        // a thread cannot wait for itself. It leaves its loop as soon as the
        // handler returns, without touching the port or the device again,
        // and is deleted on the GUI thread once it has finished.
        TComThread *self = m_thread.release();
        self->SignalStop();
        QObject::connect(self, &QThread::finished, self, &QObject::deleteLater);
        return;
    }
    m_thread->SignalStop();
    m_thread->wait();
    m_thread.reset();
}

// ---- Handlers --------------------------------------------------------------

void TBComPort::handlersChanged() {
    {
        std::lock_guard lock(m_handlerLock);
        m_watchModemLines =
            bool(m_onCTSChange) || bool(m_onDSRChange) || bool(m_onRLSDChange) || bool(m_onRing);
        m_watchErrors = bool(m_onError);
        m_watchTxEmpty = bool(m_onTxEmpty);
    }
    if (m_thread)
        m_thread->Wake();
}

#define ORVEX_HANDLER_SETTER(Name, Type, member)                                                   \
    void TBComPort::Name(Type handler) {                                                           \
        {                                                                                          \
            std::lock_guard lock(m_handlerLock);                                                   \
            (member) = std::move(handler);                                                         \
        }                                                                                          \
        handlersChanged();                                                                         \
    }

ORVEX_HANDLER_SETTER(SetOnCTSChange, TComSignalEvent, m_onCTSChange)
ORVEX_HANDLER_SETTER(SetOnDSRChange, TComSignalEvent, m_onDSRChange)
ORVEX_HANDLER_SETTER(SetOnError, TComErrorEvent, m_onError)
ORVEX_HANDLER_SETTER(SetOnRing, TNotifyEvent, m_onRing)
ORVEX_HANDLER_SETTER(SetOnRLSDChange, TComSignalEvent, m_onRLSDChange)
ORVEX_HANDLER_SETTER(SetOnRx80Full, TNotifyEvent, m_onRx80Full)
ORVEX_HANDLER_SETTER(SetOnRxChar, TRxCharEvent, m_onRxChar)
ORVEX_HANDLER_SETTER(SetOnTxEmpty, TNotifyEvent, m_onTxEmpty)

#undef ORVEX_HANDLER_SETTER

} // namespace orvex::serial
