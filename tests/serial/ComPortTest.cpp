// The serial port component on real pseudo-terminals: settings rules,
// opening and closing with their failures, transfers with the main window's
// timeouts, raw 8-bit transfer, purges, and closing after the far end has
// gone. Failures a pseudo-terminal cannot produce (refused line settings,
// an unplugged adapter) come from FaultyPlatform. The event thread and its
// deliveries are covered in ComThreadTest.cpp, the port map in PortMapTest.cpp.
#include "serial/BCPort.h"
#include "serial/ComMessages.h"
#include "tests/serial/FaultyPlatform.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace orvex::serial;
using orvex::test::FaultyPlatform;
using orvex::test::PtyPair;
using orvex::test::TempProgramFolder;
using orvex::test::waitUntil;

namespace {

// The values the main window stores with its port.
void useMainWindowValues(TBComPort &port) {
    port.SetBaudRate(br2400);
    port.SetStopBits(sb2);
    port.SetInBufSize(20);
    port.SetOutBufSize(4);
    port.SetPort(QStringLiteral("COM1"));
    TComTimeouts t;
    t.SetReadInterval(-1);
    t.SetReadTotalMultiplier(0);
    t.SetReadTotalConstant(0);
    t.SetWriteTotalMultiplier(10);
    t.SetWriteTotalConstant(100);
    port.SetTimeouts(t);
}

QString raisedText(const std::function<void()> &body) {
    try {
        body();
    } catch (const EComPort &e) {
        return e.text();
    }
    return QString();
}

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.valid());
        ASSERT_TRUE(pty.link(folder.path(), QStringLiteral("COM1")));
        useMainWindowValues(port);
    }

    TempProgramFolder folder;
    PtyPair pty;
    TBComPort port;
};

} // namespace

// ---- Settings --------------------------------------------------------------

TEST(ComPortSettings, ConstructorDefaults) {
    TBComPort port;
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.ByteSize(), bs8);
    EXPECT_EQ(port.InBufSize(), 2048);
    EXPECT_EQ(port.OutBufSize(), 2048);
    EXPECT_EQ(port.Parity(), paNone);
    EXPECT_EQ(port.Port(), QStringLiteral("COM2"));
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
    EXPECT_EQ(port.StopBits(), sb1);
    EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
    EXPECT_EQ(port.Timeouts().ReadTotalMultiplier(), 0);
    EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 0);
    EXPECT_EQ(port.Timeouts().WriteTotalMultiplier(), 100);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 1000);
    EXPECT_EQ(port.Timeouts().ComPort(), &port);
    EXPECT_FALSE(port.Connected());
}

TEST(ComPortSettings, OddPositiveQueueSizesAreRoundedDown) {
    const struct {
        int given, stored;
    } cases[] = {{21, 20}, {20, 20}, {1, 0}, {-3, -3}, {0, 0}, {2049, 2048}};
    for (const auto &c : cases) {
        TBComPort port;
        port.SetInBufSize(c.given);
        port.SetOutBufSize(c.given);
        EXPECT_EQ(port.InBufSize(), c.stored) << c.given;
        EXPECT_EQ(port.OutBufSize(), c.stored) << c.given;
    }
}

TEST(ComPortSettings, TimeoutsCopyValuesButNotTheOwner) {
    TBComPort a, b;
    a.Timeouts().SetWriteTotalConstant(7);
    a.Timeouts().SetReadInterval(-5);
    b.SetTimeouts(a.Timeouts());
    EXPECT_EQ(b.Timeouts().WriteTotalConstant(), 7);
    EXPECT_EQ(b.Timeouts().ReadInterval(), -5);
    EXPECT_EQ(b.Timeouts().ComPort(), &b);
    TComTimeouts loose(a.Timeouts());
    EXPECT_EQ(loose.ComPort(), nullptr);
    EXPECT_EQ(loose.WriteTotalConstant(), 7);
}

TEST(ComPortSettings, BaudRateTableMatchesOrdinals) {
    const int rates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                         19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(baudRateValue(TBaudRate(i)), rates[i]);
}

TEST_F(ComPortTest, PortAndSyncMethodAreRefusedWhileOpen) {
    port.OpenPort();
    EXPECT_EQ(raisedText([&] { port.SetPort(QStringLiteral("COM1")); }), msg::changeWhileOpen());
    EXPECT_EQ(raisedText([&] { port.SetPort(QStringLiteral("COM3")); }), msg::changeWhileOpen());
    EXPECT_EQ(port.Port(), QStringLiteral("COM1"));
    EXPECT_EQ(raisedText([&] { port.SetSyncMethod(smThreadSync); }), QString());
    EXPECT_EQ(raisedText([&] { port.SetSyncMethod(smNone); }), msg::changeWhileOpen());
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
    port.ClosePort();
    port.SetPort(QStringLiteral("COM3"));
    EXPECT_EQ(port.Port(), QStringLiteral("COM3"));
}

TEST_F(ComPortTest, LineSettingsReachTheDeviceOnlyWhileOpen) {
    FaultyPlatform platform;
    TBComPort watched(&platform);
    useMainWindowValues(watched);
    watched.SetParity(paEven);
    EXPECT_EQ(platform.calls.load(), 0) << "a closed port must not touch the device";

    watched.OpenPort();
    const termios &tio = platform.lastSettings;
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B2400));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_TRUE(tio.c_cflag & PARENB);
    EXPECT_FALSE(tio.c_cflag & PARODD);
    EXPECT_TRUE(tio.c_iflag & INPCK);
    EXPECT_TRUE(tio.c_cflag & CLOCAL);
    EXPECT_TRUE(tio.c_cflag & CREAD);
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    termios onDevice{};
    ASSERT_EQ(::tcgetattr(pty.slave(), &onDevice), 0);
    EXPECT_EQ(cfgetospeed(&onDevice), speed_t(B2400));

    // Changes while open apply at once.
    watched.SetParity(paNone);
    watched.SetBaudRate(br19200);
    EXPECT_FALSE(platform.lastSettings.c_cflag & PARENB);
    EXPECT_FALSE(platform.lastSettings.c_iflag & INPCK);
    ASSERT_EQ(::tcgetattr(pty.slave(), &onDevice), 0);
    EXPECT_EQ(cfgetospeed(&onDevice), speed_t(B19200));

    // A speed without a standard constant goes through termios2.
    watched.SetBaudRate(br14400);
    EXPECT_EQ(platform.lastCustomSpeed, 14400);
    ASSERT_EQ(::tcgetattr(pty.slave(), &onDevice), 0);
    EXPECT_EQ(onDevice.c_cflag & CBAUD, tcflag_t(0010000)) << "BOTHER";
}

TEST_F(ComPortTest, ChangingSettingsWhileClosedMakesNoDeviceCall) {
    FaultyPlatform platform;
    TBComPort closed(&platform);
    closed.SetBaudRate(br19200);
    closed.SetParity(paOdd);
    closed.Timeouts().SetReadInterval(5);
    closed.SetInBufSize(64);
    EXPECT_EQ(platform.calls.load(), 0);
}

TEST_F(ComPortTest, ImpossibleFramingIsRefusedAndLeavesThePortClosed) {
    port.SetStopBits(sb1_5); // with 8 data bits
    EXPECT_EQ(raisedText([&] { port.OpenPort(); }), msg::setCommState());
    EXPECT_FALSE(port.Connected());
    port.SetStopBits(sb2);
    port.OpenPort();
    EXPECT_TRUE(port.Connected());
}

// ---- Opening and closing ---------------------------------------------------

TEST_F(ComPortTest, OpenAndCloseTwiceDoNothing) {
    EXPECT_EQ(raisedText([&] { port.ClosePort(); }), QString());
    port.OpenPort();
    EXPECT_EQ(raisedText([&] { port.OpenPort(); }), QString());
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.DevicePath(), pty.slaveName());
    port.ClosePort();
    EXPECT_EQ(raisedText([&] { port.ClosePort(); }), QString());
    EXPECT_FALSE(port.Connected());
}

TEST_F(ComPortTest, MissingDevicesAreReportedAsNonexistent) {
    QFile::link(folder.path() + QStringLiteral("/nowhere"),
                folder.file(QStringLiteral("ports/COM7")));
    for (const char *name : {"COM7", "COM8"}) {
        port.SetPort(QString::fromLatin1(name));
        EXPECT_EQ(raisedText([&] { port.OpenPort(); }), msg::noSuchPort()) << name;
        EXPECT_FALSE(port.Connected());
    }
}

TEST_F(ComPortTest, SecondComponentOnTheSameDeviceFindsItBusy) {
    port.OpenPort();
    TBComPort other;
    other.SetPort(QStringLiteral("COM1"));
    EXPECT_EQ(raisedText([&] { other.OpenPort(); }), msg::portBusy());
    EXPECT_FALSE(other.Connected());
    port.ClosePort();
    other.OpenPort();
    EXPECT_TRUE(other.Connected());
}

TEST_F(ComPortTest, DeviceLockedByAnotherProcessIsBusy) {
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const QByteArray device = QFile::encodeName(pty.slaveName());
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        char c;
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    EXPECT_EQ(raisedText([&] { port.OpenPort(); }), msg::portBusy());
    EXPECT_FALSE(port.Connected());
    (void)!::write(release[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);
    port.OpenPort();
    EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortTest, OrdinaryUsersMayOpenTheDeviceAgainAfterClose) {
    // The far end (here the test, in real use the simulator) keeps the line
    // open, so the tty outlives the close; an exclusive flag left on it would
    // refuse every later open by a non-root operator.
    port.OpenPort();
    port.ClosePort();
    const QByteArray device = QFile::encodeName(pty.slaveName());
    ASSERT_EQ(::chmod(device.constData(), 0666), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::_exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "errno " << WEXITSTATUS(status);
}

TEST_F(ComPortTest, OpenFailuresGiveTheirMessages) {
    const struct {
        int error;
        QString message;
    } cases[] = {
        {ENOENT, msg::noSuchPort()},
        {ENXIO, msg::noSuchPort()},
        {ENODEV, msg::noSuchPort()},
        {EBUSY, msg::portBusy()},
        {EACCES, msg::noPermission(pty.slaveName())},
        {EPERM, msg::noPermission(pty.slaveName())},
        {EIO, msg::setupComm()}, // any other failure shows at the first settings step
    };
    for (const auto &c : cases) {
        FaultyPlatform platform;
        platform.openErrno = c.error;
        TBComPort faulty(&platform);
        faulty.SetPort(QStringLiteral("COM1"));
        EXPECT_EQ(raisedText([&] { faulty.OpenPort(); }), c.message) << c.error;
        EXPECT_FALSE(faulty.Connected());
    }
    EXPECT_TRUE(
        msg::noPermission(QStringLiteral("/dev/ttyUSB0")).contains(QStringLiteral("/dev/ttyUSB0")));
}

TEST_F(ComPortTest, RefusedLineSettingsCloseTheDeviceAgain) {
    FaultyPlatform platform;
    platform.tcsetattrErrno = EINVAL;
    TBComPort faulty(&platform);
    faulty.SetPort(QStringLiteral("COM1"));
    EXPECT_EQ(raisedText([&] { faulty.OpenPort(); }), msg::setCommState());
    EXPECT_FALSE(faulty.Connected());
    EXPECT_EQ(platform.opens.load(), platform.closes.load());
    // The device is free again for someone else.
    port.OpenPort();
    EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortTest, CloseCompletesWhenTheAdapterIsGone) {
    FaultyPlatform platform;
    TBComPort faulty(&platform);
    useMainWindowValues(faulty);
    const int threadsBefore = orvex::test::threadCount();
    faulty.OpenPort();
    platform.linesErrno = EIO; // what an unplugged adapter answers
    platform.flushErrno = EIO;
    EXPECT_EQ(raisedText([&] { faulty.ClosePort(); }), msg::escapeComm());
    EXPECT_FALSE(faulty.Connected());
    EXPECT_EQ(platform.opens.load(), platform.closes.load());
    EXPECT_TRUE(waitUntil([&] { return orvex::test::threadCount() == threadsBefore; }));
    // Polling can start again once the adapter is back.
    platform.linesErrno = 0;
    platform.flushErrno = 0;
    faulty.OpenPort();
    EXPECT_TRUE(faulty.Connected());
    faulty.ClosePort();
}

TEST_F(ComPortTest, OperationsOnAClosedPortRaiseTheirMessages) {
    char buffer[19] = {};
    TTransferRecord record;
    const struct {
        const char *what;
        std::function<void()> call;
        QString message;
    } cases[] = {
        {"WriteBlock", [&] { port.WriteBlock("abcd", 4); }, msg::writeFailed()},
        {"WriteBlock 0", [&] { port.WriteBlock("", 0); }, msg::writeFailed()},
        {"ReadBlock", [&] { port.ReadBlock(buffer, 19); }, msg::readFailed()},
        {"PurgeQueues", [&] { port.PurgeQueues(true, true); }, msg::purgeComm()},
        {"AbortTransfers", [&] { port.AbortTransfers(); }, msg::purgeComm()},
        {"SetDtrLine", [&] { port.SetDtrLine(true); }, msg::escapeComm()},
        {"SetRtsLine", [&] { port.SetRtsLine(false); }, msg::escapeComm()},
        {"ReceivedCount", [&] { port.ReceivedCount(); }, msg::clearCommError()},
        {"ModemLines", [&] { port.ModemLines(); }, msg::modemStatus()},
        {"StartWrite without record", [&] { port.StartWrite("ab", 2, nullptr); }, msg::noAsync()},
        {"StartRead without record", [&] { port.StartRead(buffer, 2, nullptr); }, msg::noAsync()},
        {"AwaitTransfer without record", [&] { port.AwaitTransfer(nullptr); }, msg::noAsync()},
        {"StartRead", [&] { port.StartRead(buffer, 2, &record); }, msg::readFailed()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(raisedText(c.call), c.message) << c.what;
}

// ---- Transfers with the main window's timeouts -----------------------------

TEST_F(ComPortTest, ReadOnAnEmptyQueueReturnsNothingAtOnce) {
    port.OpenPort();
    char buffer[19];
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(port.ReadBlock(buffer, 19), 0);
    EXPECT_LT(timer.elapsed(), 1000);
}

TEST_F(ComPortTest, ReadTakesAtMostTheCountAndThePurgeDiscardsTheRest) {
    port.OpenPort();
    QByteArray sent;
    for (int i = 0; i < 25; ++i)
        sent.append(char(i + 1));
    pty.send(sent);
    ASSERT_TRUE(waitUntil([&] { return port.ReceivedCount() == 25; }));
    char buffer[19] = {};
    EXPECT_EQ(port.ReadBlock(buffer, 19), 19);
    EXPECT_EQ(QByteArray(buffer, 19), sent.left(19));
    EXPECT_EQ(port.ReceivedCount(), 6);
    port.PurgeQueues(true, false);
    EXPECT_EQ(port.ReceivedCount(), 0);
    EXPECT_EQ(port.ReadBlock(buffer, 19), 0);
}

TEST_F(ComPortTest, ReadOfAPartialReplyReturnsWhatCame) {
    port.OpenPort();
    pty.send(QByteArray(12, 'r'));
    ASSERT_TRUE(waitUntil([&] { return port.ReceivedCount() == 12; }));
    char buffer[19];
    EXPECT_EQ(port.ReadBlock(buffer, 19), 12);
}

TEST_F(ComPortTest, WriteReturnsItsCountAndTheBytesArrive) {
    port.OpenPort();
    port.SetRtsLine(true); // no modem lines on a pseudo-terminal: counts as done
    port.SetDtrLine(false);
    const char request[4] = {0x01, 0x0C, 0x00, 0x25};
    EXPECT_EQ(port.WriteBlock(request, 4), 4);
    EXPECT_EQ(pty.receive(4), QByteArray(request, 4));
}

TEST_F(ComPortTest, WriteCutOffByItsTimeoutReturnsTheShorterCount) {
    port.Timeouts().SetWriteTotalMultiplier(0);
    port.Timeouts().SetWriteTotalConstant(300);
    port.OpenPort();
    // Nobody reads the far end, so the line fills up.
    const QByteArray block(1 << 20, 'w');
    int written = -1;
    EXPECT_EQ(raisedText([&] { written = port.WriteBlock(block.constData(), int(block.size())); }),
              QString());
    EXPECT_GT(written, 0);
    EXPECT_LT(written, block.size());
}

TEST_F(ComPortTest, EveryByteValuePassesUnchangedBothWays) {
    port.OpenPort();
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    pty.send(all);
    ASSERT_TRUE(waitUntil([&] { return port.ReceivedCount() == 256; }));
    QByteArray got(256, 0);
    EXPECT_EQ(port.ReadBlock(got.data(), 256), 256);
    EXPECT_EQ(got, all);

    EXPECT_EQ(port.WriteBlock(all.constData(), 256), 256);
    EXPECT_EQ(pty.receive(256), all);
}

TEST_F(ComPortTest, ReadWithATotalTimeoutWaitsForTheRest) {
    port.Timeouts().SetReadInterval(0);
    port.Timeouts().SetReadTotalConstant(10000);
    port.OpenPort();
    auto record = NewTransferRecord();
    char buffer[6] = {};
    EXPECT_EQ(port.StartRead(buffer, 6, record.get()), 0); // pending
    pty.send("abcdef");
    EXPECT_EQ(port.AwaitTransfer(record.get()), 6);
    EXPECT_EQ(QByteArray(buffer, 6), QByteArray("abcdef"));
}

TEST_F(ComPortTest, NegativeTimeoutsMeanNoLimitLikeMinusOne) {
    port.Timeouts().SetReadInterval(-5);
    port.OpenPort();
    char buffer[19];
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(port.ReadBlock(buffer, 19), 0);
    EXPECT_LT(timer.elapsed(), 1000);
}

TEST_F(ComPortTest, AbortedTransferFailsAtItsWait) {
    port.Timeouts().SetReadInterval(0);
    port.Timeouts().SetReadTotalConstant(10000);
    port.OpenPort();
    auto record = NewTransferRecord();
    char buffer[4];
    EXPECT_EQ(port.StartRead(buffer, 4, record.get()), 0);
    port.AbortTransfers();
    EXPECT_EQ(raisedText([&] { port.AwaitTransfer(record.get()); }), msg::readFailed());
}

TEST_F(ComPortTest, CloseDiscardsWhatIsWaiting) {
    port.OpenPort();
    pty.send("left over");
    ASSERT_TRUE(waitUntil([&] { return port.ReceivedCount() == 9; }));
    port.ClosePort();
    port.OpenPort();
    EXPECT_EQ(port.ReceivedCount(), 0);
}

TEST_F(ComPortTest, DescriptorIsNotInheritedByChildren) {
    port.OpenPort();
    const QString fdDir = QStringLiteral("/proc/self/fd");
    int portFd = -1;
    for (const QString &entry : QDir(fdDir).entryList(QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(fdDir + QLatin1Char('/') + entry).symLinkTarget() == pty.slaveName() &&
            entry.toInt() != pty.slave())
            portFd = entry.toInt();
    }
    ASSERT_GE(portFd, 0);
    EXPECT_TRUE(::fcntl(portFd, F_GETFD) & FD_CLOEXEC);
}

// ---- The far end vanishing -------------------------------------------------

TEST_F(ComPortTest, PeerVanishingLeavesThePortClosableAndReopenable) {
    const int threadsBefore = orvex::test::threadCount();
    port.OpenPort();
    EXPECT_EQ(orvex::test::threadCount(), threadsBefore + 1);
    pty.vanish();
    // The event thread leaves its loop instead of spinning on the hang-up.
    EXPECT_TRUE(waitUntil([&] { return orvex::test::threadCount() == threadsBefore; }));
    char buffer[19];
    EXPECT_EQ(raisedText([&] { port.WriteBlock("abcd", 4); }), msg::writeFailed());
    raisedText([&] { port.ReadBlock(buffer, 19); });
    raisedText([&] { port.ClosePort(); }); // may report the dead line, but completes
    EXPECT_FALSE(port.Connected());

    PtyPair fresh;
    ASSERT_TRUE(fresh.link(folder.path(), QStringLiteral("COM1")));
    port.OpenPort();
    EXPECT_EQ(port.WriteBlock("abcd", 4), 4);
    EXPECT_EQ(fresh.receive(4), QByteArray("abcd"));
    port.ClosePort();
}
