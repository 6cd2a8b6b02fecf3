// The port map: explicit links in ports/, on-board UARTs and USB adapters
// from a stand-in sysfs, stable numbers for re-plugged adapters, and the
// text order of the port list.
#include "serial/PortMap.h"
#include "serial/BCPort.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace orvex::serial;
using orvex::test::PtyPair;
using orvex::test::TempProgramFolder;

namespace {

QStringList names(const QList<PortMapEntry> &map) {
    QStringList result;
    for (const auto &e : map)
        result << e.name;
    return result;
}

// A stand-in for /sys/class/tty, /dev and /dev/serial/by-id.
class FakeSystem {
public:
    FakeSystem() {
        roots.portsDir = dir.filePath(QStringLiteral("ports"));
        roots.sysClassTty = dir.filePath(QStringLiteral("sys"));
        roots.devDir = dir.filePath(QStringLiteral("dev"));
        roots.serialById = dir.filePath(QStringLiteral("dev/serial/by-id"));
        QDir().mkpath(roots.sysClassTty);
        QDir().mkpath(roots.serialById);
        QDir().mkpath(roots.portsDir);
    }
    void uart(int k, int type) {
        const QString d = roots.sysClassTty + QStringLiteral("/ttyS%1").arg(k);
        QDir().mkpath(d);
        write(d + QStringLiteral("/type"), QByteArray::number(type) + "\n");
        write(roots.devDir + QStringLiteral("/ttyS%1").arg(k), "");
    }
    // Plugs an adapter in as `tty` with the by-id name `id`.
    void plug(const QString &tty, const QString &id) {
        QDir().mkpath(roots.sysClassTty + QLatin1Char('/') + tty);
        write(roots.devDir + QLatin1Char('/') + tty, "");
        QFile::remove(roots.serialById + QLatin1Char('/') + id);
        QFile::link(roots.devDir + QLatin1Char('/') + tty,
                    roots.serialById + QLatin1Char('/') + id);
    }
    void unplug(const QString &tty, const QString &id) {
        QDir(roots.sysClassTty + QLatin1Char('/') + tty).removeRecursively();
        QFile::remove(roots.devDir + QLatin1Char('/') + tty);
        QFile::remove(roots.serialById + QLatin1Char('/') + id);
    }
    static void write(const QString &path, const QByteArray &bytes) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }

    QTemporaryDir dir;
    PortMapRoots roots;
};

} // namespace

TEST(PortMap, PortNumbersAreTheWholeNumberAfterCom) {
    const struct {
        const char *name;
        int number;
    } cases[] = {{"COM1", 1}, {"COM9", 9},  {"COM12", 12}, {"COM256", 256}, {"COM0", -1},
                 {"COM", -1}, {"com1", -1}, {"COM01", -1}, {"COM1x", -1},   {"LPT1", -1}};
    for (const auto &c : cases)
        EXPECT_EQ(portNumber(QString::fromLatin1(c.name)), c.number) << c.name;
}

TEST(PortMap, ExplicitLinksToTtysAreListedInTextOrder) {
    FakeSystem sys;
    PtyPair a, b, c;
    const QString ports = sys.roots.portsDir;
    QFile::link(a.slaveName(), ports + QStringLiteral("/COM2"));
    QFile::link(b.slaveName(), ports + QStringLiteral("/COM10"));
    QFile::link(c.slaveName(), ports + QStringLiteral("/COM1"));
    QFile::link(sys.dir.filePath(QStringLiteral("gone")), ports + QStringLiteral("/COM3"));
    FakeSystem::write(sys.dir.filePath(QStringLiteral("plain")), "x");
    QFile::link(sys.dir.filePath(QStringLiteral("plain")), ports + QStringLiteral("/COM4"));
    QFile::link(a.slaveName(), ports + QStringLiteral("/modem"));

    const auto map = SerialPortMap(sys.roots);
    EXPECT_EQ(names(map), QStringList({"COM1", "COM10", "COM2"}));
    EXPECT_EQ(map[0].device, c.slaveName());
    EXPECT_TRUE(map[0].explicitLink);
    EXPECT_EQ(PortDevicePath(QStringLiteral("COM10"), sys.roots), b.slaveName());
    EXPECT_EQ(PortDevicePath(QStringLiteral("COM3"), sys.roots), QString());
}

TEST(PortMap, UartsWithHardwareKeepTheirNumberUnlessLinkedExplicitly) {
    FakeSystem sys;
    sys.uart(0, 4);
    sys.uart(1, 0); // no hardware behind it
    sys.uart(2, 4);
    PtyPair sim;
    EXPECT_EQ(names(SerialPortMap(sys.roots)), QStringList({"COM1", "COM3"}));
    EXPECT_EQ(PortDevicePath(QStringLiteral("COM3"), sys.roots), sys.roots.devDir + "/ttyS2");

    QFile::link(sim.slaveName(), sys.roots.portsDir + QStringLiteral("/COM1"));
    const auto map = SerialPortMap(sys.roots);
    EXPECT_EQ(names(map), QStringList({"COM1", "COM3"}));
    EXPECT_EQ(map[0].device, sim.slaveName());
}

TEST(PortMap, AdaptersKeepTheirNumberAcrossReplugging) {
    FakeSystem sys;
    sys.uart(0, 4); // COM1
    sys.plug(QStringLiteral("ttyUSB0"), QStringLiteral("usb-FTDI_A-if00-port0"));
    auto map = SerialPortMap(sys.roots);
    ASSERT_EQ(names(map), QStringList({"COM1", "COM2"}));
    EXPECT_EQ(map[1].device, sys.roots.devDir + "/ttyUSB0");
    // Remembered by its by-id name.
    EXPECT_EQ(QFileInfo(sys.roots.portsDir + "/COM2").symLinkTarget(),
              sys.roots.serialById + "/usb-FTDI_A-if00-port0");

    // Unplugged: the name goes, its number stays taken; another adapter
    // gets the next one.
    sys.unplug(QStringLiteral("ttyUSB0"), QStringLiteral("usb-FTDI_A-if00-port0"));
    sys.plug(QStringLiteral("ttyACM0"), QStringLiteral("usb-Other_B-if00"));
    map = SerialPortMap(sys.roots);
    EXPECT_EQ(names(map), QStringList({"COM1", "COM3"}));

    // The first adapter comes back on another socket and tty name.
    sys.plug(QStringLiteral("ttyUSB1"), QStringLiteral("usb-FTDI_A-if00-port0"));
    map = SerialPortMap(sys.roots);
    EXPECT_EQ(names(map), QStringList({"COM1", "COM2", "COM3"}));
    EXPECT_EQ(map[1].device, sys.roots.devDir + "/ttyUSB1");
    EXPECT_EQ(map[2].device, sys.roots.devDir + "/ttyACM0");
}

TEST(PortMap, ListSerialPortsReplacesTheCallersList) {
    TempProgramFolder folder;
    QStringList list{"stale"};
    ListSerialPorts(list);
    // Only what the machine itself has (no ports/ folder here).
    EXPECT_FALSE(list.contains(QStringLiteral("stale")));

    PtyPair sim;
    ASSERT_TRUE(sim.link(folder.path(), QStringLiteral("COM77")));
    ListSerialPorts(list);
    EXPECT_TRUE(list.contains(QStringLiteral("COM77")));
    QStringList sorted = list;
    sortPortNames(sorted);
    EXPECT_EQ(list, sorted);
}

TEST(PortMap, TextOrderIgnoresCaseAndComparesDigitsAsText) {
    QStringList list{"COM2", "COM10", "com3", "COM1"};
    sortPortNames(list);
    EXPECT_EQ(list, QStringList({"COM1", "COM10", "COM2", "com3"}));
}
