// A writer killed with SIGKILL in the middle of its work: every table file
// must pass SQLite's integrity check, its kept row count must equal the real
// one, and every row the writer reported as committed must be there.
#include "tests/store/StoreTestSupport.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <csignal>

using namespace orvex::store;
using orvex::store::test::StoreFixture;

namespace {

struct Check {
    QString integrity;
    qint64 kept = -1, counted = -2;
    QSet<qint64> ids;
};

Check inspect(const QString &file, const QString &table) {
    Check c;
    const QString name = QStringLiteral("inspect");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next())
                c.integrity = q.value(0).toString();
            if (q.exec(QStringLiteral("SELECT n FROM orvex_rowcount")) && q.next())
                c.kept = q.value(0).toLongLong();
            if (q.exec(QStringLiteral("SELECT count(*) FROM ") + table) && q.next())
                c.counted = q.value(0).toLongLong();
            q.exec(QStringLiteral("SELECT Meas_IDX FROM ") + table);
            while (q.next())
                c.ids.insert(q.value(0).toLongLong());
        }
    }
    QSqlDatabase::removeDatabase(name);
    return c;
}

} // namespace

class KillTest : public StoreFixture {};

TEST_F(KillTest, KilledWriterLeavesSoundTablesWithEveryReportedRow) {
    QSet<qint64> reportedSignals, reportedArc;
    for (int round = 0; round < 3; ++round) {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QStringLiteral(STORE_KILL_CHILD), {databaseFolder()});
        ASSERT_TRUE(child.waitForStarted(10000));
        QByteArray out;
        // Let it commit a number of rows (more each round), then kill it
        // wherever it is.
        const int wanted = 50 + 70 * round;
        QDeadlineTimer deadline(60000);
        while (out.count("S ") < wanted && !deadline.hasExpired() &&
               child.state() == QProcess::Running) {
            child.waitForReadyRead(200);
            out += child.readAllStandardOutput();
        }
        ASSERT_EQ(child.state(), QProcess::Running) << child.readAllStandardError().toStdString();
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
        out += child.readAllStandardOutput();
        for (const QByteArray &line : out.split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() != 2)
                continue; // a line cut by the kill
            (parts[0] == "S" ? reportedSignals : reportedArc).insert(parts[1].toLongLong());
        }
        EXPECT_GE(reportedSignals.size(), wanted);
        for (const auto &[file, table] :
             {std::pair{"Signals.DB", "Signals"}, std::pair{"Arc.DB", "Arc"},
              std::pair{"Plot.db", "Plot"}}) {
            const Check c = inspect(databaseFolder() + QLatin1Char('/') + QLatin1String(file),
                                    QLatin1String(table));
            EXPECT_EQ(c.integrity, QStringLiteral("ok")) << file;
            EXPECT_EQ(c.kept, c.counted) << file;
            const QSet<qint64> &reported =
                QLatin1String(file) == QLatin1String("Signals.DB") ? reportedSignals
                : QLatin1String(file) == QLatin1String("Arc.DB")   ? reportedArc
                                                                   : QSet<qint64>();
            for (qint64 id : reported)
                EXPECT_TRUE(c.ids.contains(id)) << file << " lost row " << id;
            if (QLatin1String(file) == QLatin1String("Plot.db")) {
                EXPECT_LE(c.counted, 52);
            }
        }
    }
    // The tables still open and append through the store afterwards.
    auto t = open(QStringLiteral("Signals.DB"));
    const qint64 before = t->recordCount();
    t->append();
    t->setValue(QStringLiteral("UnitNo"), 1);
    t->post();
    EXPECT_EQ(t->recordCount(), before + 1);
}
