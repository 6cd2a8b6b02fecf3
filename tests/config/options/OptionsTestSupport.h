// A stand-in for the main window as the options dialog sees it: a real
// settings record, a real (closed) serial component, real Units.DB and
// Sensors.DB handles on tables made by the installer step in a temporary
// program folder, a port list the test chooses, and a record of what the
// dialog did to the main window's switches and the current-data view.
#pragma once

#include "config/IniOptions.h"
#include "config/OptionsHost.h"
#include "config/Settings.h"
#include "serial/BCPort.h"
#include "store/Table.h"
#include "tests/support/TestSupport.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

namespace orvex::test {

class OptionsTestHost : public config::OptionsHost {
public:
    OptionsTestHost();
    ~OptionsTestHost() override;

    config::TSettings &settings() override { return Settings; }
    serial::TBComPort &comPort() override { return BComPort1; }
    store::Table &unitsTable() override { return UnitsTable; }
    store::Table &sensorTable() override { return SensorTable; }
    int builtUnits() const override { return BuiltUnits; }
    bool hintsOn() const override { return HintsOn; }
    void setL2ProcCheckBox(bool checked) override { l2ProcCheckBox << checked; }
    void setSoundCheckBox(bool checked) override { soundCheckBox << checked; }
    void setCurrentDataCaption(const QString &caption) override { dataCaptions << caption; }
    QStringList listSerialPorts() override;
    QString portDevicePath(const QString &portName) override {
        return QStringLiteral("/dev/tty-test-") + portName;
    }

    // Units.DB rows 1..count with addresses kod(n) and their eight channel rows.
    void seedUnits(
        int count, const std::function<int(int)> &kod = [](int n) { return n; });

    TempProgramFolder folder;
    config::TSettings Settings;
    serial::TBComPort BComPort1;
    store::Table UnitsTable;
    store::Table SensorTable;
    int BuiltUnits = 1;
    bool HintsOn = true;
    QStringList ports{QStringLiteral("COM1")};
    std::function<void()> listFailure; // throws when set

    QList<bool> l2ProcCheckBox;
    QList<bool> soundCheckBox;
    QStringList dataCaptions;
};

// Waits (with a deadline) until `widget`'s window is the focus window.
bool waitActive(QWidget *widget);

// Waits (with a deadline) until the condition holds, processing events.
bool waitUntil(const std::function<bool()> &condition);

// Creates an empty file.
void touch(const QString &path);

// What a modal message box does to the window under it: another window of
// the program takes the focus, and gives it back when it goes away. Used as
// a MessageRecorder hook while a dialog is shown.
void passFocusThroughBox(QWidget *dialog);

// A real modal message box over `parent`, closed with OK as soon as it has
// the focus. Unlike passFocusThroughBox nothing gives the focus back
// afterwards, as on a display without a window manager. Used as a
// MessageRecorder hook.
void closeRealBox(QWidget *parent, const QString &text);

// Moves the keyboard focus from one control to another as the Tab key or a
// click would (so leave rules run).
void moveFocus(QWidget *to);

// Replaces the whole text of a field as typing would.
void typeInto(QWidget *field, const QString &text);

// Types `text` at the cursor, one key press per character (any alphabet).
void typeText(QWidget *field, const QString &text);

} // namespace orvex::test
