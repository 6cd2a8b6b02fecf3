// Following a station's tables while another program records into them: a
// viewing workstation opens the tables read-only and is told when rows were
// added, so its windows can show them.
//
// On a server the follower listens on the notification channel that the
// station's schema announces its inserts on (kRowsChannel); a notification
// reaches it as soon as the recording commits. As a safety net, and to
// notice a listening connection that broke, it also checks every table
// every few seconds (a server that cannot listen, a hot standby, is
// followed as a folder is). In a database folder there is nothing to listen to:
// each table's kept row counter and its newest record number are read once
// a second (both are single-row reads, never a count over the table).
//
// A change is a new row count or a new newest record number: the current
// table and the plot table are trimmed from the front as they grow, so the
// count alone stays the same once they are full.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QTimer;

namespace orvex::store {

class Connection;
class Table;

class StationFollower : public QObject {
    Q_OBJECT
public:
    // The tables followed: the current data, the archive, the plot table,
    // and the event journal where the station has one.
    static QStringList followedTables();

    explicit StationFollower(QObject *parent = nullptr);
    ~StationFollower() override;

    // Starts following the station at `databaseName` (an alias or a folder),
    // ending any earlier following first. The tables are opened read-only;
    // one that cannot be opened raises StoreError (DatabaseError when the
    // database cannot be reached), except a missing event journal, which is
    // left out.
    void follow(const QString &databaseName);
    void stop();
    bool isFollowing() const { return !m_tables.empty(); }
    QString databaseName() const { return m_databaseName; }
    // True when the station is on a server and its notifications are heard.
    bool listens() const { return m_listener != nullptr; }
    // The tables followed now (file names).
    QStringList tables() const;

    // How often the tables are checked: each second in a folder, as a safety
    // net every few seconds on a server; setCheckInterval overrides both.
    int checkInterval() const;
    void setCheckInterval(int ms);

    // Reads every table's counter now and reports the changes.
    void checkAll();

signals:
    // Rows were added to (or deleted from) `table` ("Signals.DB"); `rowCount`
    // is its row count now.
    void rowsChanged(const QString &table, qint64 rowCount);
    // A check failed (the server went away, a file is locked for long);
    // reported once until a check succeeds again, which reports recovered().
    void failed(const QString &text);
    void recovered();

private:
    struct Followed;
    void check(Followed &f);
    void listen();
    void tryListening();
    void setTimerInterval();
    void onNotification(const QString &payload);
    void checkListener();
    void reportFailure(const QString &text);
    void reportSuccess();

    QString m_databaseName;
    QString m_schema;
    std::vector<std::unique_ptr<Followed>> m_tables;
    std::unique_ptr<Connection> m_listener;
    QTimer *m_timer = nullptr;
    int m_interval = 0; // set by setCheckInterval; 0: by the engine
    QElapsedTimer m_listenTried;
    bool m_failing = false;
};

} // namespace orvex::store
