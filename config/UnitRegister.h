// The unit and sensor register: the rows of Units.DB (one per unit position)
// and Sensors.DB (one per unit and channel), kept in step with the number of
// counted units, and the address table UnitAddr of the settings record that
// the poll cycle sends from.
//
// A unit has two numbers that must not be confused: its unit number 1..15
// (grid row, Units.DB row and Unit_IDX, UnitNo of its measurements) and its
// network address 1..15 (first byte of its poll requests, Unit_KOD in its
// row, UnitAddr[unit number] in memory).
//
// Rows are created when missing and never deleted, so a unit that drops out
// when the count is lowered keeps its name, address and notes for when the
// count is raised again. Units.DB is read in Unit_IDX order; the operations
// that walk it by row number rely on row i holding unit i, which the rows
// this register appends keep true.
//
// UnitRegister works on the main window's two handles (Units.DB with the
// field list "Unit_IDX"; Sensors.DB with "Unit_IDX;Sensor_No" as the detail
// of Units.DB on Unit_IDX) and on the settings record; it needs no widgets.
// Its warnings go to the handler its owner assigns: the windows show them in
// a box.
#pragma once

#include "config/Settings.h"

#include <QString>
#include <functional>

namespace orvex::store {
class Table;
}

namespace orvex::config {

// The four buttons of a unit navigator of the options dialog.
enum class UnitNavigatorButton { First, Prior, Next, Last };

// Default texts of new register rows.
QString defaultUnitName(int unit);                // "Пульт №" + n
QString defaultSensorName(int unit, int channel); // "Датчик " + n + "-" + c
inline const QString kNoSensorKind = QStringLiteral("нет датчика");

// The warnings the register shows.
QString duplicateAddressWarning(int unitI, int unitJ);
inline const QString kUnitCountRaisedWarning = QStringLiteral(
    "        Число пультов увеличено!\rВведите информацию о новых пультах и датчиках");

class UnitRegister {
public:
    UnitRegister(store::Table &units, store::Table &sensors, TSettings &settings);

    // Receives each warning at the moment it arises, before the register
    // goes on (the duplicate check moves its cursor after each one).
    using WarningHandler = std::function<void(const QString &text)>;
    void setOnWarning(WarningHandler handler) { m_onWarning = std::move(handler); }

    // Start-up hand-over, run once right after Units.DB is opened and before
    // the grid is built: lowers UnitsAmount to the number of rows when the
    // table holds fewer (never below 1: an empty Units.DB keeps one counted
    // unit, whose rows the grid step creates), then writes UnitAddr[n], as
    // read from the settings file, into Unit_KOD of row n for n = 1..
    // UnitsAmount. The settings file is thus the source of the addresses at
    // start; from then on the table is.
    void startUpHandOver();

    // Register rows for the grid, run by the grid build for each counted unit
    // n before its panels are made: ensures the Units.DB row of unit n
    // (appended with the defaults when missing) and loads UnitAddr[n] from it
    // as stored; ensures Sensors.DB rows (n, 1..ChannalsMaxAmount) and gives
    // every one with an empty name the default name, an empty kind and an
    // empty note. Leaves the Units.DB cursor on unit n.
    void ensureGridRows(int unit);

    // Unit count change, run each time the options dialog's unit count field
    // is left with `count` (1..15): sets UnitsAmount, appends the missing
    // units with all eight channel rows, loads the addresses of the newly
    // counted units (mending an invalid stored one to the unit number),
    // returns the cursor to the first row when it stands beyond the count,
    // and warns when `count` exceeds `builtUnits` (the count the present grid
    // was built with). Returns true when it warned: the dialog then brings
    // its "Пульты" tab to the front.
    bool changeUnitCount(int count, int builtUnits);

    // Address reload, run each time the options dialog's address field is
    // left: stores the pending edit, reloads UnitAddr[1..UnitsAmount] from
    // the rows as typed (no range check), returns the cursor to its row and
    // runs CheckDuplicateAddresses. Returns its answer.
    bool reloadAddresses();

    // True when two of UnitAddr[1..UnitsAmount] are equal. Shows one warning
    // per equal pair, in the order (1,2), (1,3) ... (2,3) ..., and after each
    // moves the Units.DB cursor to the row it stood on when that row is one
    // of the pair, else to the row of the pair's first unit.
    bool CheckDuplicateAddresses();

    // Navigation limit of the unit navigators, after the navigator's own
    // move: rows beyond UnitsAmount cannot be reached with next or last.
    void limitNavigation(UnitNavigatorButton button);

private:
    void warn(const QString &text) const;
    int currentRow() const;
    void moveToRow(int row);
    void ensureSensorRow(int unit, int channel, const QString &kind);

    store::Table &m_units;
    store::Table &m_sensors;
    TSettings &m_settings;
    WarningHandler m_onWarning;
};

} // namespace orvex::config
