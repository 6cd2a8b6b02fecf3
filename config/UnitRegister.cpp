// The unit and sensor register on the main window's Units.DB and Sensors.DB
// handles.
#include "config/UnitRegister.h"

#include "store/Table.h"

#include <algorithm>

namespace orvex::config {
namespace {

const QString kUnitIdx{store::fields::UnitIdx};
const QString kUnitName{store::fields::UnitName};
const QString kUnitKod{store::fields::UnitKod};
const QString kSensorNo{store::fields::SensorNo};
const QString kSensorName{store::fields::SensorName};
const QString kKindOfSensor{store::fields::KindOfSensor};
const QString kSensDescription{store::fields::SensDescription};

bool isValidAddress(int address) {
    return address >= 1 && address <= kMaxUnits;
}

// A stored number becomes an address by its low eight bits.
uint8_t lowByte(qint64 value) {
    return uint8_t(value & 0xFF);
}

// Stores an edit the register made itself. One the table refuses (a
// read-only file) is dropped again: left pending, every later move of the
// cursor would try it anew and fail, in every window that uses the table.
void postOwnEdit(store::Table &table) {
    try {
        table.post();
    } catch (...) {
        try {
            table.cancel();
        } catch (...) {
        }
        throw;
    }
}

} // namespace

QString defaultUnitName(int unit) {
    return QStringLiteral("Пульт №") + QString::number(unit);
}

QString defaultSensorName(int unit, int channel) {
    return QStringLiteral("Датчик ") + QString::number(unit) + QLatin1Char('-') +
           QString::number(channel);
}

QString duplicateAddressWarning(int unitI, int unitJ) {
    return QStringLiteral("Адрес пульта №") + QString::number(unitI) +
           QStringLiteral(" совпадает с адресом пульта №") + QString::number(unitJ) +
           QStringLiteral(".") + QStringLiteral("\n\r\n\r") +
           QStringLiteral("Измените один из них для устранения совпадения.");
}

UnitRegister::UnitRegister(store::Table &units, store::Table &sensors, TSettings &settings)
    : m_units(units), m_sensors(sensors), m_settings(settings) {}

void UnitRegister::warn(const QString &text) const {
    if (m_onWarning)
        m_onWarning(text);
}

int UnitRegister::currentRow() const {
    return int(m_units.recNo());
}

void UnitRegister::moveToRow(int row) {
    m_units.first();
    if (row > 1)
        m_units.moveBy(row - 1);
}

void UnitRegister::startUpHandOver() {
    // UnitAddr[1..UnitsAmount] was read from the settings file. A table with
    // fewer rows lowers the count; an empty table would lower it to 0, which
    // the grid and the poll cycle divide by, so one unit stays counted and
    // the grid step creates its row.
    const qint64 rows = m_units.recordCount();
    if (rows < m_settings.UnitsAmount)
        m_settings.UnitsAmount = int(std::max<qint64>(rows, 1));

    // Row n in Unit_IDX order receives the address of unit n.
    m_units.first();
    const int count = std::min(m_settings.UnitsAmount, kMaxUnits);
    for (int n = 1; n <= count && !m_units.isEmpty(); ++n) {
        if (n > 1) {
            m_units.next();
            if (m_units.eof())
                break;
        }
        m_units.edit();
        m_units.setValue(kUnitKod, int(m_settings.UnitAddr[n]));
        postOwnEdit(m_units);
    }
}

void UnitRegister::ensureSensorRow(int unit, int channel, const QString &kind) {
    // The Sensors.DB handle shows the channels of the current Units.DB row,
    // which is unit `unit` here.
    if (!m_sensors.findKey({unit, channel})) {
        m_sensors.append();
        m_sensors.setValue(kUnitIdx, unit);
        m_sensors.setValue(kSensorNo, channel);
        m_sensors.post();
    }
    // A name the operator cleared gets the default back; the note goes with
    // it. A name that is set is never overwritten.
    if (m_sensors.asString(kSensorName).isEmpty()) {
        m_sensors.edit();
        m_sensors.setValue(kSensorName, defaultSensorName(unit, channel));
        m_sensors.setValue(kKindOfSensor, kind);
        m_sensors.setValue(kSensDescription, QString());
        m_sensors.post();
    }
}

void UnitRegister::ensureGridRows(int unit) {
    if (unit < 1 || unit > kMaxUnits)
        return;
    // A first build may append a unit row and name eight channel rows: one
    // commit per table file rather than one per row.
    store::Transaction unitsWork(m_units);
    store::Transaction sensorsWork(m_sensors);
    if (m_units.findKey({unit})) {
        // As stored: the grid shows and polls what the table holds.
        m_settings.UnitAddr[unit] = lowByte(m_units.asInteger(kUnitKod));
    } else {
        m_units.appendRecord({unit, defaultUnitName(unit), unit, QString()});
        m_settings.UnitAddr[unit] = uint8_t(unit);
    }
    for (int c = 1; c <= std::clamp(m_settings.ChannalsMaxAmount, 1, kMaxChannels); ++c)
        ensureSensorRow(unit, c, QString());
    unitsWork.commit();
    sensorsWork.commit();
}

bool UnitRegister::changeUnitCount(int count, int builtUnits) {
    // The dialog's field offers 1..15 only; the clamp keeps UnitAddr safe.
    count = std::clamp(count, 1, kMaxUnits);
    const int old = std::clamp(m_settings.UnitsAmount, 1, kMaxUnits);
    m_settings.UnitsAmount = count;

    // New units get all eight channel rows, whatever the number of channels
    // shown, their kind marked as having no sensor yet.
    const qint64 rows = m_units.recordCount();
    if (rows < count) {
        // Up to 15 unit rows and 120 channel rows, each appended and named:
        // one transaction per table file instead of one durable commit per
        // row keeps the dialog responsive (seconds otherwise). Should the
        // program die between the two commits, the grid step creates the
        // channel rows that are missing.
        store::Transaction unitsWork(m_units);
        store::Transaction sensorsWork(m_sensors);
        for (int n = int(rows) + 1; n <= count; ++n) {
            // A table whose unit numbers have gaps may already hold this
            // unit further down; appending it again would violate the key.
            if (!m_units.findKey({n})) {
                m_units.appendRecord({n, defaultUnitName(n), n, QString()});
                // Counted already (only an empty table gets here): the
                // address follows the new row.
                if (n <= old)
                    m_settings.UnitAddr[n] = uint8_t(n);
            }
            for (int s = 1; s <= kMaxChannels; ++s)
                ensureSensorRow(n, s, kNoSensorKind);
        }
        unitsWork.commit();
        sensorsWork.commit();
    }

    // The newly counted units bring their stored addresses; one outside
    // 1..15 becomes the unit number, in the row too.
    moveToRow(old);
    for (int n = old + 1; n <= count; ++n) {
        m_units.next();
        if (m_units.eof())
            break;
        const uint8_t address = lowByte(m_units.asInteger(kUnitKod));
        if (isValidAddress(address)) {
            m_settings.UnitAddr[n] = address;
        } else {
            m_settings.UnitAddr[n] = uint8_t(n);
            m_units.edit();
            m_units.setValue(kUnitKod, n);
            postOwnEdit(m_units);
        }
    }

    if (currentRow() > count) {
        m_units.first();
        m_settings.CurUnit = 1;
    }

    if (count > builtUnits) {
        warn(kUnitCountRaisedWarning);
        return true;
    }
    return false;
}

bool UnitRegister::reloadAddresses() {
    const int row = currentRow();
    // Moving to the first row stores the address just typed.
    m_units.first();
    const int count = std::clamp(m_settings.UnitsAmount, 1, kMaxUnits);
    for (int n = 1; n <= count && !m_units.isEmpty(); ++n) {
        if (n > 1) {
            m_units.next();
            if (m_units.eof())
                break;
        }
        // As typed: only equal addresses are reported.
        m_settings.UnitAddr[n] = lowByte(m_units.asInteger(kUnitKod));
    }
    moveToRow(row);
    return CheckDuplicateAddresses();
}

bool UnitRegister::CheckDuplicateAddresses() {
    const int row = currentRow();
    const int count = std::clamp(m_settings.UnitsAmount, 1, kMaxUnits);
    bool found = false;
    // Every pair is examined: three units with one address give three
    // warnings.
    for (int i = 1; i < count; ++i) {
        for (int j = i + 1; j <= count; ++j) {
            if (m_settings.UnitAddr[i] != m_settings.UnitAddr[j])
                continue;
            found = true;
            warn(duplicateAddressWarning(i, j));
            moveToRow(i == row || j == row ? row : i);
        }
    }
    return found;
}

void UnitRegister::limitNavigation(UnitNavigatorButton button) {
    const int count = m_settings.UnitsAmount;
    if (currentRow() <= count)
        return;
    if (button == UnitNavigatorButton::Next)
        m_units.prior();
    else if (button == UnitNavigatorButton::Last)
        moveToRow(count);
}

} // namespace orvex::config
