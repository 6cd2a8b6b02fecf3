// End to end: the real main window (offscreen) with the poll cycle and the
// event journal polls the unit simulator on a pseudo-terminal; what reached
// Events.DB, the marks, the latched sound and the acknowledgement are checked
// afterwards. Also the program killed while it writes events.
#include "app/JournalMainForm.h"
#include "config/JournalSettings.h"
#include "tests/e2e/E2eSupport.h"
#include "tests/e2e/HostRun.h"
#include "tests/pollcycle/PollTestSupport.h"
#include "tests/support/Deadline.h"
#include "ui/Messages.h"
#include "ui/ShellOpen.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <csignal>

namespace orvex::e2e {
namespace {

using polling::test::RawTable;
using polling::test::Simulator;

bool waitFor(const std::function<bool()> &done, int ms = 30000) {
    return test::holdsWithin(done, ms);
}

config::TSettings oneUnit(int units = 1) {
    config::TSettings s;
    s.UnitsAmount = units;
    s.ChannalsMaxAmount = 4;
    s.PeriodMs = 1000;
    s.CurrKeepTime = 24;
    s.ArcLevel = 2;
    s.ScanShow = false;
    s.ComPortNo = 1;
    s.Speed = QStringLiteral(" 9600 (002)");
    s.Sound_ON = true;
    s.Amount = 1;
    for (int u = 1; u <= units; ++u)
        s.UnitAddr[u] = std::uint8_t(4 + u); // 5, 6, ...
    return s;
}

class JournalEndToEndTest : public ::testing::Test {
protected:
    void prepare(const config::TSettings &s, const config::JournalSettings &j) {
        prepareProgramFolder(s);
        config::saveJournalSettings(j);
    }
    QString link() const { return folder.file(QStringLiteral("ports/COM1")); }
    QString eventsFile() const { return folder.file(QStringLiteral("Database/Events.DB")); }
    QList<QVariantList> events(const QString &where = QStringLiteral("1")) const {
        RawTable t(eventsFile());
        return t.rows(QStringLiteral("SELECT Kind, Level, UnitNo, Channel, Text, AckDate, AckTime, "
                                     "AckUser FROM Events WHERE %1 ORDER BY Event_IDX")
                          .arg(where));
    }
    int count(const QString &where) const { return int(events(where).size()); }

    orvex::test::TempProgramFolder folder;
    ui::MessageRecorder messages;
    ui::ShellOpenRecorder sounds;
};

// A unit that fails its first polls (silent, or with bad checksums) is lost
// once after LossPolls of them and restored once when it answers.
class LossTest : public JournalEndToEndTest, public ::testing::WithParamInterface<const char *> {};

TEST_P(LossTest, LossPollsFailuresGiveOneLossAndOneRestore) {
    config::JournalSettings j;
    j.LossPolls = 2;
    prepare(oneUnit(), j);
    Simulator sim(link(), {QStringLiteral("--unit"),
                           QStringLiteral("5,kind=0,warn=30,trip=50,mask=0x0F,all=10,first=3,") +
                               QString::fromLatin1(GetParam())});
    Program p;
    auto *journal = app::attachJournal(*p.form, *p.controller);
    int failures = 0, good = 0;
    p.controller->cycle().onRead = [&](int, const polling::ReplyOutcome &o) {
        (o.kind == polling::ReplyKind::GoodReply ? good : failures)++;
    };
    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(p.form->polling());
    ASSERT_TRUE(waitFor([&] { return good >= 3; }));
    ScanBitBtn(*p.form)->click();
    // The simulator fails its first three replies; a loaded machine may
    // miss one more reply, which alone is no loss.
    EXPECT_GE(failures, 3);
    const auto lost = events(QStringLiteral("Kind = 3 AND Text LIKE '%нет связи%'"));
    ASSERT_EQ(lost.size(), 1);
    EXPECT_TRUE(lost[0][4].toString().startsWith(QStringLiteral("Пульт №1: нет связи")));
    EXPECT_EQ(lost[0][1].toInt(), 2);
    EXPECT_EQ(count(QStringLiteral("Kind = 3 AND Text = 'Пульт №1: связь восстановлена'")), 1);
    EXPECT_EQ(count(QStringLiteral("Kind = 3")), 2);
    // Steady good replies of a normal unit wrote nothing else of the unit.
    EXPECT_EQ(count(QStringLiteral("UnitNo = 1 AND Kind <> 3")), 0);
    // Start, СТАРТ and СТОП of the program.
    EXPECT_EQ(count(QStringLiteral("Kind = 4")), 3);
    const auto &d = journal->detector().diagnostics(1);
    EXPECT_EQ(d.polls, failures + good);
    EXPECT_EQ(d.good, good);
    EXPECT_EQ(d.noReply + d.badChecksum + d.exceptions, failures);
    if (QString::fromLatin1(GetParam()) == QLatin1String("badcrc"))
        EXPECT_GE(d.badChecksum, 3);
    else
        EXPECT_GE(d.noReply, 3);
    // The loss sounded only with LossSound on (it is off).
    EXPECT_EQ(sounds.count(), 0);
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QStringLiteral(" | ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Misbehaviour, LossTest, ::testing::Values("silent", "badcrc"));

TEST_F(JournalEndToEndTest, WithLossSoundALostUnitSoundsUntilItAnswers) {
    config::JournalSettings j;
    j.LossPolls = 2;
    j.LossSound = true;
    prepare(oneUnit(), j);
    Simulator sim(link(),
                  {QStringLiteral("--unit"),
                   QStringLiteral("5,kind=0,warn=30,trip=50,mask=0x0F,all=10,first=4,silent")});
    Program p;
    auto *journal = app::attachJournal(*p.form, *p.controller);
    int good = 0, soundsAtRestore = -1;
    p.controller->cycle().onRead = [&](int, const polling::ReplyOutcome &o) {
        if (o.kind == polling::ReplyKind::GoodReply && ++good == 1)
            soundsAtRestore = sounds.count();
    };
    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(waitFor([&] { return good >= 3; }));
    ScanBitBtn(*p.form)->click();
    // Failures 2, 3 and 4 found the unit lost: one sound each (Amount 1);
    // once it answered, nothing (Latch is off).
    EXPECT_GE(soundsAtRestore, 3);
    EXPECT_EQ(sounds.count(), soundsAtRestore);
    EXPECT_EQ(journal->pendingCount(), 1); // the loss still waits
}

TEST_F(JournalEndToEndTest, WarningTripNormalLatchesTheSoundAndTheMarkUntilAcknowledged) {
    config::JournalSettings j;
    j.Latch = true;
    j.Marks = true;
    prepare(oneUnit(), j);
    // Channel 1: normal, warning, trip, then normal for ever (the script is
    // long enough for the test).
    Simulator sim(link(),
                  {QStringLiteral("--unit"),
                   QStringLiteral("5,kind=0,warn=30,trip=50,mask=0x0F,all=10,ch1=10/40/60/10/10/10/"
                                  "10/10/10/10/10/10/10/10/10/10/10/10/10/10")});
    Program p;
    auto *journal = app::attachJournal(*p.form, *p.controller);
    int good = 0;
    p.controller->cycle().onRead = [&](int, const polling::ReplyOutcome &o) {
        good += o.kind == polling::ReplyKind::GoodReply;
    };
    EXPECT_EQ(journal->menuItem()->text(), QStringLiteral("ЖУРНАЛ"));
    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(p.form->polling());
    ASSERT_TRUE(waitFor([&] { return good >= 6; }));

    const auto levels = events(QStringLiteral("Kind = 1"));
    ASSERT_EQ(levels.size(), 3);
    EXPECT_EQ(levels[0][1].toInt(), 1);
    EXPECT_EQ(levels[1][1].toInt(), 2);
    EXPECT_EQ(levels[2][1].toInt(), 0);
    for (const auto &e : levels)
        EXPECT_EQ(e[3].toInt(), 1);
    // The trip waits: the mark is on the header and the sound went on after
    // the reading dropped, once per poll (one at the trip itself through the
    // recording, one per later poll through the latch).
    EXPECT_EQ(journal->pendingCount(), 1);
    EXPECT_EQ(journal->menuItem()->text(), QStringLiteral("ЖУРНАЛ (1)"));
    ASSERT_NE(journal->mark(1), nullptr);
    EXPECT_EQ(journal->mark(1)->parentWidget(), UnitPanels(*p.form, 1));
    EXPECT_GE(sounds.count(), good - 2);
    // The cells keep their own colours: the last reading is normal (green).
    EXPECT_TRUE(SensPanels(*p.form, 1, 1)->color() == polling::PanelColor::rgb(0, 255, 0));

    EXPECT_EQ(journal->acknowledgeAll(), 1);
    EXPECT_EQ(journal->pendingCount(), 0);
    EXPECT_EQ(journal->mark(1), nullptr);
    EXPECT_EQ(journal->menuItem()->text(), QStringLiteral("ЖУРНАЛ"));
    const int soundsAtAck = sounds.count();
    const int goodAtAck = good;
    ASSERT_TRUE(waitFor([&] { return good >= goodAtAck + 2; }));
    ScanBitBtn(*p.form)->click();
    EXPECT_EQ(sounds.count(), soundsAtAck); // the latched sound stopped

    const auto acked = events(QStringLiteral("Kind = 1 AND Level = 2"));
    ASSERT_EQ(acked.size(), 1);
    EXPECT_EQ(QDate::fromString(acked[0][5].toString(), Qt::ISODate), QDate::currentDate());
    EXPECT_TRUE(QTime::fromString(acked[0][6].toString(), Qt::ISODate).isValid());
    EXPECT_EQ(acked[0][7].toString(), store::loginName());
    EXPECT_FALSE(acked[0][7].toString().isEmpty());
    EXPECT_EQ(count(QStringLiteral("Kind = 7")), 1);
    EXPECT_EQ(count(QStringLiteral("Kind = 1")), 3); // no more level changes
}

// What waits from an earlier run is counted when the program starts, what
// waits from this run is counted on as it is written, unit by unit, and an
// acknowledgement leaves exactly the rest: the count, the menu item and the
// marks always agree with the journal.
TEST_F(JournalEndToEndTest, EventsWaitingFromAnEarlierRunAndFromThisOneAreCountedUnitByUnit) {
    config::JournalSettings j;
    j.Marks = true;
    prepare(oneUnit(2), j);
    {
        store::EventLog earlier;
        earlier.open(QString::fromLatin1(store::kAliasName));
        const auto at = [](int unit, store::EventKind kind, store::EventLevel level) {
            store::EventRecord e;
            e.date = QDate(2026, 3, 1);
            e.time = QTime(9, 0);
            e.unitNo = unit;
            e.kind = kind;
            e.level = level;
            return e;
        };
        using store::EventKind, store::EventLevel;
        earlier.append(at(2, EventKind::AlarmLevel, EventLevel::Alarm));
        earlier.append(at(2, EventKind::AlarmLevel, EventLevel::Alarm));
        earlier.append(at(2, EventKind::Communication, EventLevel::Alarm));
        earlier.append(at(1, EventKind::AlarmLevel, EventLevel::Warning));
        const qint64 done = earlier.append(at(1, EventKind::AlarmLevel, EventLevel::Alarm));
        earlier.acknowledge({done}, QStringLiteral("operator"), QDate(2026, 3, 1), QTime(9, 5));
    }
    // Unit 1 trips once while polled (two more level events of it: the trip
    // and back to normal); unit 2 stays normal.
    Simulator sim(link(), {QStringLiteral("--unit"),
                           QStringLiteral("5,kind=0,warn=30,trip=50,mask=0x0F,all=10,ch1=10/60/"
                                          "10/10/10/10/10/10/10/10/10/10/10/10/10/10/10/10/10/10"),
                           QStringLiteral("--unit"),
                           QStringLiteral("6,kind=0,warn=30,trip=50,mask=0x0F,all=10")});
    Program p;
    auto *journal = app::attachJournal(*p.form, *p.controller);
    EXPECT_EQ(journal->pendingCount(), 3);
    EXPECT_EQ(journal->menuItem()->text(), QStringLiteral("ЖУРНАЛ (3)"));
    EXPECT_TRUE(journal->unitPending(2));
    EXPECT_FALSE(journal->unitPending(1));

    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(waitFor([&] { return count(QStringLiteral("Kind = 1 AND UnitNo = 1")) >= 4; }));
    ScanBitBtn(*p.form)->click();
    EXPECT_EQ(count(QStringLiteral("Kind = 1 AND Level = 2 AND AckDate IS NULL")), 3);
    EXPECT_EQ(journal->pendingCount(), 4);
    EXPECT_EQ(journal->pendingCount(), journal->log().pendingCount());
    EXPECT_EQ(journal->menuItem()->text(), QStringLiteral("ЖУРНАЛ (4)"));
    EXPECT_TRUE(journal->unitPending(1));
    EXPECT_NE(journal->mark(1), nullptr);
    EXPECT_NE(journal->mark(2), nullptr);

    QList<qint64> unit2;
    for (const store::PendingAlarm &a : journal->log().pending())
        if (a.unitNo == 2)
            unit2 << a.id;
    EXPECT_EQ(journal->acknowledge(unit2), 3);
    EXPECT_EQ(journal->pendingCount(), 1);
    EXPECT_FALSE(journal->unitPending(2));
    EXPECT_EQ(journal->mark(2), nullptr);
    EXPECT_NE(journal->mark(1), nullptr);
    EXPECT_EQ(journal->menuItem()->text(), QStringLiteral("ЖУРНАЛ (1)"));
}

TEST_F(JournalEndToEndTest, AnOptionsRunChangingThePeriodWritesOneSettingsEvent) {
    prepare(oneUnit(), {});
    Program p;
    auto *journal = app::attachJournal(*p.form, *p.controller);
    // The menu item stands between "АРХИВ" and "ПОМОЩЬ" and follows "ДАННЫЕ".
    const QList<QAction *> items = MainMenu1(*p.form)->actions();
    const qsizetype at = items.indexOf(journal->menuItem());
    ASSERT_GT(at, 0);
    EXPECT_EQ(items[at - 1], miArchiv(*p.form));
    EXPECT_EQ(items[at + 1], miHelp(*p.form)->menuAction());
    EXPECT_TRUE(journal->menuItem()->isEnabled());
    miData(*p.form)->setEnabled(false);
    EXPECT_FALSE(journal->menuItem()->isEnabled());
    miData(*p.form)->setEnabled(true);
    EXPECT_TRUE(journal->menuItem()->isEnabled());

    p.peers.on.showOptionsDialog = [&] { p.form->station().settings().PeriodMs = 20000; };
    p.peers.on.optionsPortChosen = [] { return true; };
    miOptions(*p.form)->trigger();
    p.peers.on.showOptionsDialog = [] {};
    miOptions(*p.form)->trigger(); // nothing changed this time
    const auto s = events(QStringLiteral("Kind = 5"));
    ASSERT_EQ(s.size(), 1);
    EXPECT_TRUE(s[0][4].toString().contains(QStringLiteral("Period: 1 → 20")))
        << s[0][4].toString().toStdString();
    EXPECT_EQ(s[0][2].toInt(), 0);
}

TEST_F(JournalEndToEndTest, TwentyIdenticalTableErrorsGiveOneEventWithTheCount) {
    prepare(oneUnit(4), {});
    Simulator sim(link(), {QStringLiteral("--units"), QStringLiteral("5-8")});
    Program p;
    app::attachJournal(*p.form, *p.controller);
    // Every failed tick shows its box here, so the boxes count the errors.
    p.controller->cycle().setErrorBoxPause(0);
    {
        RawTable signalsDb(folder.file(QStringLiteral("Database/Signals.DB")), false);
        signalsDb.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Signals BEGIN "
                                      "SELECT RAISE(ABORT, 'refused'); END"));
    }
    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(p.form->polling());
    ASSERT_TRUE(waitFor([&] { return messages.count() >= 20; }, 60000));
    {
        RawTable signalsDb(folder.file(QStringLiteral("Database/Signals.DB")), false);
        signalsDb.exec(QStringLiteral("DROP TRIGGER refuse"));
    }
    const int errors = messages.count();
    ASSERT_TRUE(waitFor([&] { return count(QStringLiteral("Kind = 6")) >= 2; }));
    ScanBitBtn(*p.form)->click();
    const auto e = events(QStringLiteral("Kind = 6"));
    ASSERT_EQ(e.size(), 2);
    EXPECT_TRUE(e[0][4].toString().contains(QStringLiteral("refused")));
    EXPECT_TRUE(e[1][4].toString().contains(QStringLiteral("ещё %1 раз").arg(errors - 1)))
        << e[1][4].toString().toStdString() << " after " << errors;
    EXPECT_EQ(count(QStringLiteral("Kind = 6 AND Text LIKE '%ещё%'")), 1);
}

TEST_F(JournalEndToEndTest, KilledWhileWritingEventsKeepsEveryCommittedEvent) {
    prepare(oneUnit(), {});
    // A level change at every poll: an event per poll.
    Simulator sim(link(), {QStringLiteral("--unit"),
                           QStringLiteral("5,kind=0,warn=30,trip=50,mask=0x01,ch1=10/40/60")});
    QProcess host;
    QByteArray out;
    ASSERT_TRUE(startUntilPrinted(host, QStringLiteral(ORVEX_JOURNALHOST), folder.path(), "event",
                                  8, 40000, out))
        << out.constData();
    ::kill(pid_t(host.processId()), SIGKILL); // this process only
    host.waitForFinished(5000);
    out += host.readAllStandardOutput();
    QList<qint64> written;
    for (const QByteArray &line : out.split('\n'))
        if (line.startsWith("event "))
            written << line.mid(6).toLongLong();
    ASSERT_GE(written.size(), 8);
    RawTable t(eventsFile());
    EXPECT_EQ(t.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    for (qint64 id : written)
        EXPECT_EQ(
            t.scalar(QStringLiteral("SELECT COUNT(*) FROM Events WHERE Event_IDX = %1").arg(id))
                .toInt(),
            1)
            << id;
    // The row counter the table handles read agrees with the rows.
    EXPECT_EQ(t.scalar(QStringLiteral("SELECT n FROM orvex_rowcount")).toLongLong(),
              t.scalar(QStringLiteral("SELECT COUNT(*) FROM Events")).toLongLong());
}

} // namespace
} // namespace orvex::e2e
