// The connection of a table handle and the scoped statement.
#include "store/Connection.h"

#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <QCoreApplication>
#include <vector>

namespace orvex::store {
namespace {

bool isRepeatable(const QString &sql) {
    for (const char *start : {"SELECT", "BEGIN", "SET"}) {
        if (sql.startsWith(QLatin1String(start), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

int nextConnectionNumber() {
    static int n = 0;
    return ++n;
}

// The idle connections. Deliberately never destroyed as a static: they are
// closed when the application object goes, while the SQL driver still works.
std::map<QString, std::vector<std::unique_ptr<Connection>>> &idleConnections() {
    static auto *idle = [] {
        auto *m = new std::map<QString, std::vector<std::unique_ptr<Connection>>>;
        qAddPostRoutine([] { idleConnections().clear(); });
        return m;
    }();
    return *idle;
}

constexpr std::size_t kIdlePerKey = 8;

// The connection each key's open handles share; gone when they all let go.
std::map<QString, std::weak_ptr<Connection>> &sharedConnections() {
    static auto *shared = new std::map<QString, std::weak_ptr<Connection>>;
    return *shared;
}

} // namespace

std::shared_ptr<Connection> Connection::shared(const QString &key) {
    if (key.isEmpty())
        return nullptr;
    auto &all = sharedConnections();
    auto it = all.find(key);
    if (it != all.end()) {
        if (std::shared_ptr<Connection> c = it->second.lock())
            return c;
    }
    std::unique_ptr<Connection> idle = takeIdle(key);
    return idle ? share(std::move(idle)) : nullptr;
}

std::shared_ptr<Connection> Connection::share(std::unique_ptr<Connection> connection) {
    const QString key = connection->m_poolKey;
    if (key.isEmpty())
        return std::shared_ptr<Connection>(connection.release());
    std::shared_ptr<Connection> c(connection.release(), [](Connection *last) {
        keepIdle(std::unique_ptr<Connection>(last));
    });
    sharedConnections()[key] = c;
    return c;
}

std::unique_ptr<Connection> Connection::takeIdle(const QString &key) {
    auto &idle = idleConnections();
    auto it = idle.find(key);
    if (key.isEmpty() || it == idle.end() || it->second.empty())
        return nullptr;
    std::unique_ptr<Connection> c = std::move(it->second.back());
    it->second.pop_back();
    return c;
}

void Connection::keepIdle(std::unique_ptr<Connection> connection) {
    if (!connection || connection->m_poolKey.isEmpty() || connection->m_lost ||
        connection->m_depth > 0 || !connection->m_db.isOpen() || !QCoreApplication::instance())
        return;
    auto &list = idleConnections()[connection->m_poolKey];
    if (list.size() < kIdlePerKey)
        list.push_back(std::move(connection));
}

Connection::Connection(const SqlDialect &dialect, const QString &tableName)
    : m_dialect(dialect), m_tableName(tableName),
      m_name(QStringLiteral("orvex_store_%1").arg(nextConnectionNumber())) {
    m_db = QSqlDatabase::addDatabase(dialect.driverName(), m_name);
}

Connection::~Connection() {
    m_statements.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlQuery *Connection::statement(const QString &sql, QSqlError &error) {
    auto it = m_statements.find(sql);
    if (it != m_statements.end())
        return it->second.get();
    auto q = std::make_unique<QSqlQuery>(m_db);
    q->setForwardOnly(true);
    if (!q->prepare(sql)) {
        error = q->lastError();
        return nullptr;
    }
    return m_statements.emplace(sql, std::move(q)).first->second.get();
}

void Connection::runSessionSetup() {
    if (m_setUp)
        return;
    m_setUp = true;
    for (const QString &sql : m_sessionSetup) {
        Statement s(*this, sql, {});
        while (s.next()) {
        }
    }
}

void Connection::reconnect() {
    m_statements.clear();
    m_db.close();
    if (!m_db.open())
        throw StoreError(texts::sqlFailed(m_tableName, errorText(m_db.lastError())));
    m_lost = false;
    m_setUp = false;
    runSessionSetup();
}

void Connection::begin(const QString &sql) {
    if (m_depth > 0) {
        ++m_depth;
        return;
    }
    Statement::run(*this, sql);
    m_depth = 1;
    m_failed = false;
}

bool Connection::commit() {
    if (m_depth > 1) {
        --m_depth;
        return false;
    }
    if (m_depth == 1 && m_failed) {
        try {
            rollback();
        } catch (const StoreError &) {
            // The transaction is over either way; its failure is reported.
        }
        throw StoreError(texts::sqlFailed(m_tableName, m_lost ? texts::connectionLostInTransaction()
                                                              : texts::transactionFailed()));
    }
    // A commit that fails leaves the transaction to the rollback that follows
    // (a file's busy commit keeps it open).
    Statement::run(*this, QStringLiteral("COMMIT"));
    m_depth = 0;
    return true;
}

bool Connection::rollback() {
    noteChange();
    if (m_depth > 1) {
        --m_depth;
        m_failed = true;
        return false;
    }
    const bool open = m_depth == 1;
    m_depth = 0;
    m_failed = false;
    // A broken connection took its transaction with it on the server.
    if (!(open && m_lost))
        Statement::run(*this, QStringLiteral("ROLLBACK"));
    return true;
}

void Connection::runInTransaction(const std::function<void()> &body, const QString &sql) {
    begin(sql);
    try {
        body();
        commit();
    } catch (...) {
        try {
            if (inTransaction())
                rollback();
        } catch (const StoreError &) {
            // The error that ended the transaction is the one reported.
        }
        throw;
    }
}

void Connection::noteFailure() {
    if (m_depth > 0 && (m_lost || m_dialect.failureEndsTransaction()))
        m_failed = true;
}

QString Connection::errorText(const QSqlError &e) {
    const QString db = e.databaseText();
    return db.isEmpty() ? e.text() : db;
}

Statement::Statement(Connection &connection, const QString &sql, const QVariantList &binds)
    : m_connection(connection) {
    try {
        start(sql, binds);
    } catch (const StoreError &) {
        // A connection found broken by a statement that changes nothing
        // (a read, BEGIN, a session setting) is opened again and the
        // statement repeated once: after the server is back, the first use
        // of each handle then works instead of failing with the old
        // connection. A write is never repeated: it may have been done.
        // Inside a transaction nothing is repeated: the transaction went
        // with the connection, and a repeat would run outside it.
        if (!connection.isLost() || !isRepeatable(sql) || connection.inTransaction())
            throw;
        start(sql, binds);
    }
}

void Statement::start(const QString &sql, const QVariantList &binds) {
    Connection &connection = m_connection;
    if (!sql.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive))
        connection.noteChange();
    if (connection.isLost()) {
        if (connection.inTransaction()) {
            connection.noteFailure();
            throw StoreError(
                texts::sqlFailed(connection.tableName(), texts::connectionLostInTransaction()));
        }
        connection.reconnect();
    }
    if (binds.isEmpty() && !connection.dialect().preparesPlainStatements()) {
        // Transaction control and session settings cannot be prepared on
        // every engine; a statement without parameters runs as it is.
        m_own = std::make_unique<QSqlQuery>(connection.database());
        m_own->setForwardOnly(true);
        m_query = m_own.get();
        if (!m_query->exec(sql))
            fail(m_query->lastError());
        return;
    }
    QSqlError error;
    m_query = connection.statement(sql, error);
    if (!m_query)
        fail(error);
    if (m_query->isActive()) {
        // The kept statement is still being read by a caller further up
        // (handles sharing the connection): this run gets one of its own.
        m_own = std::make_unique<QSqlQuery>(connection.database());
        m_own->setForwardOnly(true);
        m_query = m_own.get();
        if (!m_query->prepare(sql))
            fail(m_query->lastError());
    }
    for (int i = 0; i < binds.size(); ++i)
        m_query->bindValue(i, binds[i]);
    if (!m_query->exec()) {
        const QSqlError e = m_query->lastError();
        m_query->finish();
        fail(e);
    }
}

Statement::~Statement() {
    if (m_query)
        m_query->finish();
}

bool Statement::next() {
    if (m_query->next())
        return true;
    if (m_query->lastError().isValid())
        fail(m_query->lastError());
    return false;
}

void Statement::run(Connection &connection, const QString &sql, const QVariantList &binds) {
    Statement s(connection, sql, binds);
}

void Statement::fail(const QSqlError &e) {
    if (m_connection.dialect().isConnectionLost(e))
        m_connection.markLost();
    m_connection.noteFailure();
    if (m_connection.dialect().isKeyViolation(e))
        throw StoreError(texts::keyViolation(m_connection.tableName()));
    throw StoreError(texts::sqlFailed(m_connection.tableName(), Connection::errorText(e)));
}

} // namespace orvex::store
