// Following a station's tables: notifications on a server, the kept row
// counters once a second in a database folder.
#include "store/StationFollower.h"

#include "store/Connection.h"
#include "store/Events.h"
#include "store/Location.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/StoreTexts.h"
#include "store/Table.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QTimer>

namespace orvex::store {

namespace {

constexpr int kFolderInterval = 1000; // ms: the counters of files are read
constexpr int kServerInterval = 5000; // ms: the safety net beside notifications
constexpr int kListenRetry = 30000;   // ms: a server that could not listen is asked again

} // namespace

struct StationFollower::Followed {
    Table table;
    QString payload; // "schema.table" as a notification names it
    qint64 count = -1;
    qint64 newest = -1;
};

QStringList StationFollower::followedTables() {
    return {signalsTable().fileName, arcTable().fileName, plotTable().fileName,
            QString::fromLatin1(kEventsFile)};
}

StationFollower::StationFollower(QObject *parent) : QObject(parent), m_timer(new QTimer(this)) {
    m_timer->setInterval(kFolderInterval);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (!m_schema.isEmpty())
            checkListener();
        checkAll();
    });
}

StationFollower::~StationFollower() {
    stop();
}

QStringList StationFollower::tables() const {
    QStringList names;
    for (const auto &f : m_tables)
        names << f->table.tableName();
    return names;
}

int StationFollower::checkInterval() const {
    return m_timer->interval();
}

void StationFollower::setCheckInterval(int ms) {
    m_interval = ms;
    setTimerInterval();
}

void StationFollower::stop() {
    m_timer->stop();
    m_listener.reset();
    for (auto &f : m_tables) {
        try {
            f->table.close();
        } catch (...) {
            // A read-only handle has nothing to post; closing cannot fail.
        }
    }
    m_tables.clear();
    m_databaseName.clear();
    m_schema.clear();
    m_listenTried.invalidate();
    m_failing = false;
}

void StationFollower::follow(const QString &databaseName) {
    stop();
    const DatabaseLocation location = locateDatabase(databaseName);
    const QString journal = QString::fromLatin1(kEventsFile);
    std::vector<std::unique_ptr<Followed>> tables;
    for (const QString &name : followedTables()) {
        auto f = std::make_unique<Followed>();
        f->table.setDatabaseName(databaseName);
        f->table.setTableName(name);
        f->table.setReadOnly(true);
        try {
            f->table.open();
        } catch (const DatabaseError &) {
            // A station without a journal is followed without it.
            if (name == journal)
                continue;
            throw;
        }
        if (location.isServer())
            f->payload = location.server.schema + QLatin1Char('.') + f->table.definition().sqlName;
        check(*f);
        tables.push_back(std::move(f));
    }
    m_tables = std::move(tables);
    m_databaseName = databaseName;
    if (location.isServer()) {
        m_schema = location.server.schema;
        tryListening();
    }
    setTimerInterval();
    m_timer->start();
}

void StationFollower::setTimerInterval() {
    m_timer->setInterval(m_interval > 0 ? m_interval
                         : m_listener   ? kServerInterval
                                        : kFolderInterval);
}

// A server that cannot listen (a hot standby refuses LISTEN) is followed as
// a folder is, by its counters each second; listening is tried again now
// and then.
void StationFollower::tryListening() {
    m_listenTried.start();
    try {
        listen();
    } catch (const StoreError &) {
        m_listener.reset();
    }
    setTimerInterval();
}

// A connection of its own that only listens: it never runs a transaction,
// so notifications are delivered as soon as they arrive (the driver watches
// its socket in the event loop).
void StationFollower::listen() {
    const DatabaseLocation location = locateDatabase(m_databaseName);
    const ServerLocation &server = location.server;
    auto c =
        std::make_unique<Connection>(*postgresDialect(server.schema), QStringLiteral("LISTEN"));
    applyServerLocation(c->database(), server);
    if (!c->database().open())
        throw DatabaseError(texts::serverUnreachable(
            server.display, Connection::errorText(c->database().lastError())));
    QSqlDriver *driver = c->database().driver();
    const QString channel = QString::fromLatin1(kRowsChannel);
    if (!driver->subscribeToNotification(channel))
        throw DatabaseError(
            texts::serverUnreachable(server.display, Connection::errorText(driver->lastError())));
    connect(driver, &QSqlDriver::notification, this,
            [this, channel](const QString &name, QSqlDriver::NotificationSource,
                            const QVariant &payload) {
                if (name == channel)
                    onNotification(payload.toString());
            });
    m_listener = std::move(c);
}

void StationFollower::onNotification(const QString &payload) {
    for (auto &f : m_tables) {
        if (f->payload == payload) {
            try {
                check(*f);
                reportSuccess();
            } catch (const StoreError &e) {
                reportFailure(e.text());
            }
        }
    }
}

// A listening connection that broke (the server restarted) hears nothing
// more: it is made anew, and the check that follows catches up on what was
// announced meanwhile.
void StationFollower::checkListener() {
    if (m_listener) {
        QSqlQuery q(m_listener->database());
        if (q.exec(QStringLiteral("SELECT 1")))
            return;
        m_listener.reset();
    } else if (m_listenTried.isValid() && m_listenTried.elapsed() < kListenRetry) {
        return;
    }
    tryListening();
}

void StationFollower::checkAll() {
    try {
        for (auto &f : m_tables)
            check(*f);
        reportSuccess();
    } catch (const StoreError &e) {
        reportFailure(e.text());
    }
}

void StationFollower::check(Followed &f) {
    const qint64 count = f.table.recordCount();
    const QList<Row> last = f.table.lastPage(1);
    const qint64 newest = last.isEmpty() ? 0 : last.first().rowId;
    const bool first = f.count < 0;
    const bool changed = count != f.count || newest != f.newest;
    f.count = count;
    f.newest = newest;
    if (changed && !first)
        emit rowsChanged(f.table.tableName(), count);
}

void StationFollower::reportFailure(const QString &text) {
    if (m_failing)
        return;
    m_failing = true;
    emit failed(text);
}

void StationFollower::reportSuccess() {
    if (!m_failing)
        return;
    m_failing = false;
    emit recovered();
}

} // namespace orvex::store
