// The journal's transition detection: what is written, and that a steady
// station writes nothing.
#include "polling/Journal.h"
#include "tests/support/ReplyBuilder.h"

#include <gtest/gtest.h>

namespace orvex::polling {
namespace {

using store::EventKind;
using store::EventLevel;
using store::EventRecord;

class JournalTest : public ::testing::Test {
protected:
    JournalDetector journal{[this](const EventRecord &e) { events << e; }};
    QList<EventRecord> events;
    QDateTime now{QDate(2026, 3, 1), QTime(10, 0, 0)};

    // Unit 2, kind 0 (methane), warn 30, trip 50; channel 1 the given byte,
    // channels 2..4 steady readings, channels 5..8 not in use.
    void reply(std::uint8_t ch1, std::uint8_t ch2 = 10) {
        now = now.addSecs(10);
        journal.goodReply(2, test::goodReply(7, {ch1, ch2, 10, 10, 0, 0, 0, 0}, 0, 30, 50, 0x0F), 8,
                          now);
    }
    void silent(int u = 2, ReplyKind kind = ReplyKind::NoReply) {
        now = now.addSecs(10);
        journal.failedPoll(u, ReplyOutcome{kind, 3, 0}, now);
    }
    QList<EventRecord> ofKind(EventKind kind) const {
        QList<EventRecord> out;
        for (const EventRecord &e : events)
            if (e.kind == kind)
                out << e;
        return out;
    }
};

TEST_F(JournalTest, AlarmLevelChangesAreWrittenOnceEachWithTheReading) {
    reply(10);
    reply(12);
    EXPECT_TRUE(events.isEmpty()); // normal from the start: nothing to tell
    reply(35);                     // warning
    reply(36);
    reply(60); // trip
    reply(70);
    reply(10); // normal again
    reply(11);
    ASSERT_EQ(events.size(), 3);
    const EventLevel levels[] = {EventLevel::Warning, EventLevel::Alarm, EventLevel::Normal};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(events[i].kind, EventKind::AlarmLevel);
        EXPECT_EQ(events[i].level, levels[i]);
        EXPECT_EQ(events[i].unitNo, 2);
        EXPECT_EQ(events[i].channel, 1);
        EXPECT_TRUE(events[i].text.startsWith(QStringLiteral("Пульт №2, канал 1: ")))
            << events[i].text.toStdString();
    }
    ASSERT_TRUE(events[1].value.has_value());
    EXPECT_DOUBLE_EQ(*events[1].value, 0.6);
    EXPECT_EQ(events[1].time, QTime(10, 0, 50));
    EXPECT_EQ(journal.unitLevel(2), 0);
}

TEST_F(JournalTest, ATripAtTheFirstReplyIsWrittenAndUnusedChannelsAreIgnored) {
    now = now.addSecs(10);
    journal.goodReply(3, test::goodReply(9, {60, 255, 10, 0, 0, 0, 0, 0}, 0, 30, 50, 0x05), 8, now);
    // Channel 1 trips; channel 2 is not in use (its fault byte is not read).
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].kind, EventKind::AlarmLevel);
    EXPECT_EQ(events[0].level, EventLevel::Alarm);
    EXPECT_EQ(journal.unitLevel(3), 2);
}

TEST_F(JournalTest, SensorStatesBeginAndEndOnce) {
    reply(10, 10);
    reply(10, 255); // fault
    reply(10, 255);
    reply(10, 254); // no sensor
    reply(10, 253); // warming up
    reply(10, 253);
    reply(10, 12); // a reading again, normal: no alarm event
    const auto states = ofKind(EventKind::SensorState);
    ASSERT_EQ(states.size(), 4);
    EXPECT_TRUE(states[0].text.contains(QStringLiteral("неисправность")));
    EXPECT_TRUE(states[1].text.contains(QStringLiteral("не подключён")));
    EXPECT_TRUE(states[2].text.contains(QStringLiteral("прогрев")));
    EXPECT_TRUE(states[3].text.contains(QStringLiteral("снова даёт показания")));
    EXPECT_EQ(states[3].channel, 2);
    EXPECT_TRUE(ofKind(EventKind::AlarmLevel).isEmpty());
}

TEST_F(JournalTest, AUnitIsLostAfterLossPollsFailuresOfAnyKindAndRestoredOnce) {
    journal.setLossPolls(3);
    reply(10);
    silent();
    silent(2, ReplyKind::BadChecksum);
    EXPECT_TRUE(ofKind(EventKind::Communication).isEmpty());
    EXPECT_FALSE(journal.lost(2));
    silent(2, ReplyKind::ExceptionReply); // the third failure in a row
    silent();
    silent();
    auto comm = ofKind(EventKind::Communication);
    ASSERT_EQ(comm.size(), 1);
    EXPECT_TRUE(comm[0].text.startsWith(QStringLiteral("Пульт №2: нет связи")))
        << comm[0].text.toStdString();
    EXPECT_TRUE(comm[0].text.contains(QStringLiteral("код 3"))) << comm[0].text.toStdString();
    EXPECT_EQ(comm[0].level, EventLevel::Alarm);
    EXPECT_TRUE(journal.lost(2));
    reply(10);
    reply(10);
    comm = ofKind(EventKind::Communication);
    ASSERT_EQ(comm.size(), 2);
    EXPECT_EQ(comm[1].text, QStringLiteral("Пульт №2: связь восстановлена"));
    EXPECT_EQ(comm[1].level, EventLevel::Normal);

    const UnitDiagnostics &d = journal.diagnostics(2);
    EXPECT_EQ(d.polls, 8);
    EXPECT_EQ(d.good, 3);
    EXPECT_EQ(d.noReply, 3);
    EXPECT_EQ(d.badChecksum, 1);
    EXPECT_EQ(d.exceptions, 1);
    EXPECT_EQ(d.lastExceptionCode, 3);
    EXPECT_FALSE(d.lost);
}

TEST_F(JournalTest, AGoodReplyBetweenFailuresStartsTheCountAgain) {
    journal.setLossPolls(2);
    for (int i = 0; i < 5; ++i) {
        silent();
        reply(10);
    }
    EXPECT_TRUE(ofKind(EventKind::Communication).isEmpty());
}

TEST_F(JournalTest, ALostUnitStaysLostOverStopAndStartUntilItAnswers) {
    journal.setLossPolls(1);
    silent();
    journal.pollingStopped(QStringLiteral("COM1"), now);
    std::array<std::uint8_t, 16> addresses{};
    addresses[2] = 7;
    journal.pollingStarted(QStringLiteral("COM1"), addresses, 2, now);
    EXPECT_EQ(journal.diagnostics(2).polls, 0); // counted from START
    EXPECT_EQ(journal.diagnostics(2).address, 7);
    silent();
    reply(10);
    const auto comm = ofKind(EventKind::Communication);
    ASSERT_EQ(comm.size(), 2); // one loss, one restore
    const auto program = ofKind(EventKind::Program);
    ASSERT_EQ(program.size(), 2);
    EXPECT_TRUE(program[0].text.startsWith(QStringLiteral("СТОП")));
    EXPECT_TRUE(program[1].text.contains(QStringLiteral("COM1")));
}

TEST_F(JournalTest, ARunOfIdenticalErrorsGivesItsFirstAndItsCount) {
    for (int i = 0; i < 20; ++i)
        journal.error(QStringLiteral("Таблица заблокирована"), now);
    ASSERT_EQ(events.size(), 1); // the first at once
    journal.endErrorRun(now);
    journal.endErrorRun(now); // a second end has nothing to count
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[1].kind, EventKind::Error);
    EXPECT_TRUE(events[1].text.contains(QStringLiteral("ещё 19 раз")))
        << events[1].text.toStdString();

    // A different error ends the run as well; a single error has no count.
    events.clear();
    journal.error(QStringLiteral("A"), now);
    journal.error(QStringLiteral("A"), now);
    journal.error(QStringLiteral("B"), now);
    journal.programExit(now);
    ASSERT_EQ(events.size(), 4);
    EXPECT_TRUE(events[1].text.contains(QStringLiteral("ещё 1 раз")));
    EXPECT_EQ(events[2].text, QStringLiteral("Ошибка: B"));
    EXPECT_EQ(events[3].kind, EventKind::Program);
}

TEST_F(JournalTest, SettingsEventsOnlyForChanges) {
    journal.settingsChanged({}, now);
    EXPECT_TRUE(events.isEmpty());
    journal.settingsChanged({QStringLiteral("Period: 10 → 20")}, now);
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].kind, EventKind::Settings);
    EXPECT_TRUE(events[0].text.contains(QStringLiteral("Period: 10 → 20")));
}

} // namespace
} // namespace orvex::polling
