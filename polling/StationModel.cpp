// The station's port, tables, register and settings.
#include "polling/StationModel.h"

#include "polling/Protocol.h"
#include "store/Location.h"
#include "store/Schema.h"
#include "store/StoreError.h"

namespace orvex::polling {

StationModel::StationModel() {
    // The line to the units: 8 data bits, no parity, 2 stop bits, small
    // driver queues; a read returns at once with what has arrived, a write
    // waits at most 10 ms per byte plus 100 ms.
    m_port.SetByteSize(serial::bs8);
    m_port.SetParity(serial::paNone);
    m_port.SetStopBits(serial::sb2);
    m_port.SetInBufSize(20);
    m_port.SetOutBufSize(4);
    m_port.Timeouts().SetReadInterval(-1);
    m_port.Timeouts().SetReadTotalMultiplier(0);
    m_port.Timeouts().SetReadTotalConstant(0);
    m_port.Timeouts().SetWriteTotalMultiplier(10);
    m_port.Timeouts().SetWriteTotalConstant(100);
}

void StationModel::locateDatabase() {
    const QString alias = QString::fromLatin1(store::kAliasName);
    for (store::Table *t : {&m_units, &m_sensors, &m_signals, &m_archive, &m_plot})
        t->setDatabaseName(alias);
    m_units.setTableName(QStringLiteral("Units.DB"));
    m_units.setIndexFieldNames(store::fields::UnitIdx);
    m_sensors.setTableName(QStringLiteral("Sensors.DB"));
    m_sensors.setIndexFieldNames(store::fields::UnitIdx + QLatin1Char(';') +
                                 store::fields::SensorNo);
    m_sensors.setMasterSource(&m_units, store::fields::UnitIdx, store::fields::UnitIdx);
    m_signals.setTableName(QStringLiteral("Signals.DB"));
    m_archive.setTableName(QStringLiteral("Arc.DB"));
    m_archive.setIndexName(store::indexes::ArcNewestFirst);
    m_plot.setTableName(QStringLiteral("Plot.db"));
    m_plot.setIndexFieldNames(store::fields::MeasIdx);
    try {
        m_units.open();
    } catch (const store::AliasNotDefinedError &) {
        m_units.setDatabaseName(m_settings.DataBaseDir);
    }
    const QString name = m_units.databaseName();
    for (store::Table *t : {&m_sensors, &m_signals, &m_archive, &m_plot})
        t->setDatabaseName(name);
    m_units.open();
}

void StationModel::openRecordingTables() {
    m_signals.open();
    m_archive.open();
    m_plot.open();
    m_sensors.open();
}

void StationModel::handOverConfiguredPort() {
    m_port.SetPort(QStringLiteral("COM%1").arg(m_settings.ComPortNo));
    m_port.SetBaudRate(serial::TBaudRate(SpeedToBaudRate(m_settings.Speed)));
}

} // namespace orvex::polling
