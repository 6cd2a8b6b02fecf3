// The tables of the database: their files, fields in binding order, field
// types, named indexes and keys, and the store's own indexes that make the
// views' filters fast. These definitions are the catalogue the table handles
// work from; each engine turns them into its own statements (SqlDialect).
//
// Field names, field positions and index names are declared here once; the
// recording, the register and the windows name fields through these
// constants, so a mistyped field fails to compile instead of failing at run
// time.
#pragma once

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>

namespace orvex::store {

enum class FieldType {
    AutoInc, // record number assigned by the store when a row is posted; read-only
    Date,    // QDate in the interface, ISO text "yyyy-MM-dd" in storage form
    Time,    // QTime in the interface, ISO text "HH:mm:ss" in storage form
    Short,   // 16-bit integer
    Integer, // 32-bit integer
    Float,   // 64-bit float
    Text,    // text of at most `size` characters (longer values are cut)
};

// The field names of the tables. Names are matched without regard to letter
// case; these are the spellings the tables are created with.
namespace fields {
inline constexpr QLatin1StringView MeasIdx{"Meas_IDX"};
inline constexpr QLatin1StringView Date{"Date"};
inline constexpr QLatin1StringView Time{"Time"};
inline constexpr QLatin1StringView UnitNo{"UnitNo"};
inline constexpr QLatin1StringView Alarm{"Alarm"};
inline constexpr QLatin1StringView UnitIdx{"Unit_IDX"};
inline constexpr QLatin1StringView UnitName{"Unit_NAME"};
inline constexpr QLatin1StringView UnitKod{"Unit_KOD"};
inline constexpr QLatin1StringView UnitDescription{"Unit_Description"};
inline constexpr QLatin1StringView SensorNo{"Sensor_No"};
inline constexpr QLatin1StringView SensorName{"Sensor_NAME"};
inline constexpr QLatin1StringView KindOfSensor{"KindOfSensor"};
inline constexpr QLatin1StringView SensDescription{"SensDescription"};
inline constexpr int kChannels = 8;
// "D1" .. "D8", the value of channel 1 .. 8.
const QString &channel(int ch);
} // namespace fields

// Field positions: the recording fills channel values by position.
namespace measurementPos { // Signals.DB and Arc.DB
enum : int { MeasIdx = 0, Date = 1, Time = 2, UnitNo = 3, D1 = 4, Alarm = 12, Count = 13 };
}
namespace plotPos { // Plot.db
enum : int { MeasIdx = 0, UnitNo = 1, D1 = 2, Count = 10 };
}
namespace unitsPos { // Units.DB
enum : int { UnitIdx = 0, UnitName = 1, UnitKod = 2, UnitDescription = 3, Count = 4 };
}
namespace sensorsPos { // Sensors.DB
enum : int {
    UnitIdx = 0,
    SensorNo = 1,
    SensorName = 2,
    KindOfSensor = 3,
    SensDescription = 4,
    Count = 5
};
}

// The named indexes, spelled as the windows name them (matched without
// regard to letter case).
namespace indexes {
inline constexpr QLatin1StringView SignalsNewestFirst{"DAT_IDX_D"};
inline constexpr QLatin1StringView SignalsOldestFirst{"DAT_IDX"};
inline constexpr QLatin1StringView ArcNewestFirst{"Dat_IDX_D"};
inline constexpr QLatin1StringView ArcOldestFirst{"Dat_IDX"};
inline constexpr QLatin1StringView PlotUnitNewestFirst{"UNo-M_IDX"};
} // namespace indexes

struct FieldDef {
    QString name;
    FieldType type;
    int size = 0; // characters, Text only
};

// A named index: the order a handle lists rows in.
struct IndexDef {
    QString name; // empty for the primary key
    QStringList fields;
    bool descending = false;
    bool unique = false;
};

// An index of the store's own, beyond the named ones: it serves a filter of
// the views. `minAlarm` >= 0 makes it a partial index holding only the rows
// whose Alarm exceeds that level.
struct StoreIndexDef {
    QString name;
    QStringList fields;
    int minAlarm = -1;
    QString where = {}; // any other partial index's condition, over quoted field names
};

struct TableDef {
    QString fileName; // "Signals.DB": the table's name (its file in a database folder)
    QString sqlName;  // the table inside the file, or in the server's schema
    QList<FieldDef> fields;
    IndexDef primary;
    QList<IndexDef> indexes;                   // the named secondary indexes
    QList<StoreIndexDef> storeIndexes;         // the store's own indexes
    int fieldIndex(const QString &name) const; // case-insensitive, -1 if unknown
    bool hasAutoInc() const { return !fields.isEmpty() && fields[0].type == FieldType::AutoInc; }
};

// The five tables.
const TableDef &signalsTable(); // Signals.DB
const TableDef &arcTable();     // Arc.DB
const TableDef &unitsTable();   // Units.DB
const TableDef &sensorsTable(); // Sensors.DB
const TableDef &plotTable();    // Plot.db
// Every table, in the order the installer creates them. A new table is one
// more definition function and one more entry in this list.
const QList<const TableDef *> &allTables();

// The table definition for a table (file) name, compared without regard to
// letter case ("signals.db" finds Signals.DB); nullptr when unknown.
const TableDef *findTable(const QString &tableName);

// The table that keeps a table's row count, maintained by triggers in the
// same transaction as every insert and delete, so a count is one single-row
// read instead of a COUNT(*) over millions of rows.
inline constexpr const char *kRowCountTable = "orvex_rowcount";

// On a server, each statement that inserts rows into a table with a record
// number announces it on this notification channel when it commits, with
// the schema and the table as payload ("boiler1.Signals"), so viewing
// workstations follow new rows without asking the server in a loop.
inline constexpr const char *kRowsChannel = "orvex_rows";

} // namespace orvex::store
