// A throw-away PostgreSQL 15 cluster for the tests: initdb and pg_ctl from
// the Debian server package, in a temporary folder, listening only on a Unix
// socket in that folder. The server refuses to run as root, so under root
// (as on CI) it runs as the "postgres" account, which owns the folder.
//
// One cluster serves a whole test program; each test takes its own schema.
// A machine without the server makes the tests that need it fail with a
// message that names the package to install.
#pragma once

#include <QString>
#include <QStringList>

namespace orvex::test {

class PgCluster {
public:
    // The running cluster of this test program, started on first use;
    // nullptr with `error` set when it cannot be started.
    static PgCluster *instance(QString *error);

    // A connection URI of the store for `schema`, as the alias file holds it.
    QString storeUri(const QString &schema, const QString &user = QStringLiteral("orvex")) const;
    // The plain libpq URI (no schema) for `user`.
    QString uri(const QString &user = QStringLiteral("orvex")) const;
    QString socketFolder() const { return m_folder; }
    QString logFile() const;

    // Runs statements as the superuser on the test database; false with
    // `error` set on the first failure.
    bool exec(const QStringList &statements, QString *error = nullptr) const;
    // A schema name no other test of this run uses.
    static QString freshSchema();

    // Ends every client connection but the caller's own, as a broken network
    // would: the server rolls their open transactions back.
    bool dropConnections(QString *error = nullptr) const;

    // Makes the server drop the connection of whoever commits a row of
    // `table` in `schema` for which `condition` holds (on NEW): a deferred
    // constraint trigger ends its own backend, the last moment before the
    // commit is written.
    bool dropConnectionAtCommit(const QString &schema, const QString &table,
                                const QString &condition, QString *error = nullptr) const;

    // Stops the server at once (as a crash would) and starts it again.
    bool stop(QString *error = nullptr);
    bool start(QString *error = nullptr);

    ~PgCluster();

private:
    PgCluster() = default;
    bool run(const QStringList &command, QString *error) const;
    bool setUp(QString *error);
    bool makeDataFolder(QString *error);

    QString m_folder;
    bool m_running = false;
    bool m_asPostgres = false;
};

// Fails the current test (with what to install) when there is no server.
#define ORVEX_REQUIRE_PG_CLUSTER(cluster)                                                          \
    QString cluster##Error;                                                                        \
    ::orvex::test::PgCluster *cluster = ::orvex::test::PgCluster::instance(&cluster##Error);       \
    ASSERT_NE(cluster, nullptr) << cluster##Error.toStdString()

} // namespace orvex::test
