// The station behind the main window: the serial line to the units, the five
// table handles (Units.DB, Sensors.DB, Signals.DB, Arc.DB, Plot.db), the unit
// register over the first two and the settings record. It knows no widgets.
// The application makes one and hands it, by reference, to the main window,
// the poll cycle, the options dialog and the views; it outlives them all.
#pragma once

#include "config/Settings.h"
#include "config/UnitRegister.h"
#include "serial/BCPort.h"
#include "store/Table.h"

namespace orvex::polling {

class StationModel {
public:
    // Sets the line's fixed parameters; opens nothing.
    StationModel();
    StationModel(const StationModel &) = delete;
    StationModel &operator=(const StationModel &) = delete;

    config::TSettings &settings() { return m_settings; }
    const config::TSettings &settings() const { return m_settings; }
    serial::TBComPort &port() { return m_port; }
    const serial::TBComPort &port() const { return m_port; }
    store::Table &unitsTable() { return m_units; }
    store::Table &sensorTable() { return m_sensors; }
    store::Table &signalTable() { return m_signals; }
    store::Table &archiveTable() { return m_archive; }
    store::Table &plotTable() { return m_plot; }
    const store::Table &unitsTable() const { return m_units; }
    config::UnitRegister &unitRegister() { return m_register; }
    // Whether the views move to each new row (shared by both views).
    bool &autoRefreshViews() { return m_autoRefreshViews; }

    // Names the five tables and finds their database: under the program's
    // alias, or in the DataBaseDir setting where the alias is not defined (a
    // database under a defined alias that fails is reported, not replaced).
    // Units.DB is left open.
    void locateDatabase();
    // Opens the tables the recording and the grid work on.
    void openRecordingTables();
    // Gives the serial component the configured port (COMn) and speed, for a
    // START before the options dialog has handed over its own.
    void handOverConfiguredPort();

private:
    config::TSettings m_settings;
    serial::TBComPort m_port;
    store::Table m_units;
    store::Table m_sensors;
    store::Table m_signals;
    store::Table m_archive;
    store::Table m_plot;
    config::UnitRegister m_register{m_units, m_sensors, m_settings};
    bool m_autoRefreshViews = true;
};

} // namespace orvex::polling
