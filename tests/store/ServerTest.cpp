// What only the server engine has, on the tests' throw-away cluster: a
// server that cannot be reached and a table missing from the schema are
// database errors as a missing table file is; a connection lost while
// recording fails each write once and comes back by itself when the server
// is back, without losing or doubling a committed row; the site's roles
// (a station writes only its own schema, a viewer writes nothing); a
// password from the password file reaches neither the program folder nor
// the server log, and one in the URI is refused without being echoed; the
// copy between table files and a schema keeps record numbers and counts.
// The cases both engines share are in TableTest.cpp.
#include "store/Installer.h"
#include "store/ServerAdmin.h"
#include "tests/store/StoreTestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

using namespace orvex::store;
using orvex::store::test::Engine;
using orvex::store::test::StoreFixture;

namespace {

class ServerTest : public StoreFixture {
protected:
    Engine engine() const override { return Engine::Server; }

    void append(Table &t, int unit, int alarm = 0) {
        t.append();
        t.setValue(fields::Date, QDate(2026, 12, 1));
        t.setValue(fields::Time, QTime(10, 0));
        t.setValue(fields::UnitNo, unit);
        t.setValue(fields::Alarm, alarm);
        t.post();
    }

    QList<qint64> units(Table &t) {
        QList<qint64> u;
        for (t.first(); !t.eof(); t.next())
            u << t.asInteger(fields::UnitNo);
        return u;
    }

    // A login role with a password in a password file of its own, which the
    // client library reads through PGPASSFILE.
    void login(const QString &role, const QString &password, const QString &memberOf) {
        QString error;
        ASSERT_TRUE(cluster()->exec(
            {QStringLiteral("DROP ROLE IF EXISTS %1").arg(role),
             QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(role, password),
             QStringLiteral("GRANT %1 TO %2").arg(memberOf, role)},
            &error))
            << error.toStdString();
        QFile f(m_home.filePath(QStringLiteral("pgpass")));
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QStringLiteral("*:*:*:%1:%2\n").arg(role, password).toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        qputenv("PGPASSFILE", f.fileName().toLocal8Bit());
    }

    void TearDown() override { qunsetenv("PGPASSFILE"); }

    QTemporaryDir m_home;
};

TEST_F(ServerTest, AnUnreachableServerIsADatabaseErrorAsAMissingFileIs) {
    defineAlias(QString::fromLatin1(kAliasName),
                QStringLiteral("postgresql:///orvex?host=%1/nowhere&connect_timeout=2&schema=s1")
                    .arg(cluster()->socketFolder()));
    Table t;
    t.setDatabaseName(QString::fromLatin1(kAliasName));
    t.setTableName(QStringLiteral("Units.DB"));
    EXPECT_THROW(t.open(), DatabaseError);
    EXPECT_FALSE(t.isOpen());
}

TEST_F(ServerTest, ATableMissingFromTheSchemaIsReportedByItsName) {
    ASSERT_TRUE(cluster()->exec({QStringLiteral("DROP TABLE %1.\"Arc\"").arg(schema())}));
    Table t;
    t.setDatabaseName(QString::fromLatin1(kAliasName));
    t.setTableName(QStringLiteral("Arc.DB"));
    try {
        t.open();
        FAIL() << "opened a missing table";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Arc.DB"))) << e.text().toStdString();
    }
    // Installing again makes it, and keeps the tables that are there.
    const InstallResult again = reinstall();
    EXPECT_EQ(again.created, QStringList{QStringLiteral("Arc.DB")});
    EXPECT_EQ(again.kept.size(), 4);
}

TEST_F(ServerTest, ALostConnectionFailsEachWriteAndRecoversWhenTheServerIsBack) {
    auto t = open(QStringLiteral("Signals.DB"));
    append(*t, 1);
    ASSERT_TRUE(cluster()->stop());
    // Every write while the server is away fails with the table's error.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            Transaction tr(*t);
            append(*t, 2);
            tr.commit();
            ADD_FAILURE() << "recorded without a server";
        } catch (const StoreError &e) {
            EXPECT_TRUE(e.text().contains(QStringLiteral("Signals.DB"))) << e.text().toStdString();
        }
        if (t->state() != Table::State::Browse)
            t->cancel();
    }
    QString error;
    ASSERT_TRUE(cluster()->start(&error)) << error.toStdString();
    {
        Transaction tr(*t);
        append(*t, 3);
        tr.commit();
    }
    // The rows shown as recorded are there once each; the failed ones are not.
    EXPECT_EQ(units(*t), (QList<qint64>{1, 3}));
    EXPECT_EQ(t->recordCount(), 2);
}

TEST_F(ServerTest, TheTablesOfOneSchemaCommitTogetherOrNotAtAll) {
    auto plot = open(QStringLiteral("Plot.db"));
    auto sig = open(QStringLiteral("Signals.DB"));
    auto reader = open(QStringLiteral("Signals.DB"), {}, true);
    ASSERT_TRUE(plot->sharesConnectionWith(*sig));
    {
        TransactionGroup group({plot.get(), sig.get()});
        ASSERT_TRUE(group.isShared());
        {
            // A part's own commit inside the group commits nothing yet.
            Transaction part(*sig);
            append(*sig, 1);
            part.commit();
        }
        EXPECT_EQ(reader->recordCount(), 0);
        plot->append();
        plot->setValue(fields::UnitNo, 1);
        plot->post();
        group.commit();
    }
    EXPECT_EQ(reader->recordCount(), 1);
    EXPECT_EQ(plot->recordCount(), 1);
    {
        // A part that gives up fails the whole group, including the rows of
        // the parts before it.
        TransactionGroup group({plot.get(), sig.get()});
        append(*sig, 2);
        {
            Transaction part(*plot);
            plot->append();
            plot->setValue(fields::UnitNo, 2);
            plot->post();
        }
        EXPECT_THROW(group.commit(), StoreError);
    }
    EXPECT_EQ(units(*sig), QList<qint64>{1});
    EXPECT_EQ(sig->recordCount(), 1);
    EXPECT_EQ(plot->recordCount(), 1);
}

TEST_F(ServerTest, AConnectionLostInATransactionFailsAllOfItAndNothingRunsOutsideIt) {
    auto sig = open(QStringLiteral("Signals.DB"));
    auto plot = open(QStringLiteral("Plot.db"));
    append(*sig, 1);
    // A commit that the server refuses at its very end: the connection goes
    // while the deferred check of unit 9 runs.
    ASSERT_TRUE(cluster()->dropConnectionAtCommit(schema(), QStringLiteral("Signals"),
                                                  QStringLiteral("NEW.\"UnitNo\" = 9")));
    enum Break { Drop, Restart, AtCommit };
    for (Break how : {Drop, Restart, AtCommit}) {
        SCOPED_TRACE(int(how));
        TransactionGroup group({sig.get(), plot.get()});
        append(*sig, how == AtCommit ? 9 : 2);
        if (how == Drop) {
            ASSERT_TRUE(cluster()->dropConnections());
        } else if (how == Restart) {
            ASSERT_TRUE(cluster()->stop());
            ASSERT_TRUE(cluster()->start());
        }
        if (how != AtCommit) {
            // Neither a read (repeated on a new connection it would succeed)
            // nor a write (it would commit on its own) runs outside the
            // transaction that was lost.
            EXPECT_THROW(sig->refresh(), StoreError);
            EXPECT_THROW(append(*plot, 3), StoreError);
            plot->cancel();
        }
        try {
            group.commit();
            ADD_FAILURE() << "a lost transaction committed";
        } catch (const StoreError &e) {
            EXPECT_TRUE(e.text().contains(QStringLiteral(".DB")) ||
                        e.text().contains(QStringLiteral(".db")))
                << e.text().toStdString();
        }
    }
    // The next transaction connects again by itself.
    {
        TransactionGroup group({sig.get(), plot.get()});
        append(*sig, 4);
        group.commit();
    }
    EXPECT_EQ(units(*sig), (QList<qint64>{1, 4}));
    EXPECT_EQ(sig->recordCount(), 2);
    EXPECT_EQ(plot->recordCount(), 0);
}

TEST_F(ServerTest, AStationWritesOnlyItsOwnSchemaAndAViewerWritesNothing) {
    // A second station's schema on the same server.
    const QString other = orvex::test::PgCluster::freshSchema();
    createServerSchema(cluster()->storeUri(other));
    runServerScript(serverUri(), siteRolesScript(serverUri()));
    runServerScript(serverUri(), siteRolesScript(cluster()->storeUri(other)));
    login(QStringLiteral("station_a"), QStringLiteral("Pa55-station"),
          QStringLiteral("orvex_station_") + schema());
    login(QStringLiteral("viewer_a"), QStringLiteral("Pa55-viewer"),
          QStringLiteral("orvex_viewer"));

    auto openAs = [&](const QString &role, const QString &s, bool readOnly) {
        auto t = std::make_unique<Table>();
        t->setDatabaseName(cluster()->storeUri(s, role));
        t->setTableName(QStringLiteral("Signals.DB"));
        t->setReadOnly(readOnly);
        t->open();
        return t;
    };
    auto own = openAs(QStringLiteral("station_a"), schema(), false);
    append(*own, 4);
    EXPECT_EQ(own->recordCount(), 1);
    EXPECT_THROW(openAs(QStringLiteral("station_a"), other, false), StoreError);

    for (const QString &s : {schema(), other}) {
        auto viewer = openAs(QStringLiteral("viewer_a"), s, false);
        EXPECT_THROW(append(*viewer, 5), StoreError);
        viewer->cancel();
        auto reader = openAs(QStringLiteral("viewer_a"), s, true);
        EXPECT_EQ(reader->recordCount(), s == other ? 0 : 1);
    }
}

TEST_F(ServerTest, APasswordReachesNoFileOfTheProgramFolderAndNoLog) {
    runServerScript(serverUri(), siteRolesScript(serverUri()));
    const QByteArray secret = "Zq7-unlikely-secret";
    login(QStringLiteral("station_b"), QString::fromLatin1(secret),
          QStringLiteral("orvex_station_") + schema());
    defineAlias(QString::fromLatin1(kAliasName),
                cluster()->storeUri(schema(), QStringLiteral("station_b")));
    {
        auto t = open(QStringLiteral("Signals.DB"));
        append(*t, 1);
        // A failing statement puts the server's text in an error, and its log.
        auto u = open(QStringLiteral("Units.DB"));
        u->appendRecord({1, QStringLiteral("Пульт №1"), 1, QString()});
        EXPECT_THROW(u->appendRecord({1, QStringLiteral("Пульт №1"), 1, QString()}), StoreError);
    }
    QStringList files{cluster()->logFile()};
    QDirIterator it(programFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    for (const QString &file : files) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        EXPECT_FALSE(f.readAll().contains(secret)) << file.toStdString();
    }

    // A password written into the URI is refused, and not repeated.
    for (const QString &uri :
         {QStringLiteral("postgresql://station_b:%1@localhost/orvex?schema=s1"),
          QStringLiteral("postgresql:///orvex?password=%1&schema=s1")}) {
        try {
            parseServerUri(uri.arg(QString::fromLatin1(secret)));
            ADD_FAILURE() << "accepted a password in the URI";
        } catch (const DatabaseError &e) {
            EXPECT_FALSE(e.text().contains(QString::fromLatin1(secret)));
        }
    }
}

// A site script is done whole or not at all, and the statement that failed
// is the one reported: a role made before the failure is not left behind.
TEST_F(ServerTest, ASiteScriptThatFailsPartWayLeavesNothingOfIt) {
    const QStringList script = {QStringLiteral("CREATE ROLE orvex_half_done"),
                                QStringLiteral("GRANT no_such_role TO orvex_half_done")};
    try {
        runServerScript(serverUri(), script);
        ADD_FAILURE() << "the failing script passed";
    } catch (const StoreError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("no_such_role"))) << e.text().toStdString();
    }
    QString error;
    EXPECT_TRUE(cluster()->exec({QStringLiteral("CREATE ROLE orvex_half_done")}, &error))
        << "the role of the failed script was kept: " << error.toStdString();
    EXPECT_TRUE(cluster()->exec({QStringLiteral("DROP ROLE orvex_half_done")}, &error))
        << error.toStdString();
}

TEST_F(ServerTest, CopyingKeepsRecordNumbersAndCountsBothWays) {
    const QString folder = programFolder() + QStringLiteral("/Files");
    createDatabase(folder);
    {
        Table t;
        t.setDatabaseName(folder);
        t.setTableName(QStringLiteral("Signals.DB"));
        t.open();
        for (int u = 1; u <= 5; ++u)
            append(t, u);
        t.trimTo(3); // record numbers 3, 4, 5 remain
        Table units;
        units.setDatabaseName(folder);
        units.setTableName(QStringLiteral("Units.DB"));
        units.open();
        units.appendRecord({1, QStringLiteral("Пульт №1"), 7, QStringLiteral("котельная")});
    }
    QStringList lines;
    copyDatabase(folder, serverUri(), [&](const QString &l) { lines << l; });
    EXPECT_EQ(lines.size(), 5);
    auto t = open(QStringLiteral("Signals.DB"));
    EXPECT_EQ(t->recordCount(), 3);
    EXPECT_EQ(t->asInteger(fields::MeasIdx), 3);
    append(*t, 6); // the next record number follows the copied ones
    EXPECT_EQ(t->asInteger(fields::MeasIdx), 6);
    auto u = open(QStringLiteral("Units.DB"));
    EXPECT_EQ(u->asString(fields::UnitDescription), QStringLiteral("котельная"));

    // And back into a fresh folder; a second copy collides on the keys.
    const QString back = programFolder() + QStringLiteral("/Back");
    createDatabase(back);
    copyDatabase(serverUri(), back, {});
    Table b;
    b.setDatabaseName(back);
    b.setTableName(QStringLiteral("Signals.DB"));
    b.open();
    EXPECT_EQ(b.recordCount(), 4);
    b.last();
    EXPECT_EQ(b.asInteger(fields::MeasIdx), 6);
    EXPECT_THROW(copyDatabase(serverUri(), back, {}), StoreError);
    EXPECT_EQ(b.recordCount(), 4);
}

} // namespace

namespace {

struct UriCase {
    const char *uri;
    const char *database;
    const char *options; // joined by " "; nullptr: refused
    const char *schema;
};

TEST(ServerUri, SplitsIntoTheDriversPartsOrIsRefused) {
    const UriCase cases[] = {
        {"postgresql://station1@dbhost/orvex?sslmode=require&schema=boiler1", "orvex",
         "user=station1 host=dbhost sslmode=require", "boiler1"},
        {"postgres://dbhost:5433/orvex?schema=b2", "orvex", "host=dbhost port=5433", "b2"},
        {"postgresql:///orvex?host=/tmp/pg%20dir&schema=s", "orvex", "host='/tmp/pg dir'", "s"},
        {"postgresql://u@[::1]:5432,h2:5433/db?schema=s", "db", "user=u host=::1,h2 port=5432,5433",
         "s"},
        {"postgresql://u@h/db?application_name=a'b&schema=s", "db",
         "user=u host=h application_name='a\\'b'", "s"},
        {"postgresql://u@h/db", nullptr, nullptr, nullptr},                     // no schema
        {"postgresql://u@h/db?schema=a;drop", nullptr, nullptr, nullptr},       // not a name
        {"postgresql://u:secret@h/db?schema=s", nullptr, nullptr, nullptr},     // a password
        {"postgresql://u@h/db?password=x&schema=s", nullptr, nullptr, nullptr}, // a password
        {"postgresql://u@h/db?a%20b=1&schema=s", nullptr, nullptr, nullptr},    // not a key
    };
    for (const UriCase &c : cases) {
        SCOPED_TRACE(c.uri);
        const QString uri = QString::fromUtf8(c.uri);
        EXPECT_TRUE(isServerUri(uri));
        if (!c.options) {
            EXPECT_THROW(parseServerUri(uri), DatabaseError);
            continue;
        }
        const ServerLocation loc = parseServerUri(uri);
        EXPECT_EQ(loc.database, QString::fromUtf8(c.database));
        EXPECT_EQ(loc.options.join(QLatin1Char(' ')), QString::fromUtf8(c.options));
        EXPECT_EQ(loc.schema, QString::fromUtf8(c.schema));
        EXPECT_FALSE(loc.connection.contains(QLatin1String("schema=")));
    }
    EXPECT_FALSE(isServerUri(QStringLiteral("Database")));
    EXPECT_FALSE(isServerUri(QStringLiteral("/srv/postgresql/data")));
}

} // namespace
