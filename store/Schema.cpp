// The table catalogue: fields, keys, named indexes and the store's own
// indexes of each table, independent of the engine that holds them.
#include "store/Schema.h"

#include "store/Events.h"

#include <array>

namespace orvex::store {

const QString &fields::channel(int ch) {
    static const std::array<QString, kChannels + 1> names = [] {
        std::array<QString, kChannels + 1> n;
        for (int i = 1; i <= kChannels; ++i)
            n[i] = QStringLiteral("D") + QString::number(i);
        return n;
    }();
    return names.at(ch);
}

namespace {

QList<FieldDef> measurementFields(bool withDateTimeAlarm) {
    QList<FieldDef> f{{fields::MeasIdx, FieldType::AutoInc}};
    if (withDateTimeAlarm)
        f << FieldDef{fields::Date, FieldType::Date} << FieldDef{fields::Time, FieldType::Time};
    f << FieldDef{fields::UnitNo, FieldType::Short};
    for (int i = 1; i <= fields::kChannels; ++i)
        f << FieldDef{fields::channel(i), FieldType::Float};
    if (withDateTimeAlarm)
        f << FieldDef{fields::Alarm, FieldType::Short};
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
    t.primary = {QString(), {fields::MeasIdx}, false, true};
    const QStringList dateKey{fields::Date, fields::MeasIdx};
    t.indexes = {{descName, dateKey, true, false}, {ascName, dateKey, false, false}};
    const QStringList unitKey{fields::UnitNo, fields::Date, fields::MeasIdx};
    t.storeIndexes = {{sql + QStringLiteral("_Date"), dateKey},
                      {sql + QStringLiteral("_Unit"), unitKey}};
    if (alarmIndexes) {
        for (int level : {0, 1}) {
            t.storeIndexes << StoreIndexDef{sql + QStringLiteral("_Alarm%1").arg(level + 1),
                                            dateKey, level}
                           << StoreIndexDef{sql + QStringLiteral("_UnitAlarm%1").arg(level + 1),
                                            unitKey, level};
        }
    }
    return t;
}

TableDef makeUnits() {
    TableDef t;
    t.fileName = QStringLiteral("Units.DB");
    t.sqlName = QStringLiteral("Units");
    t.fields = {{fields::UnitIdx, FieldType::Short},
                {fields::UnitName, FieldType::Text, 40},
                {fields::UnitKod, FieldType::Integer},
                {fields::UnitDescription, FieldType::Text, 255}};
    t.primary = {QString(), {fields::UnitIdx}, false, true};
    return t;
}

TableDef makeSensors() {
    TableDef t;
    t.fileName = QStringLiteral("Sensors.DB");
    t.sqlName = QStringLiteral("Sensors");
    t.fields = {{fields::UnitIdx, FieldType::Short},
                {fields::SensorNo, FieldType::Short},
                {fields::SensorName, FieldType::Text, 40},
                {fields::KindOfSensor, FieldType::Text, 12},
                {fields::SensDescription, FieldType::Text, 125}};
    t.primary = {QString(), {fields::UnitIdx, fields::SensorNo}, false, true};
    return t;
}

TableDef makePlot() {
    TableDef t;
    t.fileName = QStringLiteral("Plot.db");
    t.sqlName = QStringLiteral("Plot");
    t.fields = measurementFields(false);
    t.primary = {QString(), {fields::MeasIdx}, false, true};
    const QStringList key{fields::UnitNo, fields::MeasIdx};
    t.indexes = {{indexes::PlotUnitNewestFirst, key, true, false}};
    t.storeIndexes = {{QStringLiteral("Plot_UnitNo"), key}};
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
                         indexes::SignalsNewestFirst, indexes::SignalsOldestFirst, true);
    return t;
}

const TableDef &arcTable() {
    static const TableDef t =
        measurementTable(QStringLiteral("Arc.DB"), QStringLiteral("Arc"), indexes::ArcNewestFirst,
                         indexes::ArcOldestFirst, false);
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
