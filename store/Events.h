// The event journal Events.DB: one row per thing that happened at the station
// (an alarm level or sensor state that changed, a unit that fell silent or
// answered again, the program started or stopped, settings changed, a run of
// port or table errors, an acknowledgement). It lives in the same database
// folder as the measurement tables, with the same durability (WAL,
// synchronous=FULL), and is read by the journal window through an ordinary
// read-only table handle with keyset paging.
//
// EventLog is the writer: it adds missing Events.DB to a database folder
// without touching any other table, appends rows one transaction each, and
// writes acknowledgements. Where the alias names a server, the journal is
// the Events table of the station's schema, made by the schema's
// installation, written and read through the same store as the others.
#pragma once

#include "store/Schema.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QTime>
#include <memory>
#include <optional>

namespace orvex::store {

inline constexpr const char *kEventsFile = "Events.DB";

// Kind of an event (field Kind).
enum class EventKind {
    AlarmLevel = 1,
    SensorState = 2,
    Communication = 3,
    Program = 4,
    Settings = 5,
    Error = 6,
    Acknowledgement = 7,
};

// Level of an event (field Level).
enum class EventLevel { Normal = 0, Warning = 1, Alarm = 2 };

// The table definition of Events.DB: Event_IDX, Date, Time, UnitNo, Channel,
// Kind, Level, Value, Text, AckDate, AckTime, AckUser. Named index
// "EVT_IDX_D" (Date, Event_IDX descending), newest first, and "EVT_IDX" the
// same ascending; the store's own indexes serve the journal window's filters.
const TableDef &eventsTable();

// Filters of the journal window as table filter expressions (Kind bounds):
// alarms (kinds 1 and 2), communication (3), program, settings, errors and
// acknowledgements (4..7).
inline constexpr const char *kAlarmKindsFilter = "Kind<3";
inline constexpr const char *kCommunicationFilter = "Kind=3";
inline constexpr const char *kProgramKindsFilter = "Kind>3";

struct EventRecord {
    QDate date;
    QTime time;
    int unitNo = 0;  // 0: the program itself
    int channel = 0; // 0: the whole unit
    EventKind kind = EventKind::Program;
    EventLevel level = EventLevel::Normal;
    std::optional<double> value; // the reading, when there is one
    QString text;                // cut to 255 characters
};

// An event that waits for acknowledgement: a trip or a lost unit (Level 2)
// without AckDate.
struct PendingAlarm {
    qint64 id = 0;
    int unitNo = 0;
    EventKind kind = EventKind::AlarmLevel;
    QDate date;
};

// Whether an event waits for acknowledgement once written: a trip or a
// lost unit (Level 2 of kind 1 or 3).
bool waitsForAcknowledgement(const EventRecord &event);

// How many events wait for acknowledgement, unit by unit (0: the program),
// trips apart from lost units. Its size is the number of units, whatever
// the number of events.
class PendingTally {
public:
    void add(int unitNo, EventKind kind, qint64 count = 1);
    qint64 total() const { return m_total; }
    // Unit u has any / a trip / a lost unit waiting.
    bool any(int unitNo) const { return trips(unitNo) || losses(unitNo); }
    bool trips(int unitNo) const { return m_units.value(unitNo).trips > 0; }
    bool losses(int unitNo) const { return m_units.value(unitNo).losses > 0; }

private:
    struct Counts {
        qint64 trips = 0;
        qint64 losses = 0;
    };
    QMap<int, Counts> m_units;
    qint64 m_total = 0;
};

// Creates Events.DB in `folder` when it is missing (and completes the store's
// indexes and row counter of an existing one). No other file is touched.
// Returns true when the file was created. Raises StoreError.
bool installEventsTable(const QString &folder);

class EventLog {
public:
    EventLog();
    ~EventLog();
    EventLog(const EventLog &) = delete;
    EventLog &operator=(const EventLog &) = delete;

    // Resolves the database name (alias, folder or server URI), adds
    // Events.DB when a folder lacks it, and opens it for writing. Raises
    // StoreError (DatabaseError when a server schema lacks the table).
    void open(const QString &databaseName);
    void close();
    bool isOpen() const;
    // The database folder, or the server URI naming the schema: a database
    // name that opens the same journal.
    QString folder() const { return m_folder; }

    // Appends one event in its own transaction (committed, synchronous=FULL,
    // before this returns); returns its Event_IDX. Raises StoreError.
    qint64 append(const EventRecord &event);

    // Events waiting for acknowledgement, oldest first.
    QList<PendingAlarm> pending() const;
    qint64 pendingCount() const;
    // The same counted by unit and kind, in one grouped query.
    PendingTally pendingTally() const;

    // Acknowledges the given events (those among them still waiting) with
    // the date, time and login name, and appends one Kind 7 row naming how
    // many were acknowledged. Returns the number acknowledged; nothing is
    // written when none waited.
    int acknowledge(const QList<qint64> &ids, const QString &user, const QDate &date,
                    const QTime &time);

private:
    class Connection;
    std::unique_ptr<Connection> m_conn;
    QString m_folder;
};

// The operator's login name, for AckUser.
QString loginName();

} // namespace orvex::store
