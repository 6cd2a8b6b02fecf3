// Events.DB: its definition, its installation into an existing database
// folder, and the writer with its own connection.
#include "store/Events.h"

#include "store/Installer.h"
#include "store/Location.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QVariant>
#include <unistd.h>

namespace orvex::store {
namespace {

const QString kSqlName = QStringLiteral("Events");

// The events that wait for acknowledgement: trips and lost units.
const QString kPendingCondition =
    QStringLiteral("\"Level\" = 2 AND \"AckDate\" IS NULL AND \"Kind\" IN (1, 3)");

TableDef makeEvents() {
    TableDef t;
    t.fileName = QString::fromLatin1(kEventsFile);
    t.sqlName = kSqlName;
    t.fields = {{QStringLiteral("Event_IDX"), FieldType::AutoInc},
                {QStringLiteral("Date"), FieldType::Date},
                {QStringLiteral("Time"), FieldType::Time},
                {QStringLiteral("UnitNo"), FieldType::Short},
                {QStringLiteral("Channel"), FieldType::Short},
                {QStringLiteral("Kind"), FieldType::Short},
                {QStringLiteral("Level"), FieldType::Short},
                {QStringLiteral("Value"), FieldType::Float},
                {QStringLiteral("Text"), FieldType::Text, 255},
                {QStringLiteral("AckDate"), FieldType::Date},
                {QStringLiteral("AckTime"), FieldType::Time},
                {QStringLiteral("AckUser"), FieldType::Text, 64}};
    t.primary = {QString(), {QStringLiteral("Event_IDX")}, false, true};
    const QStringList dateKey{QStringLiteral("Date"), QStringLiteral("Event_IDX")};
    t.indexes = {{QStringLiteral("EVT_IDX_D"), dateKey, true, false},
                 {QStringLiteral("EVT_IDX"), dateKey, false, false}};
    // Every filter of the journal window (unit, kind group, both, none) has
    // an index in date order; the kind groups are partial indexes whose
    // conditions are exactly the filter terms.
    const QStringList date{QStringLiteral("Date"), QStringLiteral("Event_IDX")};
    const QStringList unit{QStringLiteral("UnitNo"), QStringLiteral("Date"),
                           QStringLiteral("Event_IDX")};
    t.storeIndexes = {{QStringLiteral("Events_Date"), date}, {QStringLiteral("Events_Unit"), unit}};
    const struct {
        const char *name;
        const char *where;
    } groups[] = {
        {"Alarms", "\"Kind\" < 3"}, {"Comm", "\"Kind\" = 3"}, {"Program", "\"Kind\" > 3"}};
    for (const auto &g : groups) {
        const QString name = QString::fromLatin1(g.name);
        const QString where = QString::fromLatin1(g.where);
        t.storeIndexes << StoreIndexDef{QStringLiteral("Events_") + name, date, -1, where}
                       << StoreIndexDef{QStringLiteral("Events_Unit") + name, unit, -1, where};
    }
    // The few events that wait for acknowledgement.
    t.storeIndexes << StoreIndexDef{
        QStringLiteral("Events_Pending"), {QStringLiteral("Event_IDX")}, -1, kPendingCondition};
    return t;
}

int nextConnectionNumber() {
    static int n = 0;
    return ++n;
}

QString errorText(const QSqlError &e) {
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

} // namespace

const TableDef &eventsTable() {
    static const TableDef t = makeEvents();
    return t;
}

bool installEventsTable(const QString &folder) {
    const QString file = folder + QLatin1Char('/') + QString::fromLatin1(kEventsFile);
    const bool created = !QFileInfo::exists(file);
    installTableFile(eventsTable(), file);
    return created;
}

QString loginName() {
    if (const char *name = getlogin(); name && *name)
        return QString::fromLocal8Bit(name);
    for (const char *var : {"LOGNAME", "USER", "USERNAME"}) {
        const QString v = qEnvironmentVariable(var);
        if (!v.isEmpty())
            return v;
    }
    return QString::number(getuid());
}

// The writer's own SQLite connection, set up as the table handles' are.
class EventLog::Connection {
public:
    explicit Connection(const QString &file)
        : m_name(QStringLiteral("orvex_events_%1").arg(nextConnectionNumber())) {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_db.setDatabaseName(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) +
                             QStringLiteral("?mode=rw"));
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        if (!m_db.open())
            throw DatabaseError(
                texts::cannotOpen(QString::fromLatin1(kEventsFile), errorText(m_db.lastError())));
    }
    ~Connection() {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }

    // Runs one statement to the end and returns its rows.
    QList<QVariantList> run(const QString &sql, const QVariantList &binds = {}) {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            fail(q.lastError());
        for (int i = 0; i < binds.size(); ++i)
            q.bindValue(i, binds[i]);
        if (!q.exec())
            fail(q.lastError());
        QList<QVariantList> rows;
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            rows << row;
        }
        const QVariant id = q.lastInsertId();
        m_lastId = id.isValid() ? id.toLongLong() : 0;
        q.finish();
        return rows;
    }
    qint64 lastId() const { return m_lastId; }

    void rollback() {
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("ROLLBACK"));
    }

private:
    [[noreturn]] void fail(const QSqlError &e) {
        throw StoreError(texts::sqlFailed(QString::fromLatin1(kEventsFile), errorText(e)));
    }
    QString m_name;
    QSqlDatabase m_db;
    qint64 m_lastId = 0;
};

EventLog::EventLog() = default;
EventLog::~EventLog() = default;

void EventLog::open(const QString &databaseName) {
    if (m_conn)
        return;
    const QString folder = resolveDatabase(databaseName);
    installEventsTable(folder);
    auto conn =
        std::make_unique<Connection>(folder + QLatin1Char('/') + QString::fromLatin1(kEventsFile));
    conn->run(QStringLiteral("PRAGMA journal_mode=WAL"));
    conn->run(QStringLiteral("PRAGMA synchronous=FULL"));
    conn->run(cacheSizePragma());
    m_conn = std::move(conn);
    m_folder = folder;
}

void EventLog::close() {
    m_conn.reset();
}

bool EventLog::isOpen() const {
    return bool(m_conn);
}

qint64 EventLog::append(const EventRecord &e) {
    if (!m_conn)
        throw StoreError(texts::notOpen(QString::fromLatin1(kEventsFile)));
    m_conn->run(
        QStringLiteral("INSERT INTO \"Events\" (\"Date\", \"Time\", \"UnitNo\", \"Channel\", "
                       "\"Kind\", \"Level\", \"Value\", \"Text\") VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {e.date.toString(Qt::ISODate), e.time.toString(QStringLiteral("HH:mm:ss")), e.unitNo,
         e.channel, int(e.kind), int(e.level),
         e.value ? QVariant(*e.value) : QVariant(QMetaType(QMetaType::Double)), e.text.left(255)});
    return m_conn->lastId();
}

QList<PendingAlarm> EventLog::pending() const {
    QList<PendingAlarm> result;
    if (!m_conn)
        return result;
    const auto rows =
        m_conn->run(QStringLiteral("SELECT \"Event_IDX\", \"UnitNo\", \"Kind\", \"Date\" FROM "
                                   "\"Events\" WHERE ") +
                    kPendingCondition + QStringLiteral(" ORDER BY \"Event_IDX\""));
    for (const QVariantList &r : rows)
        result << PendingAlarm{r[0].toLongLong(), r[1].toInt(), EventKind(r[2].toInt()),
                               QDate::fromString(r[3].toString(), Qt::ISODate)};
    return result;
}

qint64 EventLog::pendingCount() const {
    if (!m_conn)
        return 0;
    const auto rows =
        m_conn->run(QStringLiteral("SELECT count(*) FROM \"Events\" WHERE ") + kPendingCondition);
    return rows.isEmpty() ? 0 : rows[0][0].toLongLong();
}

int EventLog::acknowledge(const QList<qint64> &ids, const QString &user, const QDate &date,
                          const QTime &time) {
    if (!m_conn || ids.isEmpty())
        return 0;
    int done = 0;
    m_conn->run(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        const QString sql = QStringLiteral("UPDATE \"Events\" SET \"AckDate\" = ?, \"AckTime\" = "
                                           "?, \"AckUser\" = ? WHERE \"Event_IDX\" = ? AND ") +
                            kPendingCondition + QStringLiteral(" RETURNING 1");
        const QString d = date.toString(Qt::ISODate);
        const QString t = time.toString(QStringLiteral("HH:mm:ss"));
        for (qint64 id : ids)
            done += int(m_conn->run(sql, {d, t, user.left(64), id}).size());
        if (done > 0) {
            EventRecord ack;
            ack.date = date;
            ack.time = time;
            ack.kind = EventKind::Acknowledgement;
            ack.text = QStringLiteral("Квитировано событий: %1 (%2)").arg(done).arg(user);
            append(ack);
        }
        m_conn->run(QStringLiteral("COMMIT"));
    } catch (...) {
        m_conn->rollback();
        throw;
    }
    return done;
}

} // namespace orvex::store
