// The tests' throw-away PostgreSQL cluster.
#include "tests/support/PgCluster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace orvex::test {
namespace {

const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin");
const QString kDatabase = QStringLiteral("orvex");
const QString kSuperuser = QStringLiteral("orvex");
const QString kInstallHint = QStringLiteral(
    "no PostgreSQL 15 server for the tests: install the Debian packages postgresql-15 and "
    "libqt6sql6-psql (scripts/install-deps.sh)");

std::unique_ptr<PgCluster> &theCluster() {
    static std::unique_ptr<PgCluster> c;
    return c;
}

QString quotedArg(const QString &s) {
    QString q = s;
    q.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

} // namespace

PgCluster *PgCluster::instance(QString *error) {
    static QString failure;
    auto &c = theCluster();
    if (!c && failure.isEmpty()) {
        std::unique_ptr<PgCluster> fresh(new PgCluster);
        if (fresh->setUp(&failure))
            c = std::move(fresh);
    }
    if (!c && error)
        *error = failure;
    return c.get();
}

bool PgCluster::run(const QStringList &command, QString *error) const {
    QStringList argv = command;
    if (m_asPostgres)
        argv = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"),
                           QStringLiteral("postgres"), QStringLiteral("--")} +
               argv;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_folder);
    p.start(argv.first(), argv.mid(1));
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = argv.join(QLatin1Char(' ')) + QStringLiteral(": ") +
                     QString::fromLocal8Bit(p.readAll()).trimmed();
        return false;
    }
    return true;
}

bool PgCluster::setUp(QString *error) {
    if (!QFileInfo(kBin + QStringLiteral("/initdb")).isExecutable() ||
        !QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *error = kInstallHint;
        return false;
    }
    char pattern[] = "/tmp/orvex-pg-XXXXXX";
    if (!mkdtemp(pattern)) {
        *error = QStringLiteral("cannot make a temporary folder for the test cluster");
        return false;
    }
    m_folder = QString::fromLocal8Bit(pattern);
    m_asPostgres = geteuid() == 0;
    if (m_asPostgres) {
        const passwd *pw = getpwnam("postgres");
        if (!pw || chown(pattern, pw->pw_uid, pw->pw_gid) != 0) {
            *error = QStringLiteral("no \"postgres\" account to run the test cluster as: ") +
                     kInstallHint;
            return false;
        }
    }
    if (!makeDataFolder(error))
        return false;
    if (!start(error))
        return false;
    // The test database, made through the maintenance database.
    const QString name = QStringLiteral("orvex_pg_setup");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setConnectOptions(QStringLiteral("host=%1 user=%2").arg(m_folder, kSuperuser));
        ok = db.open();
        if (ok) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("CREATE DATABASE ") + kDatabase);
            if (!ok)
                *error = q.lastError().text();
        } else {
            *error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// initdb is slow on a loaded machine and every test program starts its own
// cluster, so one initialised data folder is kept as a template and copied.
// The superuser logs in without a password; every other role needs one (from
// the password file the test provides), as on a site.
bool PgCluster::makeDataFolder(QString *error) {
    const QString tmpl = QStringLiteral("/tmp/orvex-pg-template-15-%1").arg(geteuid());
    if (!QFileInfo::exists(tmpl + QStringLiteral("/PG_VERSION"))) {
        const QString fresh = m_folder + QStringLiteral("/template");
        if (!run({kBin + QStringLiteral("/initdb"), QStringLiteral("-D"), fresh,
                  QStringLiteral("-U"), kSuperuser, QStringLiteral("-A"), QStringLiteral("trust"),
                  QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale"),
                  QStringLiteral("--no-sync")},
                 error))
            return false;
        QFile hba(fresh + QStringLiteral("/pg_hba.conf"));
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            hba.write("local all orvex trust\nlocal all all scram-sha-256\n") < 0) {
            *error = QStringLiteral("cannot write the test cluster's pg_hba.conf");
            return false;
        }
        hba.close();
        // Another test program may have made the template meanwhile: the
        // rename fails then and that one is used.
        ::rename(fresh.toLocal8Bit().constData(), tmpl.toLocal8Bit().constData());
    }
    return run({QStringLiteral("cp"), QStringLiteral("-a"), tmpl, m_folder + "/data"}, error) &&
           run({QStringLiteral("chmod"), QStringLiteral("700"), m_folder + "/data"}, error);
}

bool PgCluster::start(QString *error) {
    // Unix socket only, in the cluster's folder; commits wait for the disk.
    const QString options = QStringLiteral("-k %1 -h '' -p 5432 -c fsync=on -c "
                                           "synchronous_commit=on -c max_connections=300")
                                .arg(m_folder);
    m_running = run({kBin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), m_folder + "/data",
                     QStringLiteral("-l"), logFile(), QStringLiteral("-o"), options,
                     QStringLiteral("-w"), QStringLiteral("start")},
                    error);
    return m_running;
}

bool PgCluster::stop(QString *error) {
    const bool ok = run({kBin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), m_folder + "/data",
                         QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
                         QStringLiteral("stop")},
                        error);
    m_running = m_running && !ok;
    return ok;
}

PgCluster::~PgCluster() {
    // Static destruction: no event loop to rely on, so a plain shell call.
    if (m_running) {
        QString cmd = kBin + QStringLiteral("/pg_ctl -D ") + quotedArg(m_folder + "/data") +
                      QStringLiteral(" -m immediate -w stop >/dev/null 2>&1");
        if (m_asPostgres)
            cmd = QStringLiteral("runuser -u postgres -- ") + cmd;
        [[maybe_unused]] const int rc = std::system(cmd.toLocal8Bit().constData());
    }
    if (!m_folder.isEmpty() && m_folder.startsWith(QLatin1String("/tmp/orvex-pg-")))
        QDir(m_folder).removeRecursively();
}

QString PgCluster::logFile() const {
    return m_folder + QStringLiteral("/server.log");
}

QString PgCluster::uri(const QString &user) const {
    return QStringLiteral("postgresql:///%1?host=%2&user=%3").arg(kDatabase, m_folder, user);
}

QString PgCluster::storeUri(const QString &schema, const QString &user) const {
    return uri(user) + QStringLiteral("&schema=") + schema;
}

bool PgCluster::dropConnectionAtCommit(const QString &schema, const QString &table,
                                       const QString &condition, QString *error) const {
    return exec(
        {QStringLiteral("CREATE FUNCTION %1.drop_me() RETURNS trigger LANGUAGE plpgsql AS $f$ "
                        "BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NULL; END "
                        "$f$")
             .arg(schema),
         QStringLiteral("CREATE CONSTRAINT TRIGGER drop_me AFTER INSERT ON %1.\"%2\" "
                        "DEFERRABLE INITIALLY DEFERRED FOR EACH ROW WHEN (%3) "
                        "EXECUTE FUNCTION %1.drop_me()")
             .arg(schema, table, condition)},
        error);
}

bool PgCluster::exec(const QStringList &statements, QString *error) const {
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("orvex_pg_exec_%1").arg(++serial);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setDatabaseName(kDatabase);
        db.setConnectOptions(QStringLiteral("host=%1 user=%2").arg(m_folder, kSuperuser));
        if (!db.open()) {
            ok = false;
            if (error)
                *error = db.lastError().text();
        }
        for (int i = 0; ok && i < statements.size(); ++i) {
            QSqlQuery q(db);
            if (!q.exec(statements[i])) {
                ok = false;
                if (error)
                    *error = statements[i] + QStringLiteral(": ") + q.lastError().text();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool PgCluster::dropConnections(QString *error) const {
    return exec(
        {QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE "
                        "backend_type = 'client backend' AND pid <> pg_backend_pid()")},
        error);
}

QString PgCluster::freshSchema() {
    static std::atomic<int> serial{0};
    return QStringLiteral("st%1_%2").arg(getpid()).arg(++serial);
}

} // namespace orvex::test
