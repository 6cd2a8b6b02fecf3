// Events.DB: its definition, its installation into an existing database
// folder, and the writer with its own connection, on either engine.
#include "store/Events.h"

#include "store/Connection.h"
#include "store/FieldCodec.h"
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
        QString v = qEnvironmentVariable(var);
        if (!v.isEmpty())
            return v;
    }
    return QString::number(getuid());
}

// The writer's own connection to the journal's table, through the engine of
// the database (the table file, or the table of the station's schema),
// opened and set up as a table handle's is.
class EventLog::Connection {
public:
    explicit Connection(const DatabaseLocation &location)
        : dialect(dialectFor(location)), c(*dialect, QString::fromLatin1(kEventsFile)) {
        dialect->open(c, location, eventsTable(), false);
        c.setSessionSetup(dialect->sessionSetup(false));
        try {
            c.runSessionSetup();
        } catch (const StoreError &e) {
            throw DatabaseError(texts::cannotOpen(QString::fromLatin1(kEventsFile), e.text()));
        }
    }

    // Runs one statement to the end and returns its rows.
    QList<QVariantList> run(const QString &sql, const QVariantList &binds = {}) {
        Statement s(c, sql, binds);
        QList<QVariantList> rows;
        while (s.next()) {
            QVariantList row;
            for (int i = 0; i < s.query().record().count(); ++i)
                row << s.value(i);
            rows << row;
        }
        return rows;
    }

    QString table() const { return dialect->table(eventsTable()); }

    const std::shared_ptr<const SqlDialect> dialect;
    store::Connection c;
};

EventLog::EventLog() = default;
EventLog::~EventLog() = default;

void EventLog::open(const QString &databaseName) {
    if (m_conn)
        return;
    // A folder gets the journal's file when it lacks it; a server schema has
    // the table from the administrator's installation (a station may not
    // create tables).
    const DatabaseLocation location = locateDatabase(databaseName);
    if (!location.isServer())
        installEventsTable(location.folder);
    m_conn = std::make_unique<Connection>(location);
    m_folder = location.isServer() ? serverDatabaseName(location.server) : location.folder;
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
    const TableDef &def = eventsTable();
    QStringList columns;
    for (int i = 1; i <= 8; ++i)
        columns << m_conn->dialect->quoted(def.fields[i].name);
    const QVariantList values{e.date,
                              e.time,
                              e.unitNo,
                              e.channel,
                              int(e.kind),
                              int(e.level),
                              e.value ? QVariant(*e.value) : QVariant(),
                              e.text.left(255)};
    QVariantList binds;
    for (int i = 0; i < values.size(); ++i)
        binds << toStorage(def.fields[i + 1], values[i]);
    Statement s(m_conn->c, m_conn->dialect->insert(def, columns), binds);
    return m_conn->dialect->insertedKey(s);
}

QList<PendingAlarm> EventLog::pending() const {
    QList<PendingAlarm> result;
    if (!m_conn)
        return result;
    const auto rows = m_conn->run(QStringLiteral("SELECT \"Event_IDX\", \"UnitNo\", \"Kind\", "
                                                 "\"Date\" FROM %1 WHERE ")
                                      .arg(m_conn->table()) +
                                  kPendingCondition + QStringLiteral(" ORDER BY \"Event_IDX\""));
    for (const QVariantList &r : rows)
        result << PendingAlarm{r[0].toLongLong(), r[1].toInt(), EventKind(r[2].toInt()),
                               fromStorage(eventsTable().fields[1], r[3]).toDate()};
    return result;
}

PendingTally EventLog::pendingTally() const {
    PendingTally tally;
    if (!m_conn)
        return tally;
    const auto rows =
        m_conn->run(QStringLiteral("SELECT \"UnitNo\", \"Kind\", count(*) FROM %1 WHERE ")
                        .arg(m_conn->table()) +
                    kPendingCondition + QStringLiteral(" GROUP BY \"UnitNo\", \"Kind\""));
    for (const QVariantList &r : rows)
        tally.add(r[0].toInt(), EventKind(r[1].toInt()), r[2].toLongLong());
    return tally;
}

bool waitsForAcknowledgement(const EventRecord &event) {
    return event.level == EventLevel::Alarm &&
           (event.kind == EventKind::AlarmLevel || event.kind == EventKind::Communication);
}

void PendingTally::add(int unitNo, EventKind kind, qint64 count) {
    Counts &c = m_units[unitNo];
    (kind == EventKind::Communication ? c.losses : c.trips) += count;
    m_total += count;
}

qint64 EventLog::pendingCount() const {
    if (!m_conn)
        return 0;
    const auto rows = m_conn->run(
        QStringLiteral("SELECT count(*) FROM %1 WHERE ").arg(m_conn->table()) + kPendingCondition);
    return rows.isEmpty() ? 0 : rows[0][0].toLongLong();
}

int EventLog::acknowledge(const QList<qint64> &ids, const QString &user, const QDate &date,
                          const QTime &time) {
    if (!m_conn || ids.isEmpty())
        return 0;
    int done = 0;
    const TableDef &def = eventsTable();
    m_conn->c.runInTransaction(
        [&] {
            const QString sql = QStringLiteral("UPDATE %1 SET \"AckDate\" = ?, \"AckTime\" = "
                                               "?, \"AckUser\" = ? WHERE \"Event_IDX\" = ? AND ")
                                    .arg(m_conn->table()) +
                                kPendingCondition + QStringLiteral(" RETURNING 1");
            const QVariant d = toStorage(def.fields[9], date);
            const QVariant t = toStorage(def.fields[10], time);
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
        },
        m_conn->dialect->beginWrite());
    return done;
}

} // namespace orvex::store
