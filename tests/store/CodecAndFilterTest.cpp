// The store's parts below the cursor, table-driven: the field codec (every
// field type, accepted and refused inputs, the storage form engines bind),
// the filter expression parser (accepted forms and malformed ones), and the
// schema's exported field positions against the table definitions that the
// engines create tables from. The cursor itself is covered in TableTest.cpp.
#include "store/FieldCodec.h"
#include "store/FilterExpression.h"
#include "store/Schema.h"
#include "store/StoreError.h"

#include <QDate>
#include <QTime>
#include <gtest/gtest.h>

using namespace orvex::store;

namespace {

FieldDef field(FieldType type, int size = 0) {
    return {QStringLiteral("F"), type, size};
}

struct StoreCase {
    const char *what;
    FieldDef field;
    QVariant in;
    QVariant stored; // invalid: the value is refused
};

TEST(FieldCodec, ConvertsEachTypeToItsStorageFormOrRefuses) {
    const QVariant refused;
    const StoreCase cases[] = {
        {"date from QDate", field(FieldType::Date), QDate(2026, 12, 1),
         QStringLiteral("2026-12-01")},
        {"date from ISO text", field(FieldType::Date), QStringLiteral(" 2026-02-28 "),
         QStringLiteral("2026-02-28")},
        {"date from a date-time", field(FieldType::Date), QDateTime(QDate(2026, 1, 2), QTime(3, 4)),
         QStringLiteral("2026-01-02")},
        {"impossible date", field(FieldType::Date), QStringLiteral("2026-02-30"), refused},
        {"number given for a date", field(FieldType::Date), 20261201, refused},
        {"time drops milliseconds", field(FieldType::Time), QTime(23, 59, 58, 999),
         QStringLiteral("23:59:58")},
        {"time from text", field(FieldType::Time), QStringLiteral("07:05:00"),
         QStringLiteral("07:05:00")},
        {"bad time", field(FieldType::Time), QStringLiteral("25:00:00"), refused},
        {"short at its upper bound", field(FieldType::Short), 32767, qint64(32767)},
        {"short one beyond", field(FieldType::Short), 32768, refused},
        {"short at its lower bound", field(FieldType::Short), -32768, qint64(-32768)},
        {"integer from numeric text", field(FieldType::Integer), QStringLiteral(" 42 "),
         qint64(42)},
        {"integer beyond 32 bits", field(FieldType::Integer), qint64(1) << 31, refused},
        {"integer rounds a float", field(FieldType::Integer), 2.5, qint64(3)},
        {"integer refuses a date", field(FieldType::Integer), QDate(2026, 1, 1), refused},
        {"integer refuses words", field(FieldType::Integer), QStringLiteral("seven"), refused},
        {"float from text", field(FieldType::Float), QStringLiteral("1.25"), 1.25},
        {"float refuses a time", field(FieldType::Float), QTime(1, 2), refused},
        {"text is cut to its size", field(FieldType::Text, 5), QStringLiteral("Пульт №12"),
         QStringLiteral("Пульт")},
        {"text from a date", field(FieldType::Text, 20), QDate(2026, 3, 4),
         QStringLiteral("2026-03-04")},
    };
    for (const StoreCase &c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.stored.isValid()) {
            EXPECT_THROW(toStorage(c.field, c.in), StoreError);
            continue;
        }
        const QVariant out = toStorage(c.field, c.in);
        EXPECT_EQ(out, c.stored);
        EXPECT_EQ(out.typeId(), c.stored.typeId());
    }
}

TEST(FieldCodec, EmptyValuesStoreNullAndNullReadsEmpty) {
    for (FieldType type : {FieldType::Date, FieldType::Time, FieldType::Short, FieldType::Integer,
                           FieldType::Float, FieldType::Text}) {
        EXPECT_TRUE(toStorage(field(type, 10), QVariant()).isNull());
        EXPECT_FALSE(fromStorage(field(type, 10), QVariant()).isValid());
    }
    // An empty text empties a number field instead of being refused.
    EXPECT_TRUE(toStorage(field(FieldType::Integer), QString()).isNull());
    EXPECT_TRUE(toStorage(field(FieldType::Float), QStringLiteral("  ")).isNull());
}

TEST(FieldCodec, ReadsTextualAndNativeDatesAndTimesAlike) {
    // One engine returns the ISO text, another a native date or time.
    EXPECT_EQ(fromStorage(field(FieldType::Date), QStringLiteral("2026-12-01")),
              QDate(2026, 12, 1));
    EXPECT_EQ(fromStorage(field(FieldType::Date), QDate(2026, 12, 1)), QDate(2026, 12, 1));
    EXPECT_EQ(fromStorage(field(FieldType::Time), QStringLiteral("10:00:05")), QTime(10, 0, 5));
    EXPECT_EQ(fromStorage(field(FieldType::Time), QTime(10, 0, 5)), QTime(10, 0, 5));
    EXPECT_EQ(fromStorage(field(FieldType::Short), QStringLiteral("7")).typeId(),
              QMetaType::LongLong);
}

struct FilterCase {
    const char *expression;
    QList<FilterTerm> terms; // empty with `bad`: refused
    bool bad = false;
};

TEST(FilterExpression, ParsesTheViewsFormsAndRefusesTheRest) {
    const FilterCase cases[] = {
        {"", {}},
        {"   ", {}},
        {"UnitNo=3", {{QStringLiteral("UnitNo"), QStringLiteral("="), qint64(3)}}},
        {"Alarm>0", {{QStringLiteral("Alarm"), QStringLiteral(">"), qint64(0)}}},
        {"UnitNo=12 and Alarm>1",
         {{QStringLiteral("UnitNo"), QStringLiteral("="), qint64(12)},
          {QStringLiteral("Alarm"), QStringLiteral(">"), qint64(1)}}},
        {" D1 >= -1.5  AND Alarm<>2 ",
         {{QStringLiteral("D1"), QStringLiteral(">="), -1.5},
          {QStringLiteral("Alarm"), QStringLiteral("!="), qint64(2)}}},
        {"UnitNo<=4", {{QStringLiteral("UnitNo"), QStringLiteral("<="), qint64(4)}}},
        {"UnitNo='3'", {}, true},
        {"UnitNo=3 or Alarm>1", {}, true},
        {"UnitNo=3; DROP TABLE Signals", {}, true},
        {"UnitNo==3", {}, true},
        {"UnitNo=3 and", {}, true},
        {"3=UnitNo", {}, true},
        {"Unit No=3", {}, true},
    };
    for (const FilterCase &c : cases) {
        SCOPED_TRACE(c.expression);
        const QString text = QString::fromUtf8(c.expression);
        if (c.bad) {
            EXPECT_THROW(parseFilter(text), StoreError);
            continue;
        }
        const QList<FilterTerm> terms = parseFilter(text);
        ASSERT_EQ(terms.size(), c.terms.size());
        for (int i = 0; i < terms.size(); ++i) {
            EXPECT_EQ(terms[i].field, c.terms[i].field);
            EXPECT_EQ(terms[i].op, c.terms[i].op);
            EXPECT_EQ(terms[i].value, c.terms[i].value);
            EXPECT_EQ(terms[i].value.typeId(), c.terms[i].value.typeId());
        }
    }
}

struct PositionCase {
    const TableDef &(*table)();
    QLatin1StringView name;
    int position;
};

TEST(Schema, ExportedPositionsNameTheFieldsOfTheDefinitions) {
    const PositionCase cases[] = {
        {signalsTable, fields::MeasIdx, measurementPos::MeasIdx},
        {signalsTable, fields::Date, measurementPos::Date},
        {signalsTable, fields::Time, measurementPos::Time},
        {signalsTable, fields::UnitNo, measurementPos::UnitNo},
        {signalsTable, QLatin1StringView("D1"), measurementPos::D1},
        {signalsTable, QLatin1StringView("D8"), measurementPos::D1 + 7},
        {signalsTable, fields::Alarm, measurementPos::Alarm},
        {arcTable, QLatin1StringView("D1"), measurementPos::D1},
        {arcTable, fields::Alarm, measurementPos::Alarm},
        {plotTable, fields::MeasIdx, plotPos::MeasIdx},
        {plotTable, fields::UnitNo, plotPos::UnitNo},
        {plotTable, QLatin1StringView("D1"), plotPos::D1},
        {plotTable, QLatin1StringView("D8"), plotPos::D1 + 7},
        {unitsTable, fields::UnitIdx, unitsPos::UnitIdx},
        {unitsTable, fields::UnitName, unitsPos::UnitName},
        {unitsTable, fields::UnitKod, unitsPos::UnitKod},
        {unitsTable, fields::UnitDescription, unitsPos::UnitDescription},
        {sensorsTable, fields::UnitIdx, sensorsPos::UnitIdx},
        {sensorsTable, fields::SensorNo, sensorsPos::SensorNo},
        {sensorsTable, fields::SensorName, sensorsPos::SensorName},
        {sensorsTable, fields::KindOfSensor, sensorsPos::KindOfSensor},
        {sensorsTable, fields::SensDescription, sensorsPos::SensDescription},
    };
    for (const PositionCase &c : cases) {
        SCOPED_TRACE(QString(c.name).toStdString());
        EXPECT_EQ(c.table().fieldIndex(c.name), c.position);
    }
    EXPECT_EQ(signalsTable().fields.size(), measurementPos::Count);
    EXPECT_EQ(arcTable().fields.size(), measurementPos::Count);
    EXPECT_EQ(plotTable().fields.size(), plotPos::Count);
    EXPECT_EQ(unitsTable().fields.size(), unitsPos::Count);
    EXPECT_EQ(sensorsTable().fields.size(), sensorsPos::Count);
    EXPECT_EQ(fields::channel(3), QStringLiteral("D3"));
}

} // namespace
