// The page caches over a long run: a connection keeps every page it writes
// until its cache is full, so over months of recording each writer's cache
// (the table handle's and the event journal's) must stay at its bound however
// large the table file grows, and a view's read handle must hold no more than
// what it read since the last record.
#include "store/Events.h"
#include "store/SqlDialect.h"
#include "tests/store/StoreTestSupport.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlQuery>
#include <sqlite3.h>

using namespace orvex::store;
using orvex::store::test::StoreFixture;

namespace {

class CacheTest : public StoreFixture {};

// Every open SQLite connection of the process, by its Qt name.
QStringList openSqliteConnections() {
    QStringList names;
    for (const QString &name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen() && db.driverName() == QLatin1String("QSQLITE"))
            names << name;
    }
    return names;
}

sqlite3 *handle(const QString &name) {
    const QVariant h = QSqlDatabase::database(name, false).driver()->handle();
    return *static_cast<sqlite3 *const *>(h.data());
}

// The memory the connection's page cache holds now.
qint64 cacheUsed(const QString &name) {
    int current = 0, highwater = 0;
    if (sqlite3_db_status(handle(name), SQLITE_DBSTATUS_CACHE_USED, &current, &highwater, 0) !=
        SQLITE_OK)
        return -1;
    return current;
}

TEST_F(CacheTest, WritersHoldTheirCacheToTheBoundAndAViewOnlyWhatItReadSinceTheLastRecord) {
    auto writer = open(QStringLiteral("Signals.DB"));
    auto view = open(QStringLiteral("Signals.DB"), QStringLiteral("Dat_IDX_D"), true);
    EventLog journal;
    journal.open(QString::fromLatin1(kAliasName));
    const QString file = databaseFolder() + QStringLiteral("/Signals.DB");
    const qint64 bound = qint64(kSqliteWriterCacheKiB) * 1024;

    // A recording's records until the table file is several writer caches
    // large, the view following each batch as the data views do.
    const QDate day(2026, 12, 1);
    int i = 0;
    while (QFileInfo(file).size() < 8 * bound && i < 200000) {
        Transaction tx(*writer);
        for (int n = 0; n < 150; ++n, ++i) {
            writer->append();
            writer->setValue(QStringLiteral("UnitNo"), 1 + i % 15);
            writer->setValue(QStringLiteral("Alarm"), i % 3);
            writer->setValue(QStringLiteral("Date"), day.addDays(i / 86400));
            writer->setValue(QStringLiteral("Time"), QTime(0, 0).addSecs(i % 86400));
            for (int ch = 1; ch <= 8; ++ch)
                writer->setValue(QStringLiteral("D%1").arg(ch), (i * ch) % 250);
            writer->post();
        }
        tx.commit();
        EXPECT_EQ(view->recordCount(), i);
        view->last();
        ASSERT_FALSE(view->firstPage(50).isEmpty());
    }
    ASSERT_GE(QFileInfo(file).size(), 8 * bound) << "the table did not grow past the caches";

    // The writer's, the view's and the journal's connections.
    const QStringList names = openSqliteConnections();
    ASSERT_EQ(names.size(), 3);
    int writers = 0;
    qint64 largest = 0;
    for (const QString &name : names) {
        const qint64 used = cacheUsed(name);
        // A view's page and its count touch a few pages of each tree.
        EXPECT_LE(used, bound + bound / 4) << name.toStdString();
        if (sqlite3_db_readonly(handle(name), "main") != 0)
            continue;
        ++writers;
        largest = std::max(largest, used);
        QSqlQuery q(QSqlDatabase::database(name, false));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA cache_size")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), -kSqliteWriterCacheKiB) << name.toStdString();
    }
    EXPECT_EQ(writers, 2);
    // The writer's cache did fill: without a bound it would hold the file.
    EXPECT_GE(largest, bound / 2);
}

} // namespace
