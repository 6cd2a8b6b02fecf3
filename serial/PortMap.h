// The port map: which tty device each port name "COMn" stands for. Names
// are given in this order of precedence:
//
//  - Explicit links first: every symbolic link ports/COMn in the program
//    folder names its device (a simulator's pseudo-terminal, a chosen
//    adapter). A link whose target is missing or is not a tty is ignored,
//    but its number stays taken.
//  - Then on-board UARTs with hardware behind them (/sys/class/tty/ttyS<k>/
//    type not 0), as COM<k+1>. Ports are never opened to probe them:
//    opening raises DTR and RTS.
//  - Last, USB and ACM adapters, at the lowest free numbers. The first time
//    an adapter is seen its /dev/serial/by-id name is remembered as a link in
//    ports/, so it keeps its number when it is plugged in again, on any USB
//    socket.
// Devices named by an explicit link are left out of automatic numbering.
#pragma once

#include <QList>
#include <QString>

namespace orvex::serial {

struct PortMapEntry {
    QString name;   // "COM3"
    QString device; // the device itself, "/dev/ttyUSB0"
    QString source; // what names it: a link target, or the device
    bool explicitLink = false;
};

// Where the map looks; tests point these at temporary folders.
struct PortMapRoots {
    QString portsDir; // empty: programFolder() + "/ports"
    QString sysClassTty = QStringLiteral("/sys/class/tty");
    QString serialById = QStringLiteral("/dev/serial/by-id");
    QString devDir = QStringLiteral("/dev");
};

// The whole map, sorted by name as text. Remembers newly seen adapters as
// links in ports/ when the folder can be written. Raises EComPort (port list
// message) when ports/ exists but cannot be read.
QList<PortMapEntry> SerialPortMap(const PortMapRoots &roots = PortMapRoots());

// The device a port name stands for ("/dev/ttyUSB0"), or an empty string
// when the name is not mapped. The options dialog shows it beside the name.
QString PortDevicePath(const QString &port, const PortMapRoots &roots = PortMapRoots());

// The number of a port name: the whole decimal number after "COM" (COM12 is
// 12), or -1 for a name of another form.
int portNumber(const QString &name);

// Is `path` (after following links) a character device driven by a tty
// driver? Decided from /proc/tty/drivers and sysfs, without opening it.
bool isTtyDevice(const QString &path);

// Sorts port names in the text order of the port list (COM1, COM10, COM2).
void sortPortNames(QStringList &names);

} // namespace orvex::serial
