// End to end on the server engine: the real main window with the poll cycle
// polls the unit simulator and records into a station schema of the tests'
// PostgreSQL cluster; the server is then killed and started again while
// polling runs. Each poll without a server reports the table error, polling
// carries on by itself once the server is back, and every row the status bar
// counted is in the server. The same window on table files is the
// PollEndToEndTest's.
#include "tests/e2e/E2eSupport.h"
#include "tests/pollcycle/PollTestSupport.h"
#include "tests/support/Deadline.h"
#include "tests/support/PgCluster.h"
#include "ui/Messages.h"
#include "ui/ShellOpen.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

namespace orvex::e2e {
namespace {

using polling::test::Simulator;

bool waitFor(const std::function<bool()> &done, int ms = 30000) {
    return test::holdsWithin(done, ms);
}

config::TSettings threeUnits() {
    config::TSettings s;
    s.UnitsAmount = 3;
    s.ChannalsMaxAmount = 4;
    s.PeriodMs = 1000;
    s.CurrKeepTime = 24;
    s.ArcLevel = 2;
    s.ComPortNo = 1;
    s.Speed = QStringLiteral(" 9600 (002)");
    s.UnitAddr[1] = 5;
    s.UnitAddr[2] = 9;
    s.UnitAddr[3] = 12;
    return s;
}

// Rows of a table through a handle of its own.
qint64 storedRows(const QString &table) {
    store::Table t;
    t.setDatabaseName(QString::fromLatin1(store::kAliasName));
    t.setTableName(table);
    t.setReadOnly(true);
    t.open();
    qint64 n = 0;
    for (QList<store::Row> page = t.firstPage(1000); !page.isEmpty();
         page = t.pageAfter(page.last(), 1000))
        n += page.size();
    EXPECT_EQ(t.recordCount(), n) << table.toStdString();
    return n;
}

TEST(ServerEndToEndTest, PollingRecordsIntoTheServerAndCarriesOnAfterARestart) {
    ORVEX_REQUIRE_PG_CLUSTER(cluster);
    orvex::test::TempProgramFolder folder;
    ui::MessageRecorder messages;
    ui::ShellOpenRecorder sounds;
    prepareProgramFolder(threeUnits(), cluster->storeUri(orvex::test::PgCluster::freshSchema()));
    Simulator sim(folder.file(QStringLiteral("ports/COM1")),
                  {QStringLiteral("--units"), QStringLiteral("5,9,12")});
    Program p;
    ASSERT_TRUE(p.form->gridBuilt()) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(p.form->polling()) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    ASSERT_TRUE(waitFor([&] { return p.form->station().signalTable().recordCount() >= 3; }));
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QStringLiteral(" | ")).toStdString();

    ASSERT_TRUE(cluster->stop());
    // Each poll without the server reports once; polling goes on.
    ASSERT_TRUE(waitFor([&] { return messages.count() >= 2; }));
    QString error;
    ASSERT_TRUE(cluster->start(&error)) << error.toStdString();
    auto counter = [&] {
        return StatusBar1(*p.form)->panelText(2).section(QLatin1Char(' '), -1).toLongLong();
    };
    // Recording resumes by itself, and once it has, no poll reports again.
    const qint64 before = counter();
    ASSERT_TRUE(waitFor([&] { return counter() > before; }))
        << messages.texts().join(QStringLiteral(" | ")).toStdString();
    const int errors = messages.count();
    const qint64 resumed = counter();
    ASSERT_TRUE(waitFor([&] { return counter() >= resumed + 3; }));
    EXPECT_EQ(messages.count(), errors)
        << messages.texts().join(QStringLiteral(" | ")).toStdString();
    ScanBitBtn(*p.form)->click();
    EXPECT_TRUE(ScanBitBtn(*p.form)->isEnabled());
    for (const QString &m : messages.texts())
        EXPECT_TRUE(m.contains(QStringLiteral(".DB")) || m.contains(QStringLiteral(".db")))
            << m.toStdString();

    // What the status bar counted last is what the server holds.
    EXPECT_EQ(storedRows(QStringLiteral("Signals.DB")), counter());
    EXPECT_GE(storedRows(QStringLiteral("Plot.db")), 1);
}

} // namespace
} // namespace orvex::e2e
