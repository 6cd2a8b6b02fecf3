// The poll cycle without a main window: a stand-in surface with a real timer
// and progress bar, the real serial component on the simulator's
// pseudo-terminal. Covers START and STOP, the schedule (first request, read
// delay, waiting ticks), the addresses on the line, the outcomes handed to
// decoding, STOP between send and read, and port failures inside ticks. The
// recording itself is RecordingTest's; the real window is the end-to-end
// tests'.
#include "polling/PollCycle.h"
#include "config/Settings.h"
#include "serial/BCPort.h"
#include "tests/pollcycle/PollTestSupport.h"
#include "ui/ErrorHandler.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <ctime>

namespace orvex::polling {
namespace {

using test::Simulator;

class FakeSurface : public PollSurface {
public:
    FakeSurface() {
        bar.setRange(0, 100);
        bar.hide();
        timerObj.setTimerType(Qt::PreciseTimer);
        port_.SetPort(QStringLiteral("COM1"));
        port_.SetBaudRate(serial::br2400);
        port_.SetStopBits(serial::sb2);
        port_.Timeouts().SetWriteTotalMultiplier(10);
        port_.Timeouts().SetWriteTotalConstant(100);
        s.UnitsAmount = 3;
        s.PeriodMs = 1000;
        s.ScanShow = false;
        s.Speed = QStringLiteral(" 2400 (000)");
    }

    config::TSettings &settings() override { return s; }
    serial::TBComPort &port() override { return port_; }
    QTimer &timer() override { return timerObj; }
    QProgressBar &progressBar() override { return bar; }
    std::uint8_t unitAddress(int u) override { return s.UnitAddr[std::size_t(u)]; }
    bool checkDuplicateAddresses() override {
        log << QStringLiteral("check");
        return duplicates;
    }
    void runOptions() override {
        log << QStringLiteral("options");
        duplicates = false;
    }
    void setMenusEnabled(bool enabled) override { menusEnabled = enabled; }
    void setPortStatus(const QString &text) override { status = text; }
    void setStartButton(const QString &c, const QString &h) override {
        caption = c;
        hint = h;
    }
    void pollingChanged(bool) override {}
    void setUnitHeaderHighlight(int u, bool on) override {
        log << QStringLiteral("%1 %2")
                   .arg(on ? QStringLiteral("light") : QStringLiteral("face"))
                   .arg(u);
    }
    DecodeResult decodeReply(int u, const ReplyBuffer &) override {
        log << QStringLiteral("good %1").arg(u);
        DecodeResult r;
        r.alarmLevel = 1;
        return r;
    }
    void showReplyError(int u, const ReplyOutcome &o) override {
        log << QStringLiteral("error %1 %2").arg(u).arg(ReplyCellLabel(o));
    }
    QWidget *messageParent() override { return nullptr; }

    config::TSettings s;
    serial::TBComPort port_;
    QTimer timerObj;
    QProgressBar bar;
    bool duplicates = false;
    bool menusEnabled = true;
    QString status, caption, hint;
    QStringList log;
};

class PollCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        cycle = std::make_unique<PollCycle>(
            surface, [this](int u, int level, const auto &, const QDate &d, const QTime &t) {
                surface.log << QStringLiteral("record %1 %2").arg(u).arg(level);
                stamps << QDateTime(d, t);
                if (recordFailure)
                    recordFailure();
            });
        QObject::connect(&surface.timerObj, &QTimer::timeout, [this] {
            ++ticks;
            cycle->Timer1Cicle();
        });
        cycle->onSend = [this](int u) {
            sendTimes << clock.elapsed();
            surface.log << QStringLiteral("send %1").arg(u);
        };
        cycle->onRead = [this](int, const ReplyOutcome &) { readTimes << clock.elapsed(); };
    }
    void TearDown() override {
        if (cycle->polling())
            ui::guarded([this] { cycle->ScanBitBtnClick(); });
    }
    QString link() const { return folder.file(QStringLiteral("ports/COM1")); }
    void click() {
        clock.start();
        cycle->ScanBitBtnClick();
    }
    bool waitFor(const std::function<bool()> &done, int ms = 10000) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms)
            QTest::qWait(5);
        return done();
    }
    int count(const QString &prefix) const {
        return int(surface.log.filter(QRegularExpression(QStringLiteral("^") + prefix)).size());
    }
    // Units 1..units were sent to in turn, and each send was followed by
    // its good reply and one recording of it before the next send: no tick
    // ran twice and no reply was recorded twice or skipped.
    void expectEachReplyReadAndRecordedOnceInTurn(int units) const {
        const QStringList seen =
            surface.log.filter(QRegularExpression(QStringLiteral("^(send|good|error|record)")));
        int expectedUnit = 1;
        for (int i = 0; i < seen.size();) {
            ASSERT_EQ(seen[i], QStringLiteral("send %1").arg(expectedUnit)) << i;
            if (i + 1 == seen.size())
                break; // stopped between a send and its read
            ASSERT_EQ(seen[i + 1], QStringLiteral("good %1").arg(expectedUnit)) << i;
            ASSERT_LT(i + 2, seen.size());
            ASSERT_EQ(seen[i + 2], QStringLiteral("record %1 1").arg(expectedUnit)) << i;
            i += 3;
            expectedUnit = expectedUnit % units + 1;
        }
    }

    orvex::test::TempProgramFolder folder;
    ui::MessageRecorder messages;
    FakeSurface surface;
    std::unique_ptr<PollCycle> cycle;
    QElapsedTimer clock;
    QList<qint64> sendTimes, readTimes;
    QList<QDateTime> stamps;
    std::function<void()> recordFailure; // throws when set
    int ticks = 0;
};

TEST_F(PollCycleTest, StartOpensThePortAndSendsToUnit1After200ms) {
    Simulator sim(link(), {QStringLiteral("--units"), QStringLiteral("1-3")});
    surface.bar.show(); // with or without the bar
    surface.menusEnabled = true;
    click();
    EXPECT_TRUE(cycle->polling());
    EXPECT_FALSE(surface.menusEnabled);
    EXPECT_EQ(surface.status, QStringLiteral("Пopт: COM1  2400 (000) - 0TКPЫT"));
    EXPECT_EQ(surface.caption, QStringLiteral("СТОП"));
    EXPECT_EQ(surface.hint, QStringLiteral("Остановить опрос пультов"));
    EXPECT_EQ(cycle->unitIntervalMs(), 333);
    ASSERT_TRUE(waitFor([&] { return !sendTimes.isEmpty(); }));
    EXPECT_EQ(surface.log.first(), QStringLiteral("check"));
    EXPECT_EQ(surface.log.at(1), QStringLiteral("send 1"));
    EXPECT_GE(sendTimes.first(), 195);
    EXPECT_LE(sendTimes.first(), 400);

    cycle->ScanBitBtnClick();
    EXPECT_FALSE(cycle->polling());
    EXPECT_FALSE(surface.timerObj.isActive());
    EXPECT_FALSE(surface.port_.Connected());
    EXPECT_TRUE(surface.menusEnabled);
    EXPECT_EQ(surface.status, QStringLiteral("Пopт: COM1  2400 (000) - ЗAКPЫT"));
    EXPECT_EQ(surface.caption, QStringLiteral("СТАРТ"));
    EXPECT_EQ(surface.hint, QStringLiteral("Запустить опрос пультов"));
    EXPECT_EQ(surface.bar.value(), 0);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(PollCycleTest, DuplicateAddressesRunTheOptionsFirstThenPollingStarts) {
    Simulator sim(link(), {});
    surface.duplicates = true;
    click();
    EXPECT_EQ(surface.log.mid(0, 2),
              (QStringList{QStringLiteral("check"), QStringLiteral("options")}));
    EXPECT_TRUE(cycle->polling());
}

TEST_F(PollCycleTest, PassesCarryTheNetworkAddressesAndHandEachOutcomeOn) {
    // Unit positions 1..3 at addresses 7, 9, 4; address 4 does not answer.
    surface.s.UnitAddr[1] = 7;
    surface.s.UnitAddr[2] = 9;
    surface.s.UnitAddr[3] = 4;
    surface.s.ScanShow = true;
    Simulator sim(link(), {QStringLiteral("--units"), QStringLiteral("7,9")});
    click();
    ASSERT_TRUE(waitFor([&] { return readTimes.size() >= 6; }));
    cycle->ScanBitBtnClick();
    const QStringList expected{QStringLiteral("check"),      QStringLiteral("light 1"),
                               QStringLiteral("send 1"),     QStringLiteral("good 1"),
                               QStringLiteral("record 1 1"), QStringLiteral("face 1"),
                               QStringLiteral("light 2"),    QStringLiteral("send 2"),
                               QStringLiteral("good 2"),     QStringLiteral("record 2 1"),
                               QStringLiteral("face 2"),     QStringLiteral("light 3"),
                               QStringLiteral("send 3"),     QStringLiteral("error 3 нет ответа"),
                               QStringLiteral("face 3"),     QStringLiteral("light 1"),
                               QStringLiteral("send 1")};
    EXPECT_EQ(surface.log.mid(0, expected.size()), expected);
    const QString lineLog = sim.log();
    EXPECT_TRUE(lineLog.contains(QStringLiteral("07 0C")));
    EXPECT_TRUE(lineLog.contains(QStringLiteral("09 0C")));
    EXPECT_TRUE(lineLog.contains(QStringLiteral("04 0C")));
    EXPECT_FALSE(lineLog.contains(QStringLiteral("01 0C"))); // never the unit number
    // Reads come 250 ms after their sends.
    for (int i = 0; i < 6; ++i) {
        EXPECT_GE(readTimes[i] - sendTimes[i], 245) << i;
        EXPECT_LE(readTimes[i] - sendTimes[i], 400) << i;
    }
    // Each stamp is whole seconds.
    for (const QDateTime &dt : stamps)
        EXPECT_EQ(dt.time().msec(), 0);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(PollCycleTest, TheProgressBarSplitsTheWaitIntoAHundredTicks) {
    // One unit every 1000 ms: waiting ticks of 10 ms, the send on the 101st.
    surface.s.UnitsAmount = 1;
    surface.bar.show();
    Simulator sim(link(), {});
    QList<int> ticksAtSend;
    cycle->onSend = [&](int u) {
        sendTimes << clock.elapsed();
        ticksAtSend << ticks;
        surface.log << QStringLiteral("send %1").arg(u);
    };
    int maxSeen = 0;
    QObject::connect(&surface.bar, &QProgressBar::valueChanged,
                     [&](int v) { maxSeen = std::max(maxSeen, v); });
    click();
    ASSERT_TRUE(waitFor([&] { return sendTimes.size() >= 3; }, 15000));
    cycle->ScanBitBtnClick();
    EXPECT_EQ(ticksAtSend[0], 1); // START set the bar to its maximum
    // send tick, read tick, 100 waiting ticks, then the next send tick
    EXPECT_EQ(ticksAtSend[1] - ticksAtSend[0], 102);
    EXPECT_EQ(ticksAtSend[2] - ticksAtSend[1], 102);
    EXPECT_EQ(maxSeen, 100);
    // 250 ms + 100 x 10 ms between the sends, give or take the timer.
    EXPECT_GE(sendTimes[1] - sendTimes[0], 1240);
    EXPECT_LE(sendTimes[1] - sendTimes[0], 2000);
}

TEST_F(PollCycleTest, WithoutTheBarTheWholeUnitIntervalFollowsTheRead) {
    surface.s.UnitsAmount = 2;
    surface.s.PeriodMs = 1000; // UnitInterval 500
    Simulator sim(link(), {QStringLiteral("--units"), QStringLiteral("1,2")});
    click();
    ASSERT_TRUE(waitFor([&] { return sendTimes.size() >= 3; }));
    cycle->ScanBitBtnClick();
    for (int i = 1; i < 3; ++i) {
        EXPECT_GE(sendTimes[i] - readTimes[i - 1], 495) << i;
        EXPECT_LE(sendTimes[i] - readTimes[i - 1], 800) << i;
    }
}

TEST_F(PollCycleTest, StopBetweenSendAndReadReadsNothingAndStartBeginsWithUnit1) {
    Simulator sim(link(), {QStringLiteral("--units"), QStringLiteral("1-3")});
    bool stopped = false;
    cycle->onSend = [&](int u) {
        surface.log << QStringLiteral("send %1").arg(u);
        if (!stopped && u == 2) {
            stopped = true;
            QTimer::singleShot(0, [&] { cycle->ScanBitBtnClick(); });
        }
    };
    click();
    ASSERT_TRUE(waitFor([&] { return stopped && !cycle->polling(); }));
    EXPECT_FALSE(cycle->sendPhase()); // the read of unit 2 is still due, and never comes
    click();
    ASSERT_TRUE(waitFor([&] { return count(QStringLiteral("good")) >= 2; }));
    cycle->ScanBitBtnClick();
    const QStringList expected{QStringLiteral("check"),  QStringLiteral("send 1"),
                               QStringLiteral("good 1"), QStringLiteral("send 2"),
                               QStringLiteral("check"),  QStringLiteral("send 1"),
                               QStringLiteral("good 1")};
    const QStringList seen =
        surface.log.filter(QRegularExpression(QStringLiteral("^(check|send|good|error)")));
    EXPECT_EQ(seen.mid(0, expected.size()), expected);
}

TEST_F(PollCycleTest, StartWithoutADeviceShowsTheOpenErrorAndEnablesTheMenus) {
    // ports/COM1 names a device that is gone. The button's general handler
    // shows the error; here it arrives raised.
    QDir().mkpath(folder.file(QStringLiteral("ports")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/orvex-no-such-device"), link()));
    EXPECT_THROW(click(), orvex::SystemError);
    EXPECT_FALSE(cycle->polling());
    EXPECT_FALSE(surface.timerObj.isActive());
    EXPECT_TRUE(surface.menusEnabled);
    EXPECT_NE(surface.caption, QStringLiteral("СТОП"));
    EXPECT_FALSE(surface.port_.Connected());
}

TEST_F(PollCycleTest, VanishedDeviceGivesOnePortErrorPerTickWithoutStackingBoxes) {
    auto sim = std::make_unique<Simulator>(
        link(), QStringList{QStringLiteral("--units"), QStringLiteral("1-3")});
    surface.s.PeriodMs = 600;
    click();
    ASSERT_TRUE(waitFor([&] { return count(QStringLiteral("good")) >= 1; }));
    // A box that stays open for 300 ms, as a real modal box would: the timer
    // keeps running under it.
    int depth = 0, maxDepth = 0;
    messages.setOnShow([&](const ui::RecordedMessage &) {
        maxDepth = std::max(maxDepth, ++depth);
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        --depth;
    });
    sim->kill();
    const int errorsBefore = messages.count();
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
    QElapsedTimer wall;
    wall.start();
    ASSERT_TRUE(waitFor([&] { return messages.count() >= errorsBefore + 4; }, 15000));
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
    const double cpuMs = (cpu1.tv_sec - cpu0.tv_sec) * 1e3 + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
    EXPECT_EQ(maxDepth, 1);
    for (const QString &t : messages.texts())
        EXPECT_TRUE(t.startsWith(QStringLiteral("Ошибка"))) << t.toStdString();
    // Nothing spins while the device is gone.
    EXPECT_LT(cpuMs, wall.elapsed() * 0.5) << cpuMs << " ms CPU in " << wall.elapsed() << " ms";
    messages.setOnShow(nullptr);

    // STOP closes the port (a close step that fails on the vanished device is
    // reported once); START works again once the simulator is back.
    messages.clear();
    ui::guarded([this] { cycle->ScanBitBtnClick(); });
    EXPECT_LE(messages.count(), 1) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_FALSE(cycle->polling());
    EXPECT_FALSE(surface.port_.Connected());
    sim = std::make_unique<Simulator>(
        link(), QStringList{QStringLiteral("--units"), QStringLiteral("1-3")});
    messages.clear();
    const int goodBefore = count(QStringLiteral("good"));
    click();
    ASSERT_TRUE(cycle->polling());
    ASSERT_TRUE(waitFor([&] { return count(QStringLiteral("good")) >= goodBefore + 3; }));
    EXPECT_EQ(messages.count(), 0);
}

// With the progress bar the tick before a send is a short waiting tick; a
// send that fails must not come back at the next short tick once its box is
// closed, or the boxes follow each other and STOP can never be reached.
TEST_F(PollCycleTest, AfterAFailedSendTheOperatorHasAWholeUnitIntervalToStop) {
    auto sim = std::make_unique<Simulator>(
        link(), QStringList{QStringLiteral("--units"), QStringLiteral("1-3")});
    surface.s.PeriodMs = 1500; // UnitInterval 500 ms, waiting ticks of 5 ms
    surface.bar.show();
    click();
    ASSERT_TRUE(waitFor([&] { return count(QStringLiteral("good")) >= 1; }));
    QList<qint64> shown, closed;
    messages.setOnShow([&](const ui::RecordedMessage &) {
        shown << clock.elapsed();
        QEventLoop loop;
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
        closed << clock.elapsed();
    });
    sim->kill();
    ASSERT_TRUE(waitFor([&] { return messages.count() >= 3; }, 15000));
    for (int i = 1; i < 3; ++i)
        EXPECT_GE(shown[i] - closed[i - 1], 450) << messages.texts().join(" | ").toStdString();
    // STOP in such a gap ends it.
    ASSERT_TRUE(waitFor([&] { return closed.size() >= 3; }));
    messages.setOnShow(nullptr);
    ui::guarded([this] { cycle->ScanBitBtnClick(); });
    EXPECT_FALSE(cycle->polling());
    EXPECT_EQ(surface.bar.value(), 0);
}

// The reply was taken from the port and decoded when the recording failed:
// the error is shown once and the cycle goes on to the next unit; reading
// again would find the line empty and paint the unit as silent.
TEST_F(PollCycleTest, ATableErrorAfterTheReplyWasTakenIsShownOnceAndNotReadAgain) {
    Simulator sim(link(), {QStringLiteral("--units"), QStringLiteral("1-3")});
    int failures = 0;
    recordFailure = [&] {
        if (failures++ == 0)
            throw orvex::SystemError(QStringLiteral("Ошибка базы данных в таблице Signals.DB"));
    };
    click();
    ASSERT_TRUE(waitFor([&] { return count(QStringLiteral("good")) >= 3; }));
    cycle->ScanBitBtnClick();
    EXPECT_EQ(messages.texts(), QStringList{"Ошибка базы данных в таблице Signals.DB"});
    const QStringList seen =
        surface.log.filter(QRegularExpression(QStringLiteral("^(send|good|error|record)")));
    const QStringList expected{"send 1",     "good 1", "record 1 1", "send 2",    "good 2",
                               "record 2 1", "send 3", "good 3",     "record 3 1"};
    EXPECT_EQ(seen.mid(0, expected.size()), expected);
}

// A full disk fails every recording for a while, and each failure shows a box
// that stays open while the timer runs under it. The boxes never stack, and
// closing one never lets a tick run twice: sends and reads keep alternating,
// each read for the unit just sent, every reply recorded at most once, and
// recording goes on once the disk has room again.
TEST_F(PollCycleTest, TableErrorsForAWhileNeverStackBoxesOrRunATickTwice) {
    Simulator sim(link(), {QStringLiteral("--units"), QStringLiteral("1-3")});
    surface.s.PeriodMs = 300; // waits of 100 ms, shorter than a box stays open
    int failures = 0;
    recordFailure = [&] {
        if (failures++ < 6)
            throw orvex::SystemError(
                QStringLiteral("Ошибка базы данных: database or disk is full"));
    };
    int depth = 0, maxDepth = 0;
    messages.setOnShow([&](const ui::RecordedMessage &) {
        maxDepth = std::max(maxDepth, ++depth);
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        --depth;
    });
    click();
    ASSERT_TRUE(waitFor([&] { return failures >= 12; }, 30000));
    cycle->ScanBitBtnClick();
    messages.setOnShow(nullptr);
    EXPECT_EQ(maxDepth, 1);
    // One box per failed recording at most (a pacing of boxes may show fewer).
    EXPECT_GE(messages.count(), 1);
    EXPECT_LE(messages.count(), 6);
    expectEachReplyReadAndRecordedOnceInTurn(3);
    EXPECT_EQ(count(QStringLiteral("record")), failures);
}

// With an error box pause, the failures of the ticks within the pause after
// a box closed are not shown, while the cycle goes on polling unit after
// unit; the first failure after the pause is shown again.
TEST_F(PollCycleTest, ErrorsWithinThePauseAfterABoxAreNotShownAndPollingGoesOn) {
    auto sim = std::make_unique<Simulator>(
        link(), QStringList{QStringLiteral("--units"), QStringLiteral("1-3")});
    surface.s.PeriodMs = 150; // 50 ms between units
    cycle->setErrorBoxPause(600);
    click();
    ASSERT_TRUE(waitFor([&] { return count(QStringLiteral("good")) >= 1; }));
    QList<qint64> closed;
    QList<int> sendsAtClose;
    messages.setOnShow([&](const ui::RecordedMessage &) {
        closed << clock.elapsed();
        sendsAtClose << int(sendTimes.size());
    });
    sim->kill();
    ASSERT_TRUE(waitFor([&] { return closed.size() >= 3; }, 15000));
    for (int i = 1; i < 3; ++i) {
        EXPECT_GE(closed[i] - closed[i - 1], 600);
        // Unit after unit was tried meanwhile.
        EXPECT_GE(sendsAtClose[i] - sendsAtClose[i - 1], 5);
    }
    messages.setOnShow(nullptr);
}

// The same failing disk with the program's pause between error boxes: the
// box of the first failure and the next one once the pause is over, never
// two at once; the ticks under and after each box still alternate sends and
// reads unit after unit, so closing a box never runs a tick twice, and every
// reply reaches the recording once, failed or not.
TEST_F(PollCycleTest, WithThePauseBetweenBoxesTheyNeverStackNorRunATickTwice) {
    Simulator sim(link(), {QStringLiteral("--units"), QStringLiteral("1-3")});
    surface.s.PeriodMs = 300;
    cycle->setErrorBoxPause(kErrorBoxPauseMs);
    const int faultMs = kErrorBoxPauseMs + 3000;
    int failures = 0;
    recordFailure = [&] {
        if (clock.elapsed() < faultMs) {
            ++failures;
            throw orvex::SystemError(
                QStringLiteral("Ошибка базы данных: database or disk is full"));
        }
    };
    // Each box stays open for a while, as the operator reads it, while the
    // timer keeps firing under it.
    const int boxOpenMs = 1200;
    int depth = 0, maxDepth = 0;
    QList<qint64> shown;
    messages.setOnShow([&](const ui::RecordedMessage &) {
        shown << clock.elapsed();
        maxDepth = std::max(maxDepth, ++depth);
        QEventLoop loop;
        QTimer::singleShot(boxOpenMs, &loop, &QEventLoop::quit);
        loop.exec();
        --depth;
    });
    click();
    ASSERT_TRUE(waitFor(
        [&] {
            return clock.elapsed() > faultMs && count(QStringLiteral("record")) >= failures + 4;
        },
        faultMs + 15000));
    cycle->ScanBitBtnClick();
    messages.setOnShow(nullptr);
    EXPECT_EQ(maxDepth, 1);
    ASSERT_GE(shown.size(), 2) << "the fault was not shown again after the pause";
    for (int i = 1; i < shown.size(); ++i)
        EXPECT_GE(shown[i] - shown[i - 1], kErrorBoxPauseMs + boxOpenMs);
    EXPECT_GT(failures, shown.size()) << "failures within the pause were polled on";
    expectEachReplyReadAndRecordedOnceInTurn(3);
}

TEST(PollIntervalTest, NeverZeroAndNeverDividedByZero) {
    EXPECT_EQ(unitInterval(10000, 15), 666);
    EXPECT_EQ(waitInterval(666, true), 6);
    EXPECT_EQ(waitInterval(666, false), 666);
    EXPECT_EQ(unitInterval(900000, 1), 900000);
    EXPECT_EQ(unitInterval(10000, 0), 10000);
    EXPECT_EQ(unitInterval(0, 3), 0);
    EXPECT_EQ(waitInterval(0, false), 1);
    EXPECT_EQ(waitInterval(50, true), 1);
}

} // namespace
} // namespace orvex::polling
