// The unit and sensor register on real Units.DB and Sensors.DB files made by
// the installer step in a temporary folder: the start-up hand-over (with the
// settings file it takes the addresses from), the grid's register rows, the
// unit count change, the address reload, the duplicate-address check with
// its warnings and cursor moves, and the navigation limit. The table store's
// own behaviour is the store tests' subject.
#include "config/UnitRegister.h"
#include "config/Settings.h"
#include "store/Installer.h"
#include "store/Table.h"
#include "tests/support/TestSupport.h"
#include "ui/Messages.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::config;
using orvex::store::Table;

namespace {

using NoWindows = WindowPlace;

struct UnitRow {
    int idx;
    QString name;
    qint64 kod;
    QString description;
    bool operator==(const UnitRow &) const = default;
};

struct SensorRow {
    int unit, channel;
    QString name, kind, description;
    bool operator==(const SensorRow &) const = default;
};

void PrintTo(const UnitRow &r, std::ostream *os) {
    *os << "(" << r.idx << ", " << r.name.toStdString() << ", " << r.kod << ", "
        << r.description.toStdString() << ")";
}

void PrintTo(const SensorRow &r, std::ostream *os) {
    *os << "(" << r.unit << "," << r.channel << ", " << r.name.toStdString() << ", "
        << r.kind.toStdString() << ", " << r.description.toStdString() << ")";
}

class Register : public ::testing::Test {
protected:
    void SetUp() override {
        // As the windows do: the register's warnings become boxes.
        reg.setOnWarning([](const QString &text) { ui::showWarning(text); });
        database = folder.file("Database");
        store::createDatabase(database);
        units.setDatabaseName(database);
        units.setTableName("Units.DB");
        units.setIndexFieldNames("Unit_IDX");
        sensors.setDatabaseName(database);
        sensors.setTableName("Sensors.DB");
        sensors.setIndexFieldNames("Unit_IDX;Sensor_No");
        sensors.setMasterSource(&units, "Unit_IDX", "Unit_IDX");
        units.open();
        sensors.open();
    }

    // Rows 1..count with address `kod(n)` (n by default), named by the user.
    void seedUnits(
        int count, const std::function<int(int)> &kod = [](int n) { return n; }) {
        for (int n = 1; n <= count; ++n)
            units.appendRecord({n, QStringLiteral("Котельная %1").arg(n), kod(n), "note"});
        units.first();
    }

    void setAddresses(std::initializer_list<int> addresses) {
        int n = 1;
        for (int a : addresses)
            settings.UnitAddr[n++] = uint8_t(a);
    }

    QList<UnitRow> unitRows() {
        Table t;
        t.setDatabaseName(database);
        t.setTableName("Units.DB");
        t.setReadOnly(true);
        t.open();
        QList<UnitRow> rows;
        for (const store::Row &r : t.firstPage(100))
            rows.append({r.values[0].toInt(), r.values[1].toString(), r.values[2].toLongLong(),
                         r.values[3].toString()});
        return rows;
    }

    QList<SensorRow> sensorRows(int unit) {
        Table t;
        t.setDatabaseName(database);
        t.setTableName("Sensors.DB");
        t.setReadOnly(true);
        t.open();
        QList<SensorRow> rows;
        for (const store::Row &r : t.firstPage(200)) {
            if (r.values[0].toInt() == unit)
                rows.append({r.values[0].toInt(), r.values[1].toInt(), r.values[2].toString(),
                             r.values[3].toString(), r.values[4].toString()});
        }
        return rows;
    }

    int row() const { return int(units.recNo()); }
    void moveToRow(int r) {
        units.first();
        units.moveBy(r - 1);
    }

    test::TempProgramFolder folder;
    QString database;
    Table units;
    Table sensors;
    TSettings settings;
    ui::MessageRecorder messages;
    UnitRegister reg{units, sensors, settings};
};

} // namespace

// --- start-up hand-over ----------------------------------------------------

// A Units.DB file that refuses writes (read-only for the operator): the
// hand-over's error is raised, and its refused edit does not stay pending,
// so the table can still be moved through and read.
TEST_F(Register, HandOverThatTheTableRefusesLeavesNoPendingEdit) {
    seedUnits(2);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "refuse");
        db.setDatabaseName(database + "/Units.DB");
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Units BEGIN "
                           "SELECT RAISE(ABORT, 'attempt to write a readonly database'); END"))
            << q.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase("refuse");
    settings.UnitsAmount = 2;
    setAddresses({7, 8});
    EXPECT_THROW(reg.startUpHandOver(), orvex::SystemError);
    EXPECT_EQ(units.state(), Table::State::Browse);
    units.last();
    EXPECT_EQ(row(), 2);
    EXPECT_EQ(units.asInteger("Unit_KOD"), 2);
}

TEST_F(Register, HandOverWritesTheSettingsAddressesIntoTheRowsInKeyOrder) {
    seedUnits(3);
    settings.UnitsAmount = 3;
    setAddresses({7, 8, 9});
    reg.startUpHandOver();
    EXPECT_EQ(settings.UnitsAmount, 3);
    const QList<UnitRow> rows = unitRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(QList<qint64>({rows[0].kod, rows[1].kod, rows[2].kod}), QList<qint64>({7, 8, 9}));
    EXPECT_EQ(rows[1].name, QStringLiteral("Котельная 2")); // nothing else touched
}

TEST_F(Register, StartUpWithFewerRowsLowersTheCountAndThenResetsCurUnit) {
    // The whole start-up order: settings file, hand-over, corrections, and
    // the count reaching the file at the next save.
    seedUnits(3);
    {
        QFile f(settingsFilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Main]\nUnitsAmount=5\nCurUnit=4\n[UNITS]\nUnit_\xB9"
                "1=11\nUnit_\xB9"
                "4=14\nUnit_\xB9"
                "5=15\n");
    }
    NoWindows windows;
    IniFileLoad(settings, windows);
    reg.startUpHandOver();
    applyLoadCorrections(settings);
    EXPECT_EQ(settings.UnitsAmount, 3);
    EXPECT_EQ(settings.CurUnit, 1);
    EXPECT_EQ(unitRows()[0].kod, 11);
    EXPECT_EQ(unitRows()[2].kod, 3);

    IniFileSave(settings, windows);
    QFile f(settingsFilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    EXPECT_TRUE(saved.contains("\nUnitsAmount=3\n"));
    EXPECT_TRUE(saved.contains("\nCurUnit=1\n"));
    EXPECT_TRUE(saved.contains("Unit_\xB9"
                               "4=14\n")); // beyond the count: kept as it was
}

TEST_F(Register, EmptyUnitsTableKeepsOneCountedUnitWhoseRowsTheGridStepCreates) {
    settings.UnitsAmount = 4;
    settings.ChannalsMaxAmount = 2;
    setAddresses({9, 10, 11, 12});
    reg.startUpHandOver();
    EXPECT_EQ(settings.UnitsAmount, 1);
    EXPECT_TRUE(unitRows().isEmpty());

    reg.ensureGridRows(1);
    EXPECT_EQ(unitRows(), QList<UnitRow>({{1, QStringLiteral("Пульт №1"), 1, ""}}));
    EXPECT_EQ(settings.UnitAddr[1], 1);
    EXPECT_EQ(sensorRows(1), QList<SensorRow>({{1, 1, QStringLiteral("Датчик 1-1"), "", ""},
                                               {1, 2, QStringLiteral("Датчик 1-2"), "", ""}}));
}

// --- register rows for the grid ----------------------------------------------

TEST_F(Register, GridStepAppendsAMissingUnitRowAndLoadsStoredAddressesUnchecked) {
    seedUnits(2, [](int n) { return n == 2 ? 300 : 5; });
    settings.ChannalsMaxAmount = 3;
    reg.ensureGridRows(1);
    reg.ensureGridRows(2);
    reg.ensureGridRows(3);
    EXPECT_EQ(settings.UnitAddr[1], 5);
    EXPECT_EQ(settings.UnitAddr[2], 300 & 0xFF); // low eight bits, no range check
    EXPECT_EQ(settings.UnitAddr[3], 3);
    EXPECT_EQ(unitRows().value(2), (UnitRow{3, QStringLiteral("Пульт №3"), 3, ""}));
    // Channel rows only up to the channels shown, with an empty kind.
    EXPECT_EQ(sensorRows(3), QList<SensorRow>({{3, 1, QStringLiteral("Датчик 3-1"), "", ""},
                                               {3, 2, QStringLiteral("Датчик 3-2"), "", ""},
                                               {3, 3, QStringLiteral("Датчик 3-3"), "", ""}}));
    EXPECT_EQ(units.asInteger("Unit_IDX"), 3); // left on the unit
}

TEST_F(Register, GridStepRestoresAClearedSensorNameAndEmptiesItsNoteButKeepsSetNames) {
    seedUnits(1);
    settings.ChannalsMaxAmount = 2;
    reg.ensureGridRows(1);
    // The operator names channel 1 and clears channel 2's name, both with notes.
    units.first();
    ASSERT_TRUE(sensors.findKey({1, 1}));
    sensors.edit();
    sensors.setValue("Sensor_NAME", QStringLiteral("Метан котла"));
    sensors.setValue("SensDescription", QStringLiteral("у окна"));
    sensors.post();
    ASSERT_TRUE(sensors.findKey({1, 2}));
    sensors.edit();
    sensors.setValue("Sensor_NAME", QString());
    sensors.setValue("KindOfSensor", QStringLiteral("CH4"));
    sensors.setValue("SensDescription", QStringLiteral("снят"));
    sensors.post();

    reg.ensureGridRows(1);
    EXPECT_EQ(sensorRows(1),
              QList<SensorRow>({{1, 1, QStringLiteral("Метан котла"), "", QStringLiteral("у окна")},
                                {1, 2, QStringLiteral("Датчик 1-2"), "", ""}}));
}

// --- unit count change -------------------------------------------------------

TEST_F(Register, CountRaisedFromThreeToFiveAppendsUnitsWithAllEightChannels) {
    seedUnits(3);
    settings.UnitsAmount = 3;
    settings.ChannalsMaxAmount = 2;
    EXPECT_TRUE(reg.changeUnitCount(5, 3));
    EXPECT_EQ(settings.UnitsAmount, 5);
    EXPECT_EQ(unitRows().mid(3), QList<UnitRow>({{4, QStringLiteral("Пульт №4"), 4, ""},
                                                 {5, QStringLiteral("Пульт №5"), 5, ""}}));
    for (int n : {4, 5}) {
        QList<SensorRow> expected;
        for (int s = 1; s <= 8; ++s)
            expected.append({n, s, QStringLiteral("Датчик %1-%2").arg(n).arg(s),
                             QStringLiteral("нет датчика"), ""});
        EXPECT_EQ(sensorRows(n), expected);
    }
    EXPECT_EQ(settings.UnitAddr[4], 4);
    EXPECT_EQ(settings.UnitAddr[5], 5);
    EXPECT_EQ(messages.texts(), QStringList({kUnitCountRaisedWarning}));
    EXPECT_EQ(messages.messages()[0].kind, ui::MessageKind::Warning);

    messages.clear();
    EXPECT_FALSE(reg.CheckDuplicateAddresses());
    EXPECT_EQ(messages.count(), 0);
}

struct MendCase {
    int stored;  // Unit_KOD of row 5
    int address; // UnitAddr[5] after the count is raised from 4 to 5
    qint64 inRow;
};

class NewlyCountedUnit : public Register, public ::testing::WithParamInterface<MendCase> {};

TEST_P(NewlyCountedUnit, BringsItsStoredAddressMendedWhenInvalid) {
    const MendCase c = GetParam();
    seedUnits(15, [&](int n) { return n == 5 ? c.stored : n; });
    settings.UnitsAmount = 4;
    reg.changeUnitCount(5, 15);
    EXPECT_EQ(settings.UnitAddr[5], c.address);
    EXPECT_EQ(unitRows()[4].kod, c.inRow);
    EXPECT_EQ(unitRows().size(), 15);
}

INSTANTIATE_TEST_SUITE_P(Cases, NewlyCountedUnit,
                         ::testing::Values(MendCase{0, 5, 5}, MendCase{9, 9, 9}, MendCase{16, 5, 5},
                                           MendCase{261, 5, 261}, MendCase{-1, 5, 5}));

TEST_F(Register, CountLoweredReturnsToTheFirstRowWithoutDeletingOrWarning) {
    seedUnits(5);
    settings.UnitsAmount = 5;
    settings.CurUnit = 3;
    moveToRow(1);
    EXPECT_FALSE(reg.changeUnitCount(2, 5));
    EXPECT_EQ(settings.UnitsAmount, 2);
    EXPECT_EQ(settings.CurUnit, 1);
    EXPECT_EQ(row(), 1);
    EXPECT_EQ(unitRows().size(), 5);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(Register, CountRaisedWarningDependsOnlyOnTheBuiltCount) {
    seedUnits(8);
    settings.UnitsAmount = 5;
    const struct {
        int count;
        bool warns;
    } steps[] = {{7, true}, {6, true}, {5, false}, {3, false}, {7, true}, {7, true}};
    for (const auto &step : steps) {
        messages.clear();
        EXPECT_EQ(reg.changeUnitCount(step.count, 5), step.warns) << step.count;
        EXPECT_EQ(messages.count(), step.warns ? 1 : 0) << step.count;
    }
}

TEST_F(Register, CountRaisedOnAnEmptyTableGivesTheFirstUnitItsNewRowsAddress) {
    settings.UnitsAmount = 3;
    setAddresses({9, 9, 9});
    reg.startUpHandOver(); // lowers to 1
    reg.changeUnitCount(3, 1);
    EXPECT_EQ(unitRows().size(), 3);
    EXPECT_EQ(QList<int>({settings.UnitAddr[1], settings.UnitAddr[2], settings.UnitAddr[3]}),
              QList<int>({1, 2, 3}));
}

// --- address reload and duplicate check --------------------------------------

TEST_F(Register, AddressReloadStoresThePendingEditAndTakesAddressesAsTyped) {
    seedUnits(4);
    settings.UnitsAmount = 3;
    moveToRow(2);
    units.edit();
    units.setValue("Unit_KOD", 20); // typed, not yet stored
    EXPECT_FALSE(reg.reloadAddresses());
    EXPECT_EQ(QList<int>({settings.UnitAddr[1], settings.UnitAddr[2], settings.UnitAddr[3]}),
              QList<int>({1, 20, 3}));
    EXPECT_EQ(unitRows()[1].kod, 20);
    EXPECT_EQ(row(), 2);
}

TEST_F(Register, TwoEmptiedAddressesAreEqual) {
    seedUnits(3);
    settings.UnitsAmount = 3;
    for (int r : {1, 3}) {
        moveToRow(r);
        units.edit();
        units.setValue("Unit_KOD", QVariant());
        units.post();
    }
    moveToRow(2);
    EXPECT_TRUE(reg.reloadAddresses());
    EXPECT_EQ(messages.texts(), QStringList({duplicateAddressWarning(1, 3)}));
    EXPECT_EQ(row(), 1);
}

TEST_F(Register, DuplicatePairWarnsOnceWithTheFixedTextAndKeepsTheCurrentRow) {
    seedUnits(5);
    settings.UnitsAmount = 5;
    setAddresses({1, 7, 3, 7, 5});
    moveToRow(4);
    EXPECT_TRUE(reg.CheckDuplicateAddresses());
    EXPECT_EQ(messages.texts(),
              QStringList({QStringLiteral("Адрес пульта №2 совпадает с адресом пульта №4.\n\r\n\r"
                                          "Измените один из них для устранения совпадения.")}));
    EXPECT_EQ(messages.messages()[0].kind, ui::MessageKind::Warning);
    EXPECT_EQ(row(), 4);
}

TEST_F(Register, ThreeEqualAddressesGiveThreeWarningsInPairOrder) {
    seedUnits(5);
    settings.UnitsAmount = 5;
    setAddresses({1, 1, 1, 4, 5});
    // The remembered row 5 is in no pair: the cursor ends on the row of the
    // last pair's first unit.
    moveToRow(5);
    EXPECT_TRUE(reg.CheckDuplicateAddresses());
    EXPECT_EQ(messages.texts(),
              QStringList({duplicateAddressWarning(1, 2), duplicateAddressWarning(1, 3),
                           duplicateAddressWarning(2, 3)}));
    EXPECT_EQ(row(), 2);
}

TEST_F(Register, DuplicateCheckCursorFollowsThePairRule) {
    seedUnits(4);
    settings.UnitsAmount = 4;
    const struct {
        std::array<int, 4> addresses;
        int current, after;
    } cases[] = {
        {{1, 1, 3, 4}, 3, 1}, // pair (1,2), row 3 in neither: row of unit 1
        {{1, 1, 3, 4}, 2, 2}, // row 2 is in the pair
        {{1, 2, 3, 3}, 1, 3}, // pair (3,4): row of unit 3
        {{1, 2, 3, 3}, 4, 4},
    };
    for (const auto &c : cases) {
        for (int n = 1; n <= 4; ++n)
            settings.UnitAddr[n] = uint8_t(c.addresses[n - 1]);
        moveToRow(c.current);
        EXPECT_TRUE(reg.CheckDuplicateAddresses());
        EXPECT_EQ(row(), c.after) << c.current;
    }
}

TEST_F(Register, DuplicatesBeyondTheCountOrWithOneUnitAreNotReported) {
    seedUnits(3);
    setAddresses({4, 4, 4});
    settings.UnitsAmount = 1;
    EXPECT_FALSE(reg.CheckDuplicateAddresses());
    setAddresses({1, 2, 1});
    settings.UnitsAmount = 2;
    EXPECT_FALSE(reg.CheckDuplicateAddresses());
    EXPECT_EQ(messages.count(), 0);
}

// The register shows nothing itself: its warnings reach its owner's handler,
// each before the cursor moves on, and its answers hold without a handler.
TEST_F(Register, WarningsGoToTheHandlerBeforeTheCursorMoves) {
    seedUnits(5);
    settings.UnitsAmount = 5;
    setAddresses({1, 1, 1, 4, 5});
    moveToRow(5);
    QList<int> rowsAtWarnings;
    reg.setOnWarning([&](const QString &) { rowsAtWarnings << row(); });
    EXPECT_TRUE(reg.CheckDuplicateAddresses());
    EXPECT_EQ(rowsAtWarnings, QList<int>({5, 1, 1}));
    reg.setOnWarning(nullptr);
    EXPECT_TRUE(reg.CheckDuplicateAddresses());
    EXPECT_TRUE(reg.changeUnitCount(5, 3));
    EXPECT_EQ(messages.count(), 0);
}

// --- navigation limit --------------------------------------------------------

TEST_F(Register, NavigatorsCannotReachRowsBeyondTheCount) {
    seedUnits(15);
    settings.UnitsAmount = 4;
    moveToRow(4);
    units.next();
    reg.limitNavigation(UnitNavigatorButton::Next);
    EXPECT_EQ(row(), 4);

    moveToRow(3);
    units.next();
    reg.limitNavigation(UnitNavigatorButton::Next);
    EXPECT_EQ(row(), 4);

    moveToRow(1);
    units.last();
    reg.limitNavigation(UnitNavigatorButton::Last);
    EXPECT_EQ(row(), 4);

    // First and prior are not limited (they cannot go beyond the count).
    moveToRow(2);
    units.prior();
    reg.limitNavigation(UnitNavigatorButton::Prior);
    EXPECT_EQ(row(), 1);
}
