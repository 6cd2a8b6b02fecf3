// The measurement recording on a server, where the three tables of a
// measurement are one transaction: a connection dropped or a server
// restarted between any two of its statements, or lost at its commit, fails
// that measurement as a table error, shows nothing of it and stores nothing
// of it; every measurement that was shown is stored once in every table it
// belongs to, and the next one is recorded on a new connection by itself.
#include "polling/Recording.h"
#include "tests/store/StoreTestSupport.h"

#include <QObject>
#include <map>
#include <set>

namespace orvex::polling {
namespace {

using store::test::Engine;

class ServerRecordingTest : public store::test::StoreFixture {
protected:
    Engine engine() const override { return Engine::Server; }

    void SetUp() override {
        StoreFixture::SetUp();
        if (HasFatalFailure())
            return;
        plot = open(QStringLiteral("Plot.db"));
        signals_ = open(QStringLiteral("Signals.DB"));
        arc = open(QStringLiteral("Arc.DB"));
        settings.UnitsAmount = 3;
        settings.ChannalsMaxAmount = 8;
        settings.PeriodMs = 10000;
        settings.CurrKeepTime = 24;
        settings.ArcLevel = 1;
        recorder = std::make_unique<MeasurementRecorder>(*plot, *signals_, *arc, settings);
        recorder->setListener(&listener);
    }

    // What the program shows of each recording, with the measurement it
    // belongs to.
    struct Shown : RecordingListener {
        explicit Shown(ServerRecordingTest *t) : test(t) {}
        void currentCountChanged(qint64 rows) override {
            test->shown << test->measurement;
            test->currentCounts << rows;
        }
        void archiveCountChanged(qint64 rows) override {
            test->archived << test->measurement;
            test->archiveCounts << rows;
        }
        ServerRecordingTest *test;
    } listener{this};

    // Measurement k has k in its first channel.
    void record(int k) {
        measurement = k;
        std::array<float, kMaxChannels> values{};
        values[0] = float(k);
        recorder->RecordMeasurement(1 + k % 3, 2, values, QDate(2026, 12, 10), QTime(3, 0));
    }

    // The first channels of every row of a table, read on a handle of its own.
    std::multiset<int> stored(const QString &table) {
        auto t = open(table, {}, true);
        std::multiset<int> values;
        for (t->first(); !t->eof(); t->next())
            values.insert(int(t->asFloat(QStringLiteral("D1"))));
        return values;
    }

    std::unique_ptr<store::Table> plot, signals_, arc;
    config::TSettings settings;
    std::unique_ptr<MeasurementRecorder> recorder;
    int measurement = 0;
    QList<int> shown, archived;
    QList<qint64> currentCounts, archiveCounts;
};

TEST_F(ServerRecordingTest, CountsShownAreTheRowsAfterTheAppendAndTheTrim) {
    settings.CurrKeepTime = 1;
    settings.PeriodMs = 3600 * 1000; // three units keep three rows
    for (int k = 1; k <= 5; ++k)
        record(k);
    EXPECT_EQ(currentCounts, (QList<qint64>{1, 2, 3, 3, 3}));
    EXPECT_EQ(archiveCounts, (QList<qint64>{1, 2, 3, 4, 5}));
    EXPECT_EQ(stored(QStringLiteral("Signals.DB")), (std::multiset<int>{3, 4, 5}));
    // A handle that did not write reads the same counts from the server.
    EXPECT_EQ(open(QStringLiteral("Signals.DB"), {}, true)->recordCount(), 3);
    EXPECT_EQ(open(QStringLiteral("Arc.DB"), {}, true)->recordCount(), 5);
}

TEST_F(ServerRecordingTest, AMeasurementShownIsStoredOnceInEveryTableAfterAnyBreak) {
    // At commit: the server drops the connection while it checks measurement
    // 13's archive row, the last moment before the commit is written.
    ASSERT_TRUE(cluster()->dropConnectionAtCommit(schema(), QStringLiteral("Arc"),
                                                  QStringLiteral("NEW.\"D1\" = 13")));
    // Between statements: after a table's row went in, the connection drops
    // or the server restarts.
    struct Break {
        store::Table *table;
        bool restart;
    };
    const std::map<int, Break> breaks{{3, {plot.get(), false}},
                                      {5, {signals_.get(), false}},
                                      {7, {arc.get(), false}},
                                      {9, {plot.get(), true}},
                                      {11, {signals_.get(), true}}};
    std::set<int> failed;
    for (int k = 1; k <= 15; ++k) {
        QObject context;
        if (breaks.count(k)) {
            const Break b = breaks.at(k);
            QObject::connect(b.table, &store::Table::tableChanged, &context, [&, b] {
                QObject::disconnect(b.table, nullptr, &context, nullptr);
                if (b.restart)
                    ASSERT_TRUE(cluster()->stop() && cluster()->start());
                else
                    ASSERT_TRUE(cluster()->dropConnections());
            });
        }
        try {
            record(k);
        } catch (const store::StoreError &e) {
            failed.insert(k);
            EXPECT_TRUE(e.text().contains(QStringLiteral(".DB")) ||
                        e.text().contains(QStringLiteral(".db")))
                << e.text().toStdString();
        }
    }
    EXPECT_EQ(failed, (std::set<int>{3, 5, 7, 9, 11, 13}));
    const std::multiset<int> expected{1, 2, 4, 6, 8, 10, 12, 14, 15};
    EXPECT_EQ(std::multiset<int>(shown.begin(), shown.end()), expected);
    EXPECT_EQ(shown, archived);
    for (const char *table : {"Plot.db", "Signals.DB", "Arc.DB"})
        EXPECT_EQ(stored(QString::fromLatin1(table)), expected) << table;
    // The kept counts went back with every rolled-back row.
    EXPECT_EQ(signals_->recordCount(), qint64(expected.size()));
    EXPECT_EQ(arc->recordCount(), qint64(expected.size()));
}

TEST_F(ServerRecordingTest, AClosedTableFailsTheWholeMeasurement) {
    record(1);
    arc->close();
    EXPECT_THROW(record(2), store::StoreError);
    arc->open();
    record(3);
    EXPECT_EQ(shown, (QList<int>{1, 3}));
    EXPECT_EQ(stored(QStringLiteral("Signals.DB")), (std::multiset<int>{1, 3}));
    EXPECT_EQ(stored(QStringLiteral("Plot.db")), (std::multiset<int>{1, 3}));
}

} // namespace
} // namespace orvex::polling
