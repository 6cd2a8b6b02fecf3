// The event thread: its lifetime, the received-characters event in each
// delivery method, closing while events flood in, handler exceptions, line
// errors and modem lines (through FaultyPlatform, which a pseudo-terminal
// lacks), and the delivery order of the window-synchronised method.
#include "serial/BCPort.h"
#include "tests/serial/FaultyPlatform.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/TestSupport.h"
#include "ui/Messages.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace orvex::serial;
using orvex::test::FaultyPlatform;
using orvex::test::PtyPair;
using orvex::test::TempProgramFolder;
using orvex::test::threadCount;
using orvex::test::waitUntil;

namespace {

const char *methodName(TSyncMethod m) {
    return m == smThreadSync ? "smThreadSync" : m == smWindowSync ? "smWindowSync" : "smNone";
}

class ComThreadTest : public ::testing::TestWithParam<TSyncMethod> {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.valid());
        ASSERT_TRUE(pty.link(folder.path(), QStringLiteral("COM1")));
        port.SetPort(QStringLiteral("COM1"));
        port.SetSyncMethod(GetParam());
        port.SetInBufSize(20);
    }

    TempProgramFolder folder;
    PtyPair pty;
    FaultyPlatform platform;
    TBComPort port{&platform};
};

} // namespace

TEST_P(ComThreadTest, ThreadExistsExactlyWhileOpen) {
    const int before = threadCount();
    port.OpenPort();
    EXPECT_EQ(threadCount(), before + 1);
    port.ClosePort();
    // The thread has been joined; the kernel drops its task entry a moment
    // after the join returns.
    EXPECT_TRUE(waitUntil([&] { return threadCount() == before; }));
}

TEST_P(ComThreadTest, RxCharReportsTheWaitingCountOnTheRightThread) {
    std::atomic<int> lastCount{0};
    std::atomic<bool> onGuiThread{false};
    QThread *gui = QThread::currentThread();
    port.SetOnRxChar([&](TBComPort *sender, int count) {
        EXPECT_EQ(sender, &port);
        onGuiThread = QThread::currentThread() == gui;
        lastCount = count;
    });
    port.OpenPort();
    pty.send("hello");
    EXPECT_TRUE(waitUntil([&] { return lastCount == 5; }));
    EXPECT_EQ(onGuiThread.load(), GetParam() != smNone);
    // The bytes stay until read; a new arrival reports the new total.
    pty.send("!!");
    EXPECT_TRUE(waitUntil([&] { return lastCount == 7; }));
    port.ClosePort();
}

TEST_P(ComThreadTest, CloseCompletesWhileEventsFloodIn) {
    std::atomic<int> calls{0};
    std::atomic<bool> closing{false};
    std::atomic<bool> calledDuringClose{false};
    port.SetOnRxChar([&](TBComPort *, int) {
        ++calls;
        if (closing)
            calledDuringClose = true;
    });
    port.OpenPort();
    std::atomic<bool> flooding{true};
    const int master = pty.master();
    std::thread writer([&] {
        while (flooding) {
            (void)!::write(master, "x", 1);
            QThread::usleep(200);
        }
    });
    EXPECT_TRUE(waitUntil([&] { return calls >= 3; }));
    char sink[4096];
    port.ReadBlock(sink, sizeof sink);
    closing = true;
    port.ClosePort(); // must neither deadlock nor run the event loop
    closing = false;
    flooding = false;
    writer.join();
    EXPECT_FALSE(port.Connected());
    if (GetParam() != smNone) {
        EXPECT_FALSE(calledDuringClose.load());
    }
    // A hand-over that was still queued is dropped, not run after the close.
    const int after = calls;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls.load(), after);
}

TEST_P(ComThreadTest, LineErrorsReachOnErrorWithoutParityOnANoParityLine) {
    platform.fakeLineState = true;
    std::mutex lock;
    std::vector<TComErrors> reported;
    port.SetOnError([&](TBComPort *, TComErrors errors) {
        std::lock_guard guard(lock);
        reported.push_back(errors);
    });
    port.OpenPort();
    platform.parity = 1; // ignored: the line has no parity
    pty.send("a");
    EXPECT_TRUE(waitUntil([&] { return port.ReceivedCount() == 1; }));
    platform.frame = 1;
    platform.overrun = 1;
    pty.send("b");
    EXPECT_TRUE(waitUntil([&] {
        std::lock_guard guard(lock);
        return !reported.empty();
    }));
    port.ClosePort();
    std::lock_guard guard(lock);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], TComErrors({ceFrame, ceOverrun}));
}

TEST_P(ComThreadTest, ModemLineChangesReachTheirHandlers) {
    platform.fakeLineState = true;
    std::mutex lock;
    QStringList seen;
    auto note = [&](const QString &what) {
        std::lock_guard guard(lock);
        seen << what;
    };
    port.SetOnCTSChange([&](TBComPort *, bool on) { note(on ? "cts on" : "cts off"); });
    port.SetOnRing([&](TBComPort *) { note("ring"); });
    port.SetOnRLSDChange([&](TBComPort *, bool on) { note(on ? "rlsd on" : "rlsd off"); });
    port.OpenPort();
    // Let the thread take the current lines as its baseline first.
    EXPECT_TRUE(waitUntil([&] { return platform.modemReads > 0; }));
    platform.modemBits = TIOCM_CAR | TIOCM_RNG;
    EXPECT_TRUE(waitUntil([&] {
        std::lock_guard guard(lock);
        return seen.size() >= 2;
    }));
    platform.modemBits = TIOCM_CAR | TIOCM_CTS;
    EXPECT_TRUE(waitUntil([&] {
        std::lock_guard guard(lock);
        return seen.size() >= 3;
    }));
    port.ClosePort();
    std::lock_guard guard(lock);
    // One wake-up with both events delivers the ring first.
    EXPECT_EQ(seen, QStringList({"ring", "rlsd on", "cts on"}));
}

TEST_P(ComThreadTest, QueueEightyPercentFullAndTransmitQueueEmpty) {
    std::atomic<int> full{0}, empty{0};
    port.SetOnRx80Full([&](TBComPort *) { ++full; });
    port.SetOnTxEmpty([&](TBComPort *) { ++empty; });
    port.OpenPort();
    pty.send(QByteArray(10, 'a'));
    EXPECT_TRUE(waitUntil([&] { return port.ReceivedCount() == 10; }));
    pty.send(QByteArray(8, 'b')); // 18 of a 20-byte queue
    EXPECT_TRUE(waitUntil([&] { return full == 1; }));
    EXPECT_EQ(port.WriteBlock("abcd", 4), 4);
    EXPECT_TRUE(waitUntil([&] { return empty == 1; }));
    port.ClosePort();
    EXPECT_EQ(full.load(), 1);
}

TEST_P(ComThreadTest, HandlerMayCloseThePort) {
    std::atomic<int> calls{0};
    port.SetOnRxChar([&](TBComPort *sender, int) {
        ++calls;
        sender->ClosePort();
    });
    const int before = threadCount();
    port.OpenPort();
    pty.send("x");
    EXPECT_TRUE(
        waitUntil([&] { return calls == 1 && !port.Connected() && threadCount() == before; }));
    // Open again on the same device.
    port.SetOnRxChar(nullptr);
    port.OpenPort();
    EXPECT_EQ(port.WriteBlock("ok", 2), 2);
    EXPECT_EQ(pty.receive(2), QByteArray("ok"));
    port.ClosePort();
}

INSTANTIATE_TEST_SUITE_P(EverySyncMethod, ComThreadTest,
                         ::testing::Values(smThreadSync, smWindowSync, smNone),
                         [](const auto &info) { return std::string(methodName(info.param)); });

// ---- Handler exceptions ----------------------------------------------------

TEST(ComThreadExceptions, ThreadSyncExceptionEndsDeliveryQuietly) {
    TempProgramFolder folder;
    PtyPair pty;
    ASSERT_TRUE(pty.link(folder.path(), QStringLiteral("COM1")));
    orvex::ui::MessageRecorder recorder;
    TBComPort port;
    port.SetPort(QStringLiteral("COM1"));
    std::atomic<int> calls{0};
    port.SetOnRxChar([&](TBComPort *, int) {
        ++calls;
        throw EComPort(QStringLiteral("сбой обработчика"));
    });
    const int before = threadCount();
    port.OpenPort();
    pty.send("a");
    EXPECT_TRUE(waitUntil([&] { return calls == 1 && threadCount() == before; }));
    // No more events, nothing shown, but the port still works. (The thread
    // discarded the input queue on its way out.)
    pty.send("b");
    EXPECT_TRUE(waitUntil([&] { return port.ReceivedCount() == 1; }));
    EXPECT_EQ(port.WriteBlock("ok", 2), 2);
    EXPECT_EQ(pty.receive(2), QByteArray("ok"));
    port.ClosePort();
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(recorder.count(), 0);
}

TEST(ComThreadExceptions, WindowSyncExceptionIsShownAndDeliveryGoesOn) {
    TempProgramFolder folder;
    PtyPair pty;
    ASSERT_TRUE(pty.link(folder.path(), QStringLiteral("COM1")));
    orvex::ui::MessageRecorder recorder;
    TBComPort port;
    port.SetPort(QStringLiteral("COM1"));
    port.SetSyncMethod(smWindowSync);
    std::atomic<int> calls{0};
    port.SetOnRxChar([&](TBComPort *, int) {
        ++calls;
        throw EComPort(QStringLiteral("сбой обработчика"));
    });
    port.OpenPort();
    pty.send("a");
    EXPECT_TRUE(waitUntil([&] { return calls == 1; }));
    pty.send("b");
    EXPECT_TRUE(waitUntil([&] { return calls == 2; }));
    port.ClosePort();
    EXPECT_EQ(recorder.texts(), QStringList({"сбой обработчика", "сбой обработчика"}));
}
