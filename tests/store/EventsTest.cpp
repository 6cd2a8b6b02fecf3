// Events.DB: installed with the tables, added at start-up to a database
// that lacks it without touching the other tables, written durably,
// acknowledged, and read by keyset pages with the journal window's filters.
#include "store/Events.h"
#include "tests/store/StoreTestSupport.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace orvex::store::test {
namespace {

class EventsTest : public StoreFixture {
protected:
    QString eventsFile() const { return databaseFolder() + QStringLiteral("/Events.DB"); }
    static EventRecord event(int unit, EventKind kind, EventLevel level, const QDate &date,
                             const QString &text = QStringLiteral("x")) {
        EventRecord e;
        e.date = date;
        e.time = QTime(12, 30, 15);
        e.unitNo = unit;
        e.kind = kind;
        e.level = level;
        e.text = text;
        return e;
    }
    static QByteArray digest(const QString &file) {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
};

TEST_F(EventsTest, InstallerMakesTheJournalAndStartUpAddsAMissingOneAlone) {
    ASSERT_TRUE(QFileInfo::exists(eventsFile()));
    auto t = open(QStringLiteral("Events.DB"));
    EXPECT_EQ(t->fieldCount(), 12);
    const QStringList names{"Event_IDX", "Date",  "Time", "UnitNo",  "Channel", "Kind",
                            "Level",     "Value", "Text", "AckDate", "AckTime", "AckUser"};
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(t->fieldName(i), names[i]);
    t->close();

    // A database made before the journal existed.
    ASSERT_TRUE(QFile::remove(eventsFile()));
    QFile::remove(eventsFile() + QStringLiteral("-wal"));
    QFile::remove(eventsFile() + QStringLiteral("-shm"));
    QMap<QString, QByteArray> before;
    QMap<QString, QDateTime> times;
    for (const QString &f : QDir(databaseFolder()).entryList(QDir::Files)) {
        before[f] = digest(databaseFolder() + QLatin1Char('/') + f);
        times[f] = QFileInfo(databaseFolder() + QLatin1Char('/') + f).lastModified();
    }
    EventLog log;
    log.open(QString::fromLatin1(kAliasName));
    EXPECT_TRUE(QFileInfo::exists(eventsFile()));
    for (auto it = before.begin(); it != before.end(); ++it) {
        const QString file = databaseFolder() + QLatin1Char('/') + it.key();
        EXPECT_EQ(digest(file), it.value()) << it.key().toStdString();
        EXPECT_EQ(QFileInfo(file).lastModified(), times[it.key()]) << it.key().toStdString();
    }
    // Installing again keeps the journal's rows.
    log.append(event(1, EventKind::Program, EventLevel::Normal, QDate(2026, 1, 1)));
    const InstallResult again = createDatabase(databaseFolder());
    EXPECT_FALSE(again.eventsCreated);
    EXPECT_EQ(open(QStringLiteral("Events.DB"))->recordCount(), 1);
}

// The journal on either engine: a file of the database folder, or the Events
// table of the station's schema on a server (no file anywhere).
class EventsOnBothEngines : public EventsTest, public ::testing::WithParamInterface<Engine> {
protected:
    Engine engine() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Engines, EventsOnBothEngines,
                         ::testing::Values(Engine::Files, Engine::Server), engineName);

TEST_P(EventsOnBothEngines, AppendedRowsHoldTheirFieldsAndAcknowledgementMarksOnlyWaitingAlarms) {
    EventLog log;
    log.open(QString::fromLatin1(kAliasName));
    const QDate day(2026, 2, 3);
    EventRecord trip =
        event(2, EventKind::AlarmLevel, EventLevel::Alarm, day, QString(300, QLatin1Char('a')));
    trip.channel = 4;
    trip.value = 0.5;
    const qint64 a = log.append(trip);
    const qint64 b = log.append(event(3, EventKind::Communication, EventLevel::Alarm, day));
    const qint64 c = log.append(event(2, EventKind::AlarmLevel, EventLevel::Warning, day));
    EXPECT_LT(a, b);
    EXPECT_EQ(log.pendingCount(), 2);
    const auto pending = log.pending();
    ASSERT_EQ(pending.size(), 2);
    EXPECT_EQ(pending[0].id, a);
    EXPECT_EQ(pending[0].unitNo, 2);
    EXPECT_EQ(pending[1].kind, EventKind::Communication);
    // The same counted by unit and kind; what is written counts on as the
    // writer decides before writing.
    PendingTally tally = log.pendingTally();
    EXPECT_EQ(tally.total(), 2);
    EXPECT_TRUE(tally.trips(2) && !tally.losses(2));
    EXPECT_TRUE(tally.losses(3) && !tally.trips(3));
    EXPECT_FALSE(tally.any(1));
    EXPECT_TRUE(waitsForAcknowledgement(trip));
    EXPECT_FALSE(waitsForAcknowledgement(event(2, EventKind::SensorState, EventLevel::Alarm, day)));
    EXPECT_FALSE(
        waitsForAcknowledgement(event(2, EventKind::AlarmLevel, EventLevel::Warning, day)));

    // A warning and an unknown id are not acknowledged; a second
    // acknowledgement of the same event writes nothing.
    EXPECT_EQ(
        log.acknowledge({a, c, 999}, QStringLiteral("operator"), QDate(2026, 2, 4), QTime(8, 0, 1)),
        1);
    EXPECT_EQ(log.acknowledge({a}, QStringLiteral("operator"), QDate(2026, 2, 4), QTime(8, 0, 2)),
              0);
    EXPECT_EQ(log.pendingCount(), 1);
    tally = log.pendingTally();
    EXPECT_EQ(tally.total(), 1);
    EXPECT_FALSE(tally.any(2));
    // The journal's database name opens the same journal again (the journal
    // window opens it by that name), and a server journal made no file.
    EventLog again;
    again.open(log.folder());
    EXPECT_EQ(again.pending().value(0).id, b);
    EXPECT_EQ(QFileInfo::exists(eventsFile()), engine() == Engine::Files);

    auto t = open(QStringLiteral("Events.DB"));
    ASSERT_EQ(t->recordCount(), 4); // three events and one acknowledgement
    t->first();
    EXPECT_EQ(t->asInteger(QStringLiteral("Channel")), 4);
    EXPECT_DOUBLE_EQ(t->asFloat(QStringLiteral("Value")), 0.5);
    EXPECT_EQ(t->asString(QStringLiteral("Text")).size(), 255);
    EXPECT_EQ(t->asDate(QStringLiteral("AckDate")), QDate(2026, 2, 4));
    EXPECT_EQ(t->asTime(QStringLiteral("AckTime")), QTime(8, 0, 1));
    EXPECT_EQ(t->asString(QStringLiteral("AckUser")), QStringLiteral("operator"));
    t->next();
    EXPECT_TRUE(t->isNull(QStringLiteral("AckDate")));
    EXPECT_TRUE(t->isNull(QStringLiteral("Value")));
    t->last();
    EXPECT_EQ(t->asInteger(QStringLiteral("Kind")), 7);
    EXPECT_TRUE(t->asString(QStringLiteral("Text")).contains(QStringLiteral("operator")));
}

TEST_P(EventsOnBothEngines, PagesFollowTheUnitKindAndDateFiltersNewestFirst) {
    EventLog log;
    log.open(QString::fromLatin1(kAliasName));
    for (int day = 1; day <= 5; ++day)
        for (int unit = 1; unit <= 3; ++unit)
            for (EventKind kind :
                 {EventKind::AlarmLevel, EventKind::Communication, EventKind::Settings})
                log.append(event(unit, kind, EventLevel::Normal, QDate(2026, 1, day),
                                 QStringLiteral("%1-%2-%3").arg(day).arg(unit).arg(int(kind))));
    auto t = open(QStringLiteral("Events.DB"), QStringLiteral("EVT_IDX_D"), true);
    auto texts = [](const QList<Row> &rows) {
        QStringList out;
        for (const Row &r : rows)
            out << r.values[8].toString();
        return out;
    };
    EXPECT_EQ(texts(t->firstPage(2)), (QStringList{"5-3-5", "5-3-3"}));
    t->setFilter(QStringLiteral("UnitNo=2 and Kind<3"));
    t->setFiltered(true);
    EXPECT_EQ(texts(t->firstPage(10)), (QStringList{"5-2-1", "4-2-1", "3-2-1", "2-2-1", "1-2-1"}));
    t->setRange(QDate(2026, 1, 4), QDate(2026, 1, 2));
    EXPECT_EQ(texts(t->firstPage(10)), (QStringList{"4-2-1", "3-2-1", "2-2-1"}));
    t->setFilter(QStringLiteral("Kind>3"));
    const auto last = t->lastPage(2);
    EXPECT_EQ(texts(last), (QStringList{"2-2-5", "2-1-5"}));
    EXPECT_EQ(texts(t->pageBefore(last.first(), 1)), (QStringList{"2-3-5"}));
}

} // namespace
} // namespace orvex::store::test
