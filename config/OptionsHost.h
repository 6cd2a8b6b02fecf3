// What the options dialog reaches in the main window. The main window owns
// the settings record, the serial component, the register tables and the
// two tool-bar switches; it implements this interface and hands itself to the
// dialog, so the dialog does not depend on the main window's library.
#pragma once

#include "config/Settings.h"

#include <QString>
#include <QStringList>

namespace orvex::serial {
class TBComPort;
}
namespace orvex::store {
class Table;
}

namespace orvex::config {

class OptionsHost {
public:
    virtual ~OptionsHost() = default;

    // The settings record `Settings`.
    virtual TSettings &settings() = 0;
    // The serial component `BComPort1`; the dialog only sets its port and
    // speed, and only while polling is stopped (the port is closed).
    virtual serial::TBComPort &comPort() = 0;
    // The main window's handles on Units.DB and Sensors.DB; Sensors.DB is
    // linked to the current Units.DB row.
    virtual store::Table &unitsTable() = 0;
    virtual store::Table &sensorTable() = 0;
    // The unit count the present grid was built with.
    virtual int builtUnits() const = 0;
    // The main window's hint switch; the dialog's hints follow it.
    virtual bool hintsOn() const = 0;

    // The main window's "% ПС" and "звук" check boxes take a new state; their
    // own handlers then carry out the switch in the main window. The dialog
    // has already set L2ProcOn / Sound_ON.
    virtual void setL2ProcCheckBox(bool checked) = 0;
    virtual void setSoundCheckBox(bool checked) = 0;

    // The current-data view takes a new caption (accepted keep time).
    virtual void setCurrentDataCaption(const QString &caption) = 0;

    // The port list and the device behind a port name. By default the serial
    // component's port map; tests give their own list.
    virtual QStringList listSerialPorts();
    virtual QString portDevicePath(const QString &portName);
};

} // namespace orvex::config
