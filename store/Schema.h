// The five tables of the database: their files, fields in binding order,
// field types, named indexes and keys, and the store's own indexes that make
// the views' filters fast. These definitions are the catalogue the table
// handles work from and the installer step creates the files from.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace orvex::store {

enum class FieldType {
    AutoInc, // record number assigned by the store when a row is posted; read-only
    Date,    // QDate in the interface, ISO text "yyyy-MM-dd" in the file
    Time,    // QTime in the interface, ISO text "HH:mm:ss" in the file
    Short,   // 16-bit integer
    Integer, // 32-bit integer
    Float,   // 64-bit float
    Text,    // text of at most `size` characters (longer values are cut)
};

struct FieldDef {
    QString name;
    FieldType type;
    int size = 0; // characters, Text only
};

// A named index: the order a handle lists rows in. The physical SQLite index
// that serves it is `sqlIndex` (empty for the primary key or when the key of
// the table serves the order).
struct IndexDef {
    QString name; // empty for the primary key
    QStringList fields;
    bool descending = false;
    bool unique = false;
};

struct TableDef {
    QString fileName; // "Signals.DB": the file in the database folder
    QString sqlName;  // the table inside the file
    QList<FieldDef> fields;
    IndexDef primary;
    QList<IndexDef> indexes;  // the named secondary indexes
    QStringList createScript; // statements that create the table, indexes and row counter
    int fieldIndex(const QString &name) const; // case-insensitive, -1 if unknown
    bool hasAutoInc() const { return !fields.isEmpty() && fields[0].type == FieldType::AutoInc; }
};

// The five tables.
const TableDef &signalsTable(); // Signals.DB
const TableDef &arcTable();     // Arc.DB
const TableDef &unitsTable();   // Units.DB
const TableDef &sensorsTable(); // Sensors.DB
const TableDef &plotTable();    // Plot.db
const QList<const TableDef *> &allTables();

// The table definition for a table (file) name, compared without regard to
// letter case ("signals.db" finds Signals.DB); nullptr when unknown.
const TableDef *findTable(const QString &tableName);

// The table inside every file that keeps its row count, maintained by triggers
// in the same transaction as every insert and delete, so a count is one
// single-row read instead of a COUNT(*) over millions of rows.
inline constexpr const char *kRowCountTable = "orvex_rowcount";

} // namespace orvex::store
