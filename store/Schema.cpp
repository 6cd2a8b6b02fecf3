// The table catalogue and the statements that create each table file.
#include "store/Schema.h"

#include "store/Events.h"

namespace orvex::store {
namespace {

QString quoted(const QString &name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString columnType(const FieldDef &f) {
    switch (f.type) {
    case FieldType::AutoInc:
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case FieldType::Date:
        return QStringLiteral("DATE");
    case FieldType::Time:
        return QStringLiteral("TIME");
    case FieldType::Short:
        return QStringLiteral("SMALLINT");
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Float:
        return QStringLiteral("DOUBLE");
    case FieldType::Text:
        return QStringLiteral("VARCHAR(%1)").arg(f.size);
    }
    return {};
}

QString createTable(const TableDef &t, const QString &tail = {}) {
    QStringList cols;
    for (const FieldDef &f : t.fields) {
        QString c = quoted(f.name) + QLatin1Char(' ') + columnType(f);
        if (t.primary.fields.contains(f.name) && f.type != FieldType::AutoInc)
            c += QStringLiteral(" NOT NULL");
        cols << c;
    }
    if (!tail.isEmpty())
        cols << tail;
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
        .arg(quoted(t.sqlName), cols.join(QStringLiteral(", ")));
}

QString createIndex(const TableDef &t, const QString &name, const QStringList &fields,
                    const QString &where = {}) {
    QStringList cols;
    for (const QString &f : fields)
        cols << quoted(f);
    QString sql = QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                      .arg(quoted(name), quoted(t.sqlName), cols.join(QStringLiteral(", ")));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return sql;
}

// The row counter and the triggers that keep it, in the same transaction as
// the change. The counter row itself is inserted by the installer with the
// table's current count.
void addRowCounter(TableDef &t) {
    const QString table = quoted(t.sqlName);
    t.createScript << QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (n INTEGER NOT NULL)")
                          .arg(QLatin1String(kRowCountTable))
                   << QStringLiteral("CREATE TRIGGER IF NOT EXISTS orvex_count_insert AFTER INSERT "
                                     "ON %1 BEGIN UPDATE %2 SET n = n + 1; END")
                          .arg(table, QLatin1String(kRowCountTable))
                   << QStringLiteral("CREATE TRIGGER IF NOT EXISTS orvex_count_delete AFTER DELETE "
                                     "ON %1 BEGIN UPDATE %2 SET n = n - 1; END")
                          .arg(table, QLatin1String(kRowCountTable));
}

QList<FieldDef> measurementFields(bool withDateTimeAlarm) {
    QList<FieldDef> f{{QStringLiteral("Meas_IDX"), FieldType::AutoInc}};
    if (withDateTimeAlarm)
        f << FieldDef{QStringLiteral("Date"), FieldType::Date}
          << FieldDef{QStringLiteral("Time"), FieldType::Time};
    f << FieldDef{QStringLiteral("UnitNo"), FieldType::Short};
    for (int i = 1; i <= 8; ++i)
        f << FieldDef{QStringLiteral("D%1").arg(i), FieldType::Float};
    if (withDateTimeAlarm)
        f << FieldDef{QStringLiteral("Alarm"), FieldType::Short};
    return f;
}

// Signals.DB and Arc.DB: the same fields and named indexes. The store's own
// indexes serve the views' filters in date order: by unit, and (current data
// only, the archive view has no threshold selection) by alarm level, alone and
// with a unit, as partial indexes that hold only the rows above a threshold.
TableDef measurementTable(const QString &file, const QString &sql, const QString &descName,
                          const QString &ascName, bool alarmIndexes) {
    TableDef t;
    t.fileName = file;
    t.sqlName = sql;
    t.fields = measurementFields(true);
    t.primary = {QString(), {QStringLiteral("Meas_IDX")}, false, true};
    const QStringList dateKey{QStringLiteral("Date"), QStringLiteral("Meas_IDX")};
    t.indexes = {{descName, dateKey, true, false}, {ascName, dateKey, false, false}};
    const QStringList unitKey{QStringLiteral("UnitNo"), QStringLiteral("Date"),
                              QStringLiteral("Meas_IDX")};
    t.createScript << createTable(t) << createIndex(t, sql + QStringLiteral("_Date"), dateKey)
                   << createIndex(t, sql + QStringLiteral("_Unit"), unitKey);
    if (alarmIndexes) {
        for (int level : {0, 1}) {
            const QString where = QStringLiteral("\"Alarm\" > %1").arg(level);
            t.createScript << createIndex(t, sql + QStringLiteral("_Alarm%1").arg(level + 1),
                                          dateKey, where)
                           << createIndex(t, sql + QStringLiteral("_UnitAlarm%1").arg(level + 1),
                                          unitKey, where);
        }
    }
    addRowCounter(t);
    return t;
}

TableDef makeUnits() {
    TableDef t;
    t.fileName = QStringLiteral("Units.DB");
    t.sqlName = QStringLiteral("Units");
    t.fields = {{QStringLiteral("Unit_IDX"), FieldType::Short},
                {QStringLiteral("Unit_NAME"), FieldType::Text, 40},
                {QStringLiteral("Unit_KOD"), FieldType::Integer},
                {QStringLiteral("Unit_Description"), FieldType::Text, 255}};
    t.primary = {QString(), {QStringLiteral("Unit_IDX")}, false, true};
    t.createScript << createTable(t, QStringLiteral("PRIMARY KEY (\"Unit_IDX\")"));
    addRowCounter(t);
    return t;
}

TableDef makeSensors() {
    TableDef t;
    t.fileName = QStringLiteral("Sensors.DB");
    t.sqlName = QStringLiteral("Sensors");
    t.fields = {{QStringLiteral("Unit_IDX"), FieldType::Short},
                {QStringLiteral("Sensor_No"), FieldType::Short},
                {QStringLiteral("Sensor_NAME"), FieldType::Text, 40},
                {QStringLiteral("KindOfSensor"), FieldType::Text, 12},
                {QStringLiteral("SensDescription"), FieldType::Text, 125}};
    t.primary = {QString(), {QStringLiteral("Unit_IDX"), QStringLiteral("Sensor_No")}, false, true};
    t.createScript << createTable(t, QStringLiteral("PRIMARY KEY (\"Unit_IDX\", \"Sensor_No\")"));
    addRowCounter(t);
    return t;
}

TableDef makePlot() {
    TableDef t;
    t.fileName = QStringLiteral("Plot.db");
    t.sqlName = QStringLiteral("Plot");
    t.fields = measurementFields(false);
    t.primary = {QString(), {QStringLiteral("Meas_IDX")}, false, true};
    const QStringList key{QStringLiteral("UnitNo"), QStringLiteral("Meas_IDX")};
    t.indexes = {{QStringLiteral("UNo-M_IDX"), key, true, false}};
    t.createScript << createTable(t) << createIndex(t, QStringLiteral("Plot_UnitNo"), key);
    addRowCounter(t);
    return t;
}

} // namespace

int TableDef::fieldIndex(const QString &name) const {
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

const TableDef &signalsTable() {
    static const TableDef t =
        measurementTable(QStringLiteral("Signals.DB"), QStringLiteral("Signals"),
                         QStringLiteral("DAT_IDX_D"), QStringLiteral("DAT_IDX"), true);
    return t;
}

const TableDef &arcTable() {
    static const TableDef t =
        measurementTable(QStringLiteral("Arc.DB"), QStringLiteral("Arc"),
                         QStringLiteral("Dat_IDX_D"), QStringLiteral("Dat_IDX"), false);
    return t;
}

const TableDef &unitsTable() {
    static const TableDef t = makeUnits();
    return t;
}

const TableDef &sensorsTable() {
    static const TableDef t = makeSensors();
    return t;
}

const TableDef &plotTable() {
    static const TableDef t = makePlot();
    return t;
}

const QList<const TableDef *> &allTables() {
    static const QList<const TableDef *> all{&signalsTable(), &arcTable(), &unitsTable(),
                                             &sensorsTable(), &plotTable()};
    return all;
}

const TableDef *findTable(const QString &tableName) {
    const QString name = tableName.trimmed();
    for (const TableDef *t : allTables()) {
        if (t->fileName.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    }
    if (eventsTable().fileName.compare(name, Qt::CaseInsensitive) == 0)
        return &eventsTable(); // the event journal, beside the five tables
    return nullptr;
}

} // namespace orvex::store
