// A viewing workstation follows a station's tables while the station's
// recording appends through the store, on either engine: every kind of
// addition is reported (also to a full table whose count stays the same),
// a viewer's handles and sessions cannot write, a station without a journal
// is followed without it, and on a server the notifications alone deliver
// new rows and survive a server restart.
#include "store/Connection.h"
#include "store/Events.h"
#include "store/SqlDialect.h"
#include "store/StationFollower.h"
#include "tests/store/StoreTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>

using namespace orvex::store;
using orvex::store::test::BothEngines;
using orvex::store::test::Engine;
using orvex::store::test::StoreFixture;

namespace {

const QString kAlias = QString::fromLatin1(kAliasName);

// Waits (running the event loop) until `table` was reported; the time it
// took in ms, or -1 after `timeoutMs`.
qint64 waitForReport(QSignalSpy &spy, const QString &table, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        for (const QList<QVariant> &args : std::as_const(spy)) {
            if (args.at(0).toString() == table)
                return clock.elapsed();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return -1;
}

void appendMeasurement(Table &t, int unit) {
    t.append();
    t.setValue(fields::Date, QDate(2026, 12, 10));
    t.setValue(fields::Time, QTime(4, 0));
    t.setValue(fields::UnitNo, unit);
    t.post();
}

class FollowerTest : public BothEngines {};

TEST_P(FollowerTest, ReportsEachTableTheRecordingAppendsToAndAFullTableWhoseCountStays) {
    StationFollower follower;
    follower.follow(kAlias);
    ASSERT_TRUE(follower.isFollowing());
    EXPECT_EQ(follower.tables(), StationFollower::followedTables());
    EXPECT_EQ(follower.listens(), GetParam() == Engine::Server);
    QSignalSpy spy(&follower, &StationFollower::rowsChanged);

    auto signalsTable = open(QStringLiteral("Signals.DB"));
    {
        Transaction tx(*signalsTable);
        appendMeasurement(*signalsTable, 1);
        appendMeasurement(*signalsTable, 2);
        tx.commit();
    }
    const qint64 latency = waitForReport(spy, QStringLiteral("Signals.DB"), 3000);
    ASSERT_GE(latency, 0) << "a committed recording was not reported";
    EXPECT_EQ(spy.last().at(1).toLongLong(), 2);
    std::printf("[ latency ] %s: %lld ms\n", GetParam() == Engine::Files ? "files" : "server",
                static_cast<long long>(latency));

    auto arc = open(QStringLiteral("Arc.DB"));
    appendMeasurement(*arc, 3);
    EXPECT_GE(waitForReport(spy, QStringLiteral("Arc.DB"), 3000), 0);

    // The plot table at its limit: one row in, the oldest out, in one
    // transaction; the count stays 2, yet the viewer must redraw.
    auto plot = open(QStringLiteral("Plot.db"));
    for (int i = 0; i < 2; ++i) {
        plot->append();
        plot->setValue(fields::UnitNo, 1);
        plot->post();
    }
    ASSERT_GE(waitForReport(spy, QStringLiteral("Plot.db"), 3000), 0);
    spy.clear();
    {
        Transaction tx(*plot);
        plot->append();
        plot->setValue(fields::UnitNo, 1);
        plot->post();
        plot->trimTo(2);
        tx.commit();
    }
    ASSERT_GE(waitForReport(spy, QStringLiteral("Plot.db"), 3000), 0)
        << "an append that kept the row count was missed";
    EXPECT_EQ(spy.last().at(1).toLongLong(), 2);

    EventLog log;
    if (GetParam() == Engine::Files) {
        log.open(kAlias);
        EventRecord e;
        e.date = QDate(2026, 12, 10);
        e.time = QTime(4, 0);
        e.text = QStringLiteral("Программа запущена");
        log.append(e);
        EXPECT_GE(waitForReport(spy, QString::fromLatin1(kEventsFile), 3000), 0);
    }

    // Nothing new: nothing reported.
    spy.clear();
    follower.checkAll();
    EXPECT_EQ(spy.count(), 0);
}

TEST_P(FollowerTest, AViewerCannotWriteThroughItsHandlesNorThroughItsSession) {
    auto writer = open(QStringLiteral("Signals.DB"));
    appendMeasurement(*writer, 1);
    auto viewer = open(QStringLiteral("Signals.DB"), {}, true);

    // The store refuses before the engine is asked.
    EXPECT_THROW(viewer->append(), StoreError);
    EXPECT_THROW(viewer->edit(), StoreError);
    EXPECT_THROW(viewer->deleteRecord(), StoreError);
    EXPECT_THROW(viewer->trimTo(0), StoreError);

    // The engine refuses too: the viewer's connection is opened read-only
    // (a read-only file, a read-only session), so a statement that slipped
    // past the handle would change nothing.
    const DatabaseLocation location = locateDatabase(kAlias);
    const auto dialect = dialectFor(location);
    Connection session(*dialect, QStringLiteral("Signals.DB"));
    dialect->open(session, location, signalsTable(), true);
    session.setSessionSetup(dialect->sessionSetup(true));
    session.runSessionSetup();
    try {
        Statement::run(session, dialect->insert(signalsTable(), {dialect->quoted(fields::UnitNo)}),
                       {7});
        ADD_FAILURE() << "the read-only session wrote a row";
    } catch (const StoreError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("read-only")) ||
                    e.text().contains(QStringLiteral("readonly")))
            << e.text().toStdString();
    }
    EXPECT_EQ(writer->recordCount(), 1);
    writer->first();
    EXPECT_EQ(writer->asInteger(fields::UnitNo), 1);
    EXPECT_TRUE(writer->isOpen());
    appendMeasurement(*writer, 2); // the station records on, unhindered
    EXPECT_EQ(viewer->recordCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Engines, FollowerTest, ::testing::Values(Engine::Files, Engine::Server),
                         orvex::store::test::engineName);

class FolderFollowerTest : public StoreFixture {};

TEST_F(FolderFollowerTest, AStationWithoutAJournalIsFollowedWithoutItAndAMissingTableFails) {
    ASSERT_TRUE(QFile::remove(databaseFolder() + QStringLiteral("/Events.DB")));
    StationFollower follower;
    follower.follow(kAlias);
    EXPECT_FALSE(follower.tables().contains(QString::fromLatin1(kEventsFile)));
    EXPECT_TRUE(follower.tables().contains(QStringLiteral("Signals.DB")));
    follower.stop();

    ASSERT_TRUE(QFile::remove(databaseFolder() + QStringLiteral("/Arc.DB")));
    EXPECT_THROW(follower.follow(kAlias), DatabaseError);
    EXPECT_FALSE(follower.isFollowing());
}

class ServerFollowerTest : public StoreFixture {
protected:
    Engine engine() const override { return Engine::Server; }
};

TEST_F(ServerFollowerTest, NotificationsAloneDeliverNewRowsAndListeningSurvivesARestart) {
    StationFollower follower;
    follower.setCheckInterval(60 * 60 * 1000); // no periodic check within the test
    follower.follow(kAlias);
    ASSERT_TRUE(follower.listens());
    QSignalSpy spy(&follower, &StationFollower::rowsChanged);
    auto arc = open(QStringLiteral("Arc.DB"));
    appendMeasurement(*arc, 4);
    EXPECT_GE(waitForReport(spy, QStringLiteral("Arc.DB"), 2000), 0)
        << "the insert was not announced";

    // Another station's schema on the same server is not this station.
    spy.clear();
    const QString other = orvex::test::PgCluster::freshSchema();
    createServerSchema(cluster()->storeUri(other));
    defineAlias(QStringLiteral("OTHER"), cluster()->storeUri(other));
    {
        Table t;
        t.setDatabaseName(QStringLiteral("OTHER"));
        t.setTableName(QStringLiteral("Arc.DB"));
        t.open();
        appendMeasurement(t, 5);
    }
    EXPECT_EQ(waitForReport(spy, QStringLiteral("Arc.DB"), 500), -1);

    // The server restarts: the listening connection is made anew by the
    // next check, which also catches up on the row recorded meanwhile.
    QString error;
    ASSERT_TRUE(cluster()->stop(&error)) << error.toStdString();
    ASSERT_TRUE(cluster()->start(&error)) << error.toStdString();
    arc.reset();
    arc = open(QStringLiteral("Arc.DB"));
    appendMeasurement(*arc, 6);
    follower.setCheckInterval(300);
    EXPECT_GE(waitForReport(spy, QStringLiteral("Arc.DB"), 5000), 0);
    EXPECT_TRUE(follower.listens());
    spy.clear();
    follower.setCheckInterval(60 * 60 * 1000);
    appendMeasurement(*arc, 7);
    EXPECT_GE(waitForReport(spy, QStringLiteral("Arc.DB"), 2000), 0)
        << "notifications stopped after the restart";
}

} // namespace
