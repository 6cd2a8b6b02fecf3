// One database connection of table handles, with its prepared statements,
// its transaction, and the scoped run of one statement. Statements are kept
// prepared between calls but always finished after use, so none holds a read
// snapshot or a server-side cursor between operations.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>

namespace orvex::store {

class SqlDialect;

class Connection {
public:
    // A connection through the engine's Qt SQL driver, not yet open.
    // `tableName` names the table in error texts.
    Connection(const SqlDialect &dialect, const QString &tableName);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QSqlDatabase &database() { return m_db; }
    const SqlDialect &dialect() const { return m_dialect; }
    const QString &tableName() const { return m_tableName; }
    void setTableName(const QString &name) { m_tableName = name; }

    // Server connections are costly to open (a server process each), so a
    // closed handle leaves its connection idle for the next handle of the
    // same server, user, schema and mode. `key` says which; empty for files.
    static std::unique_ptr<Connection> takeIdle(const QString &key);
    static void keepIdle(std::unique_ptr<Connection> connection);
    void setPoolKey(const QString &key) { m_poolKey = key; }

    // The handles of one server, user, schema and mode share one connection,
    // so that the writes of several tables can be one transaction.
    // `shared` returns the connection the open handles of `key` use, or an
    // idle one of that key, or nullptr. `share` makes a new connection the
    // one of its key (a connection without a key, a file's, stays private);
    // when its last handle lets go it becomes idle.
    static std::shared_ptr<Connection> shared(const QString &key);
    static std::shared_ptr<Connection> share(std::unique_ptr<Connection> connection);

    // The prepared statement for `sql`, prepared on first use; nullptr with
    // `error` set when it cannot be prepared.
    QSqlQuery *statement(const QString &sql, QSqlError &error);
    // Statements run after every (re)connection: journal, durability,
    // read-only mode.
    // An idle connection taken again has run them already.
    void setSessionSetup(const QStringList &statements) { m_sessionSetup = statements; }
    void runSessionSetup();

    // A server connection that broke is marked lost by the failing statement;
    // the next statement opens it again (and fails with the server's text
    // while the server stays away), so a poll after the server is back
    // works without a restart.
    bool isLost() const { return m_lost; }
    void markLost() { m_lost = true; }
    void reconnect();

    // --- the transaction -----------------------------------------------------
    // `begin` starts a transaction with `sql`, or joins the one already open
    // on this connection: only the outermost commit commits. A joined part
    // that rolls back leaves the transaction failed, and a failed
    // transaction (on an engine where a failed statement ends it, or with a
    // connection lost on the way) never commits: its commit rolls back and
    // raises. `commit` and `rollback` return true when the transaction ended.
    bool inTransaction() const { return m_depth > 0; }
    void begin(const QString &sql);
    bool commit();
    bool rollback();
    // Runs `body` in a transaction of its own, begun with `sql`: all of it
    // is committed, or, when anything in it (or the commit) raises, none of
    // it, and the first error goes on to the caller.
    void runInTransaction(const std::function<void()> &body,
                          const QString &sql = QStringLiteral("BEGIN"));
    // A statement of the open transaction failed.
    void noteFailure();

    // Rises with every statement that may change rows (anything but a
    // SELECT, and every commit and rollback), through any handle of the
    // connection: a row count learnt from a write stays valid while this
    // has not moved.
    quint64 changes() const { return m_changes; }
    void noteChange() { ++m_changes; }

    // The text of an engine error as the store reports it.
    static QString errorText(const QSqlError &e);

private:
    const SqlDialect &m_dialect;
    QString m_tableName;
    QString m_name;
    QSqlDatabase m_db;
    std::map<QString, std::unique_ptr<QSqlQuery>> m_statements;
    QStringList m_sessionSetup;
    bool m_lost = false;
    QString m_poolKey;
    bool m_setUp = false; // the session set-up ran on this connection
    int m_depth = 0;      // begun and joined parts of the open transaction
    quint64 m_changes = 0;
    bool m_failed = false;
};

// Runs one statement with positional parameters and finishes it when it
// goes out of scope. A failure raises StoreError: a key violation with its
// own text, anything else with the engine's text.
class Statement {
public:
    Statement(Connection &connection, const QString &sql, const QVariantList &binds);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool next();
    QVariant value(int i) const { return m_query->value(i); }
    QSqlQuery &query() { return *m_query; }

    // Runs a statement that returns nothing of interest.
    static void run(Connection &connection, const QString &sql, const QVariantList &binds = {});

private:
    void start(const QString &sql, const QVariantList &binds);
    [[noreturn]] void fail(const QSqlError &e);

    Connection &m_connection;
    QSqlQuery *m_query = nullptr;
    std::unique_ptr<QSqlQuery> m_own;
    bool m_connectionLost = false; // failed because the connection broke
};

} // namespace orvex::store
