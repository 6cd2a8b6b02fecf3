// The measurement recording on real table files: rows and values of Plot.db,
// Signals.DB and Arc.DB, the keep limits and the trimming from the oldest
// end, the archive level, the alarm requests and the counters, and what a
// table error leaves behind. The poll cycle that calls the recording is
// covered by PollCycleTest and the end-to-end tests.
#include "polling/Recording.h"
#include "tests/pollcycle/PollTestSupport.h"

#include <QFile>
#include <cmath>
#include <cstring>

namespace orvex::polling {
namespace {

using test::bulkFill;
using test::DatabaseFolder;
using test::RawTable;

struct KeepCase {
    int hours, units, periodMs;
    qint64 limit;
};

class KeepLimitTest : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepLimitTest, IsHoursTimesUnitsTimes3600DivPeriodSeconds) {
    const KeepCase c = GetParam();
    EXPECT_EQ(keepLimit(c.hours, c.units, c.periodMs), c.limit);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, KeepLimitTest,
    ::testing::Values(KeepCase{24, 1, 10000, 8640}, KeepCase{120, 15, 10000, 648000},
                      KeepCase{1, 1, 900000, 4}, KeepCase{72, 3, 7000, 111085},
                      // Hand-edited extremes: no overflow, no division by zero.
                      KeepCase{120, 15, 0, 6480000}, KeepCase{120, 15, 999, 6480000},
                      KeepCase{24, 0, 10000, 8640}, KeepCase{1000000, 15, 1000, 54000000000LL}));

TEST(PlotLimitTest, Is51RowsPerUnit) {
    EXPECT_EQ(plotLimit(3), 153);
    EXPECT_EQ(plotLimit(15), 765);
    EXPECT_EQ(plotLimit(0), 51);
}

TEST(StoredValueTest, MethaneByte29IsTheDoubleNearest029) {
    const float decoded = 29 / 100.0f; // as the decoding computes it
    ASSERT_NE(double(decoded), 0.29);
    const double stored = storedValue(decoded);
    const double nearest = 0.29;
    EXPECT_EQ(std::memcmp(&stored, &nearest, sizeof stored), 0) << stored;
}

TEST(StoredValueTest, RoundsToHundredthsHalfAwayFromZero) {
    EXPECT_EQ(storedValue(2.6f), 2.6);     // explosive gas byte 13
    EXPECT_EQ(storedValue(240.0f), 240.0); // ammonia byte 120
    EXPECT_EQ(storedValue(0.125f), 0.13);  // exactly half
    EXPECT_EQ(storedValue(-0.125f), -0.13);
    EXPECT_EQ(storedValue(1.2345f), 1.23);
    EXPECT_EQ(storedValue(0.0f), 0.0);
}

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        plot = folder.open(QStringLiteral("Plot.db"), QStringLiteral("Meas_IDX"));
        signals_ = folder.open(QStringLiteral("Signals.DB"));
        arc = folder.open(QStringLiteral("Arc.DB"));
        settings.UnitsAmount = 3;
        settings.ChannalsMaxAmount = 8;
        settings.PeriodMs = 10000;
        settings.CurrKeepTime = 24;
        settings.ArcLevel = 2;
        recorder = std::make_unique<MeasurementRecorder>(*plot, *signals_, *arc, settings);
        listener.test = this;
        recorder->setListener(&listener);
    }

    // Writes down what the recorder tells, in order.
    struct Listener : RecordingListener {
        RecordingTest *test = nullptr;
        std::function<QString()> soundFile;
        void currentCountChanged(qint64 n) override {
            test->events << QStringLiteral("current %1").arg(n);
        }
        void archiveCountChanged(qint64 n) override {
            test->events << QStringLiteral("archive %1").arg(n);
        }
        void plotRowAdded(int u) override { test->events << QStringLiteral("plot %1").arg(u); }
        QString soundFileText() override { return soundFile ? soundFile() : QString(); }
        void shellOpen(const QString &file) override {
            test->events << QStringLiteral("open %1 after %2 archive rows")
                                .arg(file)
                                .arg(test->arc->recordCount());
        }
    };
    Listener listener;

    void record(int u, int level, std::array<float, kMaxChannels> values = {}) {
        recorder->RecordMeasurement(u, level, values, QDate(2026, 12, 9), QTime(14, 5, 7));
    }
    QList<QVariantList> rows(const QString &file, const QString &sql) {
        RawTable t(folder.table(file));
        return t.rows(sql);
    }
    qint64 count(const QString &file, const QString &table) {
        RawTable t(folder.table(file));
        return t.scalar(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table)).toLongLong();
    }

    DatabaseFolder folder;
    std::unique_ptr<store::Table> plot, signals_, arc;
    config::TSettings settings;
    std::unique_ptr<MeasurementRecorder> recorder;
    QStringList events;
};

TEST_F(RecordingTest, GoodReplyGoesIntoPlotAndSignalsWithItsStampAndRoundedValues) {
    record(2, 0, {0.29f, 2.6f, 240.0f, 0.0f, 1.0f, 2.0f, 3.0f, 4.0f});
    const auto s =
        rows(QStringLiteral("Signals.DB"),
             QStringLiteral("SELECT Date, Time, UnitNo, D1, D2, D3, D4, D8, Alarm FROM Signals"));
    ASSERT_EQ(s.size(), 1);
    EXPECT_EQ(s[0][0].toString(), QStringLiteral("2026-12-09"));
    EXPECT_EQ(s[0][1].toString(), QStringLiteral("14:05:07"));
    EXPECT_EQ(s[0][2].toInt(), 2); // the unit position
    EXPECT_EQ(s[0][3].toDouble(), 0.29);
    EXPECT_EQ(s[0][4].toDouble(), 2.6);
    EXPECT_EQ(s[0][5].toDouble(), 240.0);
    EXPECT_EQ(s[0][6].toDouble(), 0.0);
    EXPECT_FALSE(s[0][6].isNull()); // a channel without a reading is stored as 0
    EXPECT_EQ(s[0][7].toDouble(), 4.0);
    EXPECT_EQ(s[0][8].toInt(), 0);
    const auto p =
        rows(QStringLiteral("Plot.db"), QStringLiteral("SELECT UnitNo, D1, D3 FROM Plot"));
    ASSERT_EQ(p.size(), 1);
    EXPECT_EQ(p[0][0].toInt(), 2);
    EXPECT_EQ(p[0][1].toDouble(), 0.29);
    EXPECT_EQ(p[0][2].toDouble(), 240.0);
    EXPECT_EQ(count(QStringLiteral("Arc.DB"), QStringLiteral("Arc")), 0);
    EXPECT_EQ(events, (QStringList{QStringLiteral("current 1"), QStringLiteral("plot 2")}));
}

TEST_F(RecordingTest, FourChannelsLeaveD5ToD8EmptyInAllThreeTables) {
    settings.ChannalsMaxAmount = 4;
    record(1, 2, {1, 2, 3, 4, 5, 6, 7, 8});
    for (const auto &[file, table] :
         {std::pair{QStringLiteral("Signals.DB"), QStringLiteral("Signals")},
          std::pair{QStringLiteral("Arc.DB"), QStringLiteral("Arc")},
          std::pair{QStringLiteral("Plot.db"), QStringLiteral("Plot")}}) {
        const auto r =
            rows(file, QStringLiteral("SELECT D1, D4, D5, D6, D7, D8 FROM \"%1\"").arg(table));
        ASSERT_EQ(r.size(), 1) << file.toStdString();
        EXPECT_EQ(r[0][0].toDouble(), 1.0);
        EXPECT_EQ(r[0][1].toDouble(), 4.0);
        for (int i = 2; i < 6; ++i)
            EXPECT_TRUE(r[0][i].isNull()) << file.toStdString() << " D" << i + 3;
    }
}

struct ArchiveCase {
    int arcLevel, alarm;
    bool archived;
};
class ArchiveLevelTest : public RecordingTest, public ::testing::WithParamInterface<ArchiveCase> {};

TEST_P(ArchiveLevelTest, ArchivesWhenTheLevelReachesArcLevel) {
    const ArchiveCase c = GetParam();
    settings.ArcLevel = c.arcLevel;
    settings.Sound_ON = true;
    record(3, c.alarm, {0.5f});
    EXPECT_EQ(count(QStringLiteral("Signals.DB"), QStringLiteral("Signals")), 1);
    const auto a = rows(QStringLiteral("Arc.DB"),
                        QStringLiteral("SELECT Date, Time, UnitNo, D1, D2, Alarm FROM Arc"));
    ASSERT_EQ(a.size(), c.archived ? 1 : 0);
    if (c.archived) {
        EXPECT_EQ(a[0][0].toString(), QStringLiteral("2026-12-09"));
        EXPECT_EQ(a[0][1].toString(), QStringLiteral("14:05:07"));
        EXPECT_EQ(a[0][2].toInt(), 3);
        EXPECT_EQ(a[0][3].toDouble(), 0.5);
        EXPECT_EQ(a[0][4].toDouble(), 0.0);
        EXPECT_EQ(a[0][5].toInt(), c.alarm);
        EXPECT_TRUE(events.contains(QStringLiteral("archive 1")));
    }
    // A warning alone never sounds.
    EXPECT_EQ(events.filter(QStringLiteral("open")).size(), c.alarm == 2 ? settings.Amount : 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, ArchiveLevelTest,
                         ::testing::Values(ArchiveCase{2, 0, false}, ArchiveCase{2, 1, false},
                                           ArchiveCase{2, 2, true}, ArchiveCase{1, 0, false},
                                           ArchiveCase{1, 1, true}, ArchiveCase{1, 2, true}));

TEST_F(RecordingTest, TripLevelOpensTheSoundFileAmountTimesAfterTheArchiveRow) {
    settings.Sound_ON = true;
    settings.Amount = 3;
    listener.soundFile = [] { return QStringLiteral("\\Sound\\Siren.wav"); };
    record(1, 2);
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("current 1"), QStringLiteral("plot 1"),
                           QStringLiteral("archive 1"),
                           QStringLiteral("open \\Sound\\Siren.wav after 1 archive rows"),
                           QStringLiteral("open \\Sound\\Siren.wav after 1 archive rows"),
                           QStringLiteral("open \\Sound\\Siren.wav after 1 archive rows")}));
}

TEST_F(RecordingTest, SoundSwitchedOffOpensNothing) {
    settings.Sound_ON = false;
    record(1, 2);
    EXPECT_TRUE(events.filter(QStringLiteral("open")).isEmpty());
}

TEST_F(RecordingTest, ReplyBeyondTheKeepLimitDeletesTheOldestRow) {
    // 24 h x 1 unit x 3600 div 10 s = 8640.
    settings.UnitsAmount = 1;
    bulkFill(folder.table(QStringLiteral("Signals.DB")), QStringLiteral("Signals"), 8639);
    record(1, 0, {9999});
    EXPECT_EQ(signals_->recordCount(), 8640); // the 8640th: nothing deleted
    EXPECT_EQ(
        rows(QStringLiteral("Signals.DB"), QStringLiteral("SELECT MIN(D1) FROM Signals"))[0][0]
            .toInt(),
        1);
    record(1, 0, {9999}); // the 8641st
    EXPECT_EQ(signals_->recordCount(), 8640);
    EXPECT_EQ(count(QStringLiteral("Signals.DB"), QStringLiteral("Signals")), 8640);
    const auto r =
        rows(QStringLiteral("Signals.DB"),
             QStringLiteral("SELECT MIN(D1), MIN(Meas_IDX), MAX(Meas_IDX) FROM Signals"));
    EXPECT_EQ(r[0][0].toInt(), 2); // the oldest row went
    EXPECT_EQ(r[0][1].toInt(), 2);
    EXPECT_EQ(r[0][2].toInt(), 8641); // record numbers keep rising
    EXPECT_EQ(events.last(), QStringLiteral("plot 1"));
    EXPECT_TRUE(events.contains(QStringLiteral("current 8640")));
}

TEST_F(RecordingTest, NothingIsDeletedBelow648000AtTheLargestSettings) {
    settings.UnitsAmount = 15;
    settings.CurrKeepTime = 120;
    settings.PeriodMs = 10000;
    bulkFill(folder.table(QStringLiteral("Signals.DB")), QStringLiteral("Signals"), 647999);
    record(15, 0);
    EXPECT_EQ(signals_->recordCount(), 648000);
    EXPECT_EQ(rows(QStringLiteral("Signals.DB"),
                   QStringLiteral("SELECT MIN(Meas_IDX) FROM Signals"))[0][0]
                  .toInt(),
              1);
    record(15, 0);
    EXPECT_EQ(signals_->recordCount(), 648000);
    EXPECT_EQ(rows(QStringLiteral("Signals.DB"),
                   QStringLiteral("SELECT MIN(Meas_IDX) FROM Signals"))[0][0]
                  .toInt(),
              2);
}

TEST_F(RecordingTest, PlotKeepsTheNewest153RowsOfThreeUnitsTogether) {
    bulkFill(folder.table(QStringLiteral("Plot.db")), QStringLiteral("Plot"), 152);
    record(2, 0);
    EXPECT_EQ(plot->recordCount(), 153);
    record(3, 0);
    record(1, 0);
    EXPECT_EQ(count(QStringLiteral("Plot.db"), QStringLiteral("Plot")), 153);
    const auto r = rows(QStringLiteral("Plot.db"),
                        QStringLiteral("SELECT MIN(Meas_IDX), MAX(Meas_IDX) FROM Plot"));
    EXPECT_EQ(r[0][0].toInt(), 3);
    EXPECT_EQ(r[0][1].toInt(), 155);
}

TEST_F(RecordingTest, LoweredSettingsTrimTheWholeExcessWithTheNextReply) {
    // 120 h of data for one unit at 10 s would be 43 200 rows; 5000 stand in.
    settings.UnitsAmount = 1;
    settings.CurrKeepTime = 1; // lowered from 120: limit 360
    bulkFill(folder.table(QStringLiteral("Signals.DB")), QStringLiteral("Signals"), 5000);
    bulkFill(folder.table(QStringLiteral("Plot.db")), QStringLiteral("Plot"), 700);
    record(1, 0, {7777});
    EXPECT_EQ(count(QStringLiteral("Signals.DB"), QStringLiteral("Signals")), 360);
    EXPECT_EQ(signals_->recordCount(), 360);
    const auto r =
        rows(QStringLiteral("Signals.DB"), QStringLiteral("SELECT MIN(D1), MAX(D1) FROM Signals"));
    EXPECT_EQ(r[0][0].toInt(), 4642); // the newest 359 of the old rows stay
    EXPECT_EQ(r[0][1].toInt(), 7777);
    EXPECT_EQ(count(QStringLiteral("Plot.db"), QStringLiteral("Plot")), 51);
    EXPECT_TRUE(events.contains(QStringLiteral("current 360")));
}

TEST_F(RecordingTest, TableErrorKeepsTheRowsOfTheEarlierSteps) {
    arc->close(); // the archive cannot be written
    EXPECT_THROW(record(1, 2), orvex::SystemError);
    EXPECT_EQ(count(QStringLiteral("Plot.db"), QStringLiteral("Plot")), 1);
    EXPECT_EQ(count(QStringLiteral("Signals.DB"), QStringLiteral("Signals")), 1);
    EXPECT_EQ(count(QStringLiteral("Arc.DB"), QStringLiteral("Arc")), 0);
    // The next measurement is recorded normally once the table is back.
    arc->open();
    record(1, 2);
    EXPECT_EQ(count(QStringLiteral("Arc.DB"), QStringLiteral("Arc")), 1);
    EXPECT_EQ(count(QStringLiteral("Signals.DB"), QStringLiteral("Signals")), 2);
}

TEST_F(RecordingTest, LockedDatabaseRaisesAndLosesNothingStored) {
    record(1, 0, {1});
    {
        // Another program holds a write lock on Signals.DB for the whole call.
        RawTable locker(folder.table(QStringLiteral("Signals.DB")), false);
        locker.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
        locker.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        EXPECT_THROW(record(1, 0, {2}), orvex::SystemError);
        locker.exec(QStringLiteral("ROLLBACK"));
    }
    record(1, 0, {3});
    const auto r = rows(QStringLiteral("Signals.DB"),
                        QStringLiteral("SELECT D1 FROM Signals ORDER BY Meas_IDX"));
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[0][0].toInt(), 1);
    EXPECT_EQ(r[1][0].toInt(), 3);
    EXPECT_EQ(signals_->recordCount(), 2);
}

} // namespace
} // namespace orvex::polling
