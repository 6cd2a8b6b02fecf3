// Table handles on real SQLite files and on a real PostgreSQL server, with
// the same cases for both engines: field types and positions, index orders,
// ranges and filters against a brute-force selection, keyset pages,
// master-detail, editing and posting, deletion, trimming, transactions,
// visibility across handles, read-only handles and missing tables. Locating
// the database is covered in LocationTest.cpp, a killed writer in
// KillTest.cpp, what only a server has in ServerTest.cpp.
#include "tests/store/StoreTestSupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>
#include <functional>

using namespace orvex::store;
using orvex::store::test::BothEngines;
using orvex::store::test::Engine;
using orvex::store::test::StoreFixture;

namespace {

const QDate kDay1(2026, 12, 1);

// Every row of a handle from the current position on, by record number.
QList<qint64> walk(Table &t, const char *field = "Meas_IDX") {
    QList<qint64> ids;
    for (t.first(); !t.eof(); t.next())
        ids << t.asInteger(QString::fromLatin1(field));
    return ids;
}

void appendMeasurement(Table &t, const QDate &date, const QTime &time, int unit, int alarm,
                       double d1 = 0.0) {
    t.append();
    t.setValue(QStringLiteral("Date"), date);
    t.setValue(QStringLiteral("Time"), time);
    t.setValue(QStringLiteral("UnitNo"), unit);
    t.setValue(QStringLiteral("Alarm"), alarm);
    t.setValue(QStringLiteral("D1"), d1);
    t.post();
}

// Raw read of one value, past the store, to see the on-disk form.
QVariant rawValue(const QString &file, const QString &sql) {
    QVariant v;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql));
        if (q.next())
            v = q.value(0);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return v;
}

} // namespace

class TableTest : public BothEngines {};
class FileTableTest : public StoreFixture {};

INSTANTIATE_TEST_SUITE_P(Engines, TableTest, ::testing::Values(Engine::Files, Engine::Server),
                         orvex::store::test::engineName);

TEST_P(TableTest, InstallerMakesFiveEmptyTablesThatOpen) {
    for (const char *name : {"Signals.DB", "Arc.DB", "Units.DB", "Sensors.DB", "Plot.db"}) {
        auto t = open(QString::fromLatin1(name));
        EXPECT_EQ(t->recordCount(), 0) << name;
        EXPECT_TRUE(t->isEmpty());
        EXPECT_TRUE(t->eof() && t->bof());
    }
}

TEST_P(TableTest, InstallingAgainKeepsRowsAndTheirCount) {
    {
        auto t = open(QStringLiteral("Units.DB"));
        t->appendRecord({1, QStringLiteral("Пульт №1"), 7, QString()});
    }
    const InstallResult again = reinstall();
    EXPECT_EQ(again.created.size(), 0);
    EXPECT_EQ(again.kept.size(), 5);
    auto t = open(QStringLiteral("Units.DB"));
    EXPECT_EQ(t->recordCount(), 1);
    EXPECT_EQ(t->asInteger(QStringLiteral("Unit_Kod")), 7);
}

TEST_F(FileTableTest, MissingTableIsReportedAndNotCreated) {
    const QString file = databaseFolder() + QStringLiteral("/Arc.DB");
    ASSERT_TRUE(QFile::remove(file));
    Table t;
    t.setDatabaseName(QString::fromLatin1(kAliasName));
    t.setTableName(QStringLiteral("Arc.DB"));
    try {
        t.open();
        FAIL() << "opened a missing table";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Arc.DB"))) << e.text().toStdString();
    }
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(t.isOpen());
}

TEST_F(FileTableTest, AFileWithoutTheTableIsReported) {
    const QString file = databaseFolder() + QStringLiteral("/Plot.db");
    ASSERT_TRUE(QFile::remove(file));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a database at all, just some text that fills a page");
    }
    Table t;
    t.setDatabaseName(QString::fromLatin1(kAliasName));
    t.setTableName(QStringLiteral("plot.DB"));
    EXPECT_THROW(t.open(), DatabaseError);
}

TEST_F(FileTableTest, DatesAndTimesAreQDateQTimeOutsideAndIsoTextInTheFile) {
    auto t = open(QStringLiteral("Signals.DB"));
    appendMeasurement(*t, QDate(2026, 3, 7), QTime(9, 5, 3), 2, 1, 0.29);
    EXPECT_EQ(t->asDate(QStringLiteral("date")), QDate(2026, 3, 7));
    EXPECT_EQ(t->asTime(QStringLiteral("TIME")), QTime(9, 5, 3));
    EXPECT_EQ(t->asFloat(QStringLiteral("d1")), 0.29);
    EXPECT_TRUE(t->isNull(QStringLiteral("D5")));
    t->first();
    EXPECT_EQ(t->value(QStringLiteral("Date")).toDate(), QDate(2026, 3, 7));
    const QString file = databaseFolder() + QStringLiteral("/Signals.DB");
    EXPECT_EQ(rawValue(file, QStringLiteral("SELECT Date || ' ' || Time FROM Signals")).toString(),
              QStringLiteral("2026-03-07 09:05:03"));
}

TEST_P(TableTest, RecordNumbersKeepRisingAfterTheOldestRowsAreDeleted) {
    auto t = open(QStringLiteral("Plot.db"));
    for (int i = 0; i < 5; ++i)
        t->appendRecord({QVariant(), 1});
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 5);
    EXPECT_EQ(t->trimTo(0), 5);
    t->appendRecord({QVariant(), 1});
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 6);
    EXPECT_EQ(t->recordCount(), 1);
    EXPECT_THROW(t->setValue(QStringLiteral("Meas_IDX"), 9), StoreError);
}

// Plot.db: channel n at position n+1; Arc.DB: channel n at position n+3.
TEST_P(TableTest, PositionalAppendFillsTheChannelFields) {
    struct Case {
        const char *table;
        int offset;
    };
    for (const Case c : {Case{"Plot.db", 1}, Case{"Arc.DB", 3}}) {
        auto t = open(QString::fromLatin1(c.table));
        t->append();
        t->setValue(QStringLiteral("UnitNo"), 4);
        for (int ch = 1; ch <= 4; ++ch)
            t->setValue(ch + c.offset, ch * 1.5);
        t->post();
        t->first();
        for (int ch = 1; ch <= 8; ++ch) {
            const QString name = QStringLiteral("D%1").arg(ch);
            if (ch <= 4)
                EXPECT_EQ(t->asFloat(name), ch * 1.5) << c.table << " " << ch;
            else
                EXPECT_TRUE(t->isNull(name)) << c.table << " " << ch;
        }
        EXPECT_EQ(t->asInteger(QStringLiteral("UnitNo")), 4);
    }
}

TEST_P(TableTest, DescendingDateIndexListsHigherRecordNumbersFirstWithinADate) {
    auto w = open(QStringLiteral("Signals.DB"));
    appendMeasurement(*w, kDay1, QTime(10, 0), 1, 0);              // 1
    appendMeasurement(*w, kDay1.addDays(1), QTime(0, 0, 5), 1, 0); // 2
    appendMeasurement(*w, kDay1, QTime(10, 1), 1, 0);              // 3 (clock set back)
    appendMeasurement(*w, kDay1.addDays(1), QTime(0, 0, 9), 1, 0); // 4
    auto desc = open(QStringLiteral("Signals.DB"), QStringLiteral("dat_idx_d"), true);
    EXPECT_EQ(walk(*desc), (QList<qint64>{4, 2, 3, 1}));
    auto asc = open(QStringLiteral("Signals.DB"), QStringLiteral("DAT_IDX"), true);
    EXPECT_EQ(walk(*asc), (QList<qint64>{1, 3, 2, 4}));
    auto arc = open(QStringLiteral("Arc.DB"), QStringLiteral("DAT_IDX_D"), true);
    EXPECT_TRUE(arc->isEmpty());
    desc->setIndexName(QStringLiteral("DAT_IDX"));
    EXPECT_EQ(desc->asInteger(QStringLiteral("Meas_IDX")), 1);
    EXPECT_THROW(desc->setIndexName(QStringLiteral("NO_SUCH")), StoreError);
}

// Every combination of order, range and filter that the views apply, checked
// through the cursor and through keyset pages in both directions against a
// selection made in plain C++.
TEST_P(TableTest, RangeAndFilterCombinationsMatchABruteForceSelection) {
    struct Rec {
        qint64 id;
        QDate date;
        int unit, alarm;
    };
    QList<Rec> recs;
    {
        auto w = open(QStringLiteral("Signals.DB"));
        QRandomGenerator rng(42);
        Transaction tx(*w);
        for (int i = 0; i < 300; ++i) {
            const QDate date = kDay1.addDays(int(rng.bounded(5)));
            const int unit = 1 + int(rng.bounded(4));
            const int alarm = rng.bounded(10) < 7 ? 0 : 1 + int(rng.bounded(2));
            appendMeasurement(*w, date, QTime(12, 0), unit, alarm);
            recs << Rec{w->asInteger(QStringLiteral("Meas_IDX")), date, unit, alarm};
        }
        tx.commit();
    }
    struct Filter {
        QString text;
        std::function<bool(const Rec &)> keep;
    };
    const QList<Filter> filters{
        {QString(), [](const Rec &) { return true; }},
        {QStringLiteral("UnitNo=3"), [](const Rec &r) { return r.unit == 3; }},
        {QStringLiteral("Alarm>0"), [](const Rec &r) { return r.alarm > 0; }},
        {QStringLiteral("Alarm>1"), [](const Rec &r) { return r.alarm > 1; }},
        {QStringLiteral("UnitNo=2 and Alarm>0"),
         [](const Rec &r) { return r.unit == 2 && r.alarm > 0; }},
        {QStringLiteral("UnitNo=4 AND Alarm>1"),
         [](const Rec &r) { return r.unit == 4 && r.alarm > 1; }},
        {QStringLiteral("UnitNo=9"), [](const Rec &) { return false; }},
    };
    struct Range {
        QDate from, to; // as the view gives them
    };
    const QList<Range> ranges{{},
                              {kDay1.addDays(1), kDay1.addDays(3)},
                              {kDay1.addDays(3), kDay1.addDays(1)},
                              {kDay1.addDays(2), kDay1.addDays(2)},
                              {kDay1.addDays(9), kDay1.addDays(9)}};
    auto t = open(QStringLiteral("Signals.DB"), QString(), true);
    for (bool descending : {true, false}) {
        t->setIndexName(descending ? QStringLiteral("DAT_IDX_D") : QStringLiteral("Dat_Idx"));
        for (const Range &range : ranges) {
            if (range.from.isValid())
                t->setRange(range.from, range.to);
            else
                t->cancelRange();
            for (const Filter &f : filters) {
                t->setFiltered(false);
                t->setFilter(f.text);
                t->setFiltered(!f.text.isEmpty());
                QList<Rec> expected;
                const QDate lo = std::min(range.from, range.to),
                            hi = std::max(range.from, range.to);
                for (const Rec &r : recs) {
                    if (f.keep(r) && (!range.from.isValid() || (r.date >= lo && r.date <= hi)))
                        expected << r;
                }
                std::sort(expected.begin(), expected.end(), [&](const Rec &a, const Rec &b) {
                    const bool less = a.date != b.date ? a.date < b.date : a.id < b.id;
                    const bool more = a.date != b.date ? a.date > b.date : a.id > b.id;
                    return descending ? more : less;
                });
                QList<qint64> ids;
                for (const Rec &r : expected)
                    ids << r.id;
                const std::string what =
                    QStringLiteral("%1 %2..%3 '%4'")
                        .arg(descending ? "desc" : "asc", range.from.toString(),
                             range.to.toString(), f.text)
                        .toStdString();
                EXPECT_EQ(walk(*t), ids) << what;
                // Forward pages of 7 from the first page, backward from the last.
                QList<qint64> forward, backward;
                for (QList<Row> page = t->firstPage(7); !page.isEmpty();
                     page = t->pageAfter(page.last(), 7)) {
                    for (const Row &r : page)
                        forward << r.values[0].toLongLong();
                }
                for (QList<Row> page = t->lastPage(7); !page.isEmpty();
                     page = t->pageBefore(page.first(), 7)) {
                    QList<qint64> chunk;
                    for (const Row &r : page)
                        chunk << r.values[0].toLongLong();
                    backward = chunk + backward;
                }
                EXPECT_EQ(forward, ids) << what;
                EXPECT_EQ(backward, ids) << what;
                // The row counter is the whole table's, whatever the selection.
                EXPECT_EQ(t->recordCount(), 300);
            }
        }
    }
}

TEST_P(TableTest, MalformedFiltersAreRefusedAndNeverReachTheDatabase) {
    auto t = open(QStringLiteral("Signals.DB"), QStringLiteral("DAT_IDX_D"), true);
    for (const char *bad : {"UnitNo=abc", "Foo=1", "UnitNo=1; DROP TABLE Signals",
                            "UnitNo=1 or 1=1", "UnitNo", "Alarm>0 and"}) {
        EXPECT_THROW(t->setFilter(QString::fromUtf8(bad)), StoreError) << bad;
    }
    t->setFilter(QStringLiteral("UnitNo=1"));
    EXPECT_THROW(t->setFilter(QStringLiteral("Unit=1")), StoreError);
    EXPECT_EQ(t->filter(), QStringLiteral("UnitNo=1")); // a refused expression changes nothing
    EXPECT_EQ(t->recordCount(), 0);
}

TEST_P(TableTest, PlotRangeOnUnitListsThatUnitNewestFirst) {
    auto w = open(QStringLiteral("Plot.db"));
    w->setIndexFieldNames(QStringLiteral("Meas_IDX"));
    for (int i = 0; i < 9; ++i)
        w->appendRecord({QVariant(), 1 + i % 3, i});
    auto plot = open(QStringLiteral("Plot.db"), QStringLiteral("UNo-M_IDX"), true);
    plot->setRange(2, 2);
    EXPECT_EQ(walk(*plot), (QList<qint64>{8, 5, 2}));
    w->appendRecord({QVariant(), 2, 99.0});
    plot->first(); // repositioning shows the row posted through the other handle
    EXPECT_EQ(plot->asInteger(QStringLiteral("Meas_IDX")), 10);
    EXPECT_EQ(plot->asFloat(QStringLiteral("D1")), 99.0);
}

TEST_P(TableTest, RowsPostedThroughOneHandleAreSeenByOthersAfterRepositioning) {
    auto writer = open(QStringLiteral("Signals.DB"));
    auto reader = open(QStringLiteral("Signals.DB"), QStringLiteral("DAT_IDX_D"), true);
    auto second = open(QStringLiteral("Signals.DB"));
    appendMeasurement(*writer, kDay1, QTime(1, 0), 1, 0);
    EXPECT_EQ(reader->recordCount(), 1);
    EXPECT_TRUE(reader->isEmpty()); // not yet repositioned
    reader->first();
    EXPECT_EQ(reader->asInteger(QStringLiteral("Meas_IDX")), 1);
    appendMeasurement(*writer, kDay1, QTime(1, 1), 1, 0);
    reader->first();
    EXPECT_EQ(reader->asInteger(QStringLiteral("Meas_IDX")), 2);
    second->last();
    EXPECT_EQ(second->asInteger(QStringLiteral("Meas_IDX")), 2);
    EXPECT_EQ(second->recordCount(), 2);
}

TEST_P(TableTest, ReadOnlyHandlesRefuseEveryChange) {
    auto w = open(QStringLiteral("Units.DB"));
    w->appendRecord({1, QStringLiteral("Пульт №1"), 1, QString()});
    auto r = open(QStringLiteral("Units.DB"), QString(), true);
    EXPECT_THROW(r->edit(), StoreError);
    EXPECT_THROW(r->append(), StoreError);
    EXPECT_THROW(r->deleteRecord(), StoreError);
    EXPECT_THROW(r->appendRecord({2}), StoreError);
    EXPECT_EQ(r->recordCount(), 1);
    EXPECT_THROW(r->setReadOnly(false), StoreError); // not while open
}

TEST_P(TableTest, UnitsRowsAppendedAsOrderedValuesAndEditedByCaseInsensitiveNames) {
    auto units = open(QStringLiteral("Units.DB"));
    units->setIndexFieldNames(QStringLiteral("unit_idx"));
    for (int n : {2, 1, 3})
        units->appendRecord({n, QStringLiteral("Пульт №%1").arg(n), n});
    EXPECT_EQ(walk(*units, "Unit_IDX"), (QList<qint64>{1, 2, 3}));
    ASSERT_TRUE(units->findKey({2}));
    EXPECT_EQ(units->recNo(), 2);
    EXPECT_EQ(units->asString(QStringLiteral("Unit_Name")), QStringLiteral("Пульт №2"));
    EXPECT_EQ(units->asString(QStringLiteral("Unit_Description")), QString()); // empty reads empty
    units->edit();
    units->setValue(QStringLiteral("Unit_Kod"), 7);
    units->setValue(QStringLiteral("UNIT_DESCRIPTION"), QString(300, QLatin1Char('x')));
    units->post();
    EXPECT_FALSE(units->findKey({9}));
    EXPECT_EQ(units->asInteger(QStringLiteral("Unit_IDX")), 2); // a failed find stays put
    auto other = open(QStringLiteral("Units.DB"));
    ASSERT_TRUE(other->findKey({2}));
    EXPECT_EQ(other->asInteger(QStringLiteral("UNIT_KOD")), 7);
    EXPECT_EQ(other->asString(QStringLiteral("Unit_Description")).size(), 255);
    // A second row 2 is a key violation; the handle stays in insert state.
    units->append();
    units->setValue(0, 2);
    EXPECT_THROW(units->post(), StoreError);
    EXPECT_EQ(units->state(), Table::State::Insert);
    units->cancel();
    EXPECT_EQ(units->recordCount(), 3);
    EXPECT_THROW(units->setValue(QStringLiteral("Unit_KOD"), 1), StoreError); // not editing
    EXPECT_THROW(units->value(QStringLiteral("NoSuchField")), StoreError);
}

TEST_P(TableTest, ACursorMovePostsThePendingEditAndNotifiesEditors) {
    auto units = open(QStringLiteral("Units.DB"));
    units->setIndexFieldNames(QStringLiteral("Unit_IDX"));
    for (int n = 1; n <= 3; ++n)
        units->appendRecord({n, QStringLiteral("Пульт №%1").arg(n), n});
    units->first();
    QSignalSpy moved(units.get(), &Table::currentChanged);
    QSignalSpy field(units.get(), &Table::fieldChanged);
    units->edit();
    units->setValue(QStringLiteral("Unit_NAME"), QStringLiteral("Котельная"));
    EXPECT_EQ(field.count(), 1);
    EXPECT_EQ(units->asString(QStringLiteral("Unit_NAME")), QStringLiteral("Котельная"));
    units->next();
    EXPECT_EQ(units->state(), Table::State::Browse);
    EXPECT_GE(moved.count(), 1);
    units->first();
    EXPECT_EQ(units->asString(QStringLiteral("Unit_NAME")), QStringLiteral("Котельная"));
    // Closing posts too.
    units->edit();
    units->setValue(QStringLiteral("Unit_KOD"), 12);
    units->close();
    auto again = open(QStringLiteral("Units.DB"));
    EXPECT_EQ(again->asInteger(QStringLiteral("Unit_KOD")), 12);
}

TEST_P(TableTest, MoveByFirstLastEofAndBof) {
    auto t = open(QStringLiteral("Plot.db"));
    for (int i = 0; i < 5; ++i)
        t->appendRecord({QVariant(), 1});
    t->first();
    EXPECT_TRUE(t->bof());
    EXPECT_EQ(t->moveBy(3), 3);
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 4);
    EXPECT_EQ(t->recNo(), 4);
    EXPECT_EQ(t->moveBy(5), 1);
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 5);
    t->next();
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 5);
    EXPECT_EQ(t->moveBy(-9), -4);
    EXPECT_TRUE(t->bof());
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 1);
    t->last();
    EXPECT_TRUE(t->eof());
    t->prior();
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 4);
    EXPECT_FALSE(t->bof() || t->eof());
}

TEST_P(TableTest, DeletingMovesTheCursorToTheFollowingRow) {
    auto t = open(QStringLiteral("Signals.DB"));
    for (int i = 0; i < 4; ++i)
        appendMeasurement(*t, kDay1, QTime(1, i), 1, 0);
    t->first();
    t->next(); // row 2
    t->deleteRecord();
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 3);
    t->last();
    t->deleteRecord(); // the last row: the new last row is current
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 3);
    EXPECT_TRUE(t->eof());
    // The recording's loop: first, then delete while too many.
    t->first();
    while (t->recordCount() > 1)
        t->deleteRecord();
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 3);
    t->deleteRecord();
    EXPECT_TRUE(t->isEmpty());
    EXPECT_EQ(t->recordCount(), 0);
    EXPECT_THROW(t->deleteRecord(), StoreError);
}

TEST_P(TableTest, DescendingIndexDeleteMovesOnInIndexOrder) {
    auto t = open(QStringLiteral("Signals.DB"), QStringLiteral("DAT_IDX_D"));
    for (int i = 0; i < 3; ++i)
        appendMeasurement(*t, kDay1, QTime(1, i), 1, 0);
    t->first(); // row 3, newest
    t->deleteRecord();
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 2);
}

TEST_P(TableTest, DetailFollowsTheMastersCursor) {
    auto units = open(QStringLiteral("Units.DB"));
    units->setIndexFieldNames(QStringLiteral("Unit_IDX"));
    Table sensors;
    sensors.setDatabaseName(QString::fromLatin1(kAliasName));
    sensors.setTableName(QStringLiteral("Sensors.DB"));
    sensors.setIndexFieldNames(QStringLiteral("Unit_IDX;Sensor_No"));
    sensors.setMasterSource(units.get(), QStringLiteral("Unit_IDX"), QStringLiteral("unit_idx"));
    sensors.open();
    EXPECT_TRUE(sensors.isEmpty()); // master empty: no rows
    for (int n = 1; n <= 3; ++n) {
        units->appendRecord({n, QStringLiteral("Пульт №%1").arg(n), n});
        for (int c = 3; c >= 1; --c) {
            sensors.append(); // Unit_IDX comes from the master's current row
            sensors.setValue(QStringLiteral("Sensor_No"), c);
            sensors.setValue(QStringLiteral("Sensor_NAME"),
                             QStringLiteral("Датчик %1-%2").arg(n).arg(c));
            sensors.post();
        }
    }
    EXPECT_EQ(sensors.recordCount(), 9);
    units->first();
    EXPECT_EQ(walk(sensors, "Sensor_No"), (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(sensors.asInteger(QStringLiteral("Unit_IDX")), 1);
    units->next();
    EXPECT_EQ(sensors.asInteger(QStringLiteral("Unit_IDX")), 2);
    EXPECT_EQ(sensors.asInteger(QStringLiteral("Sensor_No")), 1);
    ASSERT_TRUE(sensors.findKey({2, 3}));
    EXPECT_EQ(sensors.asString(QStringLiteral("Sensor_Name")), QStringLiteral("Датчик 2-3"));
    EXPECT_FALSE(sensors.findKey({3, 1})); // another unit's row is outside the restriction
    // A pending edit of the detail is posted when the master moves.
    sensors.edit();
    sensors.setValue(QStringLiteral("SensDescription"), QStringLiteral("у входа"));
    units->next();
    EXPECT_EQ(sensors.state(), Table::State::Browse);
    units->prior();
    ASSERT_TRUE(sensors.findKey({2, 3}));
    EXPECT_EQ(sensors.asString(QStringLiteral("SensDescription")), QStringLiteral("у входа"));
}

TEST_P(TableTest, TrimmingDeletesALargeExcessAtOnceAndKeepsTheNewest) {
    auto t = open(QStringLiteral("Signals.DB"));
    {
        Transaction tx(*t);
        for (int i = 0; i < 1000; ++i)
            appendMeasurement(*t, kDay1, QTime(0, 0), 1, 0, i);
        tx.commit();
    }
    EXPECT_EQ(t->trimTo(1000), 0);
    EXPECT_EQ(t->trimTo(10), 990);
    EXPECT_EQ(t->recordCount(), 10);
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 1000); // the cursor's row survived
    t->first();
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 991);
    EXPECT_EQ(t->trimTo(9), 1); // the deleted row was current: on to the new first row
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 992);
    auto units = open(QStringLiteral("Units.DB"));
    EXPECT_THROW(units->trimTo(0), StoreError);
}

TEST_P(TableTest, ARolledBackTransactionLeavesNoRowsAndACorrectCount) {
    auto t = open(QStringLiteral("Arc.DB"));
    appendMeasurement(*t, kDay1, QTime(0, 0), 1, 2);
    {
        Transaction tx(*t);
        appendMeasurement(*t, kDay1, QTime(0, 1), 1, 2);
        appendMeasurement(*t, kDay1, QTime(0, 2), 1, 2);
        EXPECT_EQ(t->recordCount(), 3);
    } // destroyed without commit
    EXPECT_EQ(t->recordCount(), 1);
    EXPECT_EQ(t->asInteger(QStringLiteral("Meas_IDX")), 1);
    auto other = open(QStringLiteral("Arc.DB"));
    EXPECT_EQ(walk(*other), (QList<qint64>{1}));
}

TEST_P(TableTest, ValuesTheFieldCannotHoldAreRefused) {
    auto t = open(QStringLiteral("Signals.DB"));
    t->append();
    EXPECT_THROW(t->setValue(QStringLiteral("Date"), QStringLiteral("31.12.2026")), StoreError);
    EXPECT_THROW(t->setValue(QStringLiteral("UnitNo"), 70000), StoreError);
    EXPECT_THROW(t->setValue(QStringLiteral("D1"), QStringLiteral("abc")), StoreError);
    t->setValue(QStringLiteral("UnitNo"), QStringLiteral(" 5 "));
    t->setValue(QStringLiteral("Date"), QStringLiteral("2026-12-31"));
    t->post();
    EXPECT_EQ(t->asInteger(QStringLiteral("UnitNo")), 5);
    EXPECT_EQ(t->asDate(QStringLiteral("Date")), QDate(2026, 12, 31));
}

TEST_P(TableTest, ClosedHandlesReportInsteadOfFailingSilently) {
    Table t;
    t.setTableName(QStringLiteral("Units.DB"));
    EXPECT_THROW(t.first(), StoreError);
    EXPECT_THROW(t.recordCount(), StoreError);
    t.close(); // closing a closed handle does nothing
    Table unknown;
    unknown.setDatabaseName(QString::fromLatin1(kAliasName));
    unknown.setTableName(QStringLiteral("Other.DB"));
    EXPECT_THROW(unknown.open(), StoreError);
}

TEST_P(TableTest, ReadOnlyHandleOpensWithoutAWriterAndSeesCommittedRows) {
    {
        auto w = open(QStringLiteral("Arc.DB"));
        appendMeasurement(*w, kDay1, QTime(3, 0), 2, 2);
    } // the last connection closes: the WAL is checkpointed and removed
    auto r = open(QStringLiteral("Arc.DB"), QStringLiteral("Dat_IDX_D"), true);
    EXPECT_EQ(r->recordCount(), 1);
    EXPECT_EQ(r->asInteger(QStringLiteral("Alarm")), 2);
}
