// The port map and the port list.
#include "serial/PortMap.h"

#include "serial/BCPort.h"
#include "serial/ComMessages.h"
#include "ui/ProgramFolder.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace orvex::serial {

namespace {

QString portsFolder(const PortMapRoots &roots) {
    return roots.portsDir.isEmpty() ? programPath(QStringLiteral("ports")) : roots.portsDir;
}

// A tty driver's range of device numbers from /proc/tty/drivers.
struct DriverRange {
    unsigned major;
    unsigned firstMinor;
    unsigned lastMinor;
};

QList<DriverRange> ttyDriverRanges() {
    QList<DriverRange> ranges;
    QFile file(QStringLiteral("/proc/tty/drivers"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return ranges;
    // name  node  major  minor-range  type
    const auto lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() < 5)
            continue;
        bool okMajor = false;
        const unsigned major = f[2].toUInt(&okMajor);
        const QStringList minors = f[3].split(QLatin1Char('-'));
        bool okFirst = false, okLast = true;
        const unsigned first = minors[0].toUInt(&okFirst);
        unsigned last = first;
        if (minors.size() > 1)
            last = minors[1].toUInt(&okLast);
        if (okMajor && okFirst && okLast)
            ranges.append({major, first, last});
    }
    return ranges;
}

// The names of the entries of a folder, or nothing when it does not exist.
// `error` is set when it exists but cannot be read.
QStringList folderEntries(const QString &folder, bool *error) {
    QStringList names;
    *error = false;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        *error = errno != ENOENT && errno != ENOTDIR;
        return names;
    }
    errno = 0;
    while (dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names.append(name);
    }
    ::closedir(dir);
    names.sort();
    return names;
}

// Present tty devices of one kind from sysfs, e.g. ttyUSB0, ttyUSB1.
QStringList sysfsTtys(const PortMapRoots &roots, const QString &prefix) {
    bool error = false;
    QStringList found;
    for (const QString &name : folderEntries(roots.sysClassTty, &error)) {
        if (!name.startsWith(prefix))
            continue;
        bool ok = false;
        name.mid(prefix.size()).toUInt(&ok);
        if (ok)
            found.append(name);
    }
    std::sort(found.begin(), found.end(), [&](const QString &a, const QString &b) {
        return a.mid(prefix.size()).toUInt() < b.mid(prefix.size()).toUInt();
    });
    return found;
}

QString readSmallFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.read(64)).trimmed();
}

// Creates `link` -> `target` unless something named `link` exists already.
bool rememberLink(const QString &link, const QString &target) {
    QDir().mkpath(QFileInfo(link).path());
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) ==
           0;
}

} // namespace

int portNumber(const QString &name) {
    static const QRegularExpression pattern(QStringLiteral("^COM([1-9][0-9]{0,8})$"));
    const auto match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

bool isTtyDevice(const QString &path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned maj = major(st.st_rdev);
    const unsigned min = minor(st.st_rdev);
    for (const DriverRange &r : ttyDriverRanges()) {
        if (r.major == maj && min >= r.firstMinor && min <= r.lastMinor)
            return true;
    }
    // Drivers list only the start of some ranges; sysfs knows every device.
    const QString subsystem =
        QFileInfo(QStringLiteral("/sys/dev/char/%1:%2/subsystem").arg(maj).arg(min))
            .canonicalFilePath();
    return !subsystem.isEmpty() && QFileInfo(subsystem).fileName() == QLatin1String("tty");
}

void sortPortNames(QStringList &names) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::stable_sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        return collator.compare(a, b) < 0;
    });
}

QList<PortMapEntry> SerialPortMap(const PortMapRoots &roots) {
    const QString ports = portsFolder(roots);

    // Hardware the system reports: on-board UARTs and USB/ACM adapters.
    std::map<int, QString> uarts; // port number -> device
    for (const QString &tty : sysfsTtys(roots, QStringLiteral("ttyS"))) {
        const QString type =
            readSmallFile(roots.sysClassTty + QLatin1Char('/') + tty + QStringLiteral("/type"));
        if (!type.isEmpty() && type != QLatin1String("0"))
            uarts[tty.mid(4).toInt() + 1] = roots.devDir + QLatin1Char('/') + tty;
    }
    QStringList adapters;
    adapters << sysfsTtys(roots, QStringLiteral("ttyACM"))
             << sysfsTtys(roots, QStringLiteral("ttyUSB"));
    QSet<QString> adapterDevices;
    for (const QString &tty : adapters) {
        const QString canonical =
            QFileInfo(roots.devDir + QLatin1Char('/') + tty).canonicalFilePath();
        adapterDevices.insert(canonical.isEmpty() ? roots.devDir + QLatin1Char('/') + tty
                                                  : canonical);
    }

    // Explicit links.
    bool unreadable = false;
    const QStringList entries = folderEntries(ports, &unreadable);
    if (unreadable)
        throw EComPort(msg::portList());
    QList<PortMapEntry> map;
    QSet<int> taken;
    QSet<QString> explicitDevices;
    for (const QString &name : entries) {
        const int number = portNumber(name);
        if (number < 0)
            continue;
        taken.insert(number);
        const QFileInfo link(ports + QLatin1Char('/') + name);
        if (!link.isSymLink())
            continue;
        const QString device = link.canonicalFilePath();
        if (device.isEmpty() || !(adapterDevices.contains(device) || isTtyDevice(device)))
            continue;
        map.append({name, device, link.symLinkTarget(), true});
        explicitDevices.insert(device);
    }

    // On-board UARTs keep the number of their device.
    for (const auto &[number, device] : uarts) {
        const QString canonical = QFileInfo(device).canonicalFilePath();
        if (taken.contains(number) ||
            explicitDevices.contains(canonical.isEmpty() ? device : canonical))
            continue;
        taken.insert(number);
        map.append({QStringLiteral("COM%1").arg(number), device, device, false});
    }
    for (const auto &[number, device] : uarts)
        taken.insert(number);

    // Adapters on the lowest free numbers, remembered by their by-id name.
    bool noById = false;
    const QStringList byIdNames = folderEntries(roots.serialById, &noById);
    for (const QString &tty : adapters) {
        const QString device = roots.devDir + QLatin1Char('/') + tty;
        const QString canonical = QFileInfo(device).canonicalFilePath();
        if (explicitDevices.contains(canonical.isEmpty() ? device : canonical))
            continue;
        int number = 1;
        while (taken.contains(number))
            ++number;
        taken.insert(number);
        const QString name = QStringLiteral("COM%1").arg(number);
        QString source = device;
        for (const QString &byId : byIdNames) {
            const QString path = roots.serialById + QLatin1Char('/') + byId;
            if (!canonical.isEmpty() && QFileInfo(path).canonicalFilePath() == canonical) {
                if (rememberLink(ports + QLatin1Char('/') + name, path))
                    source = path;
                break;
            }
        }
        map.append({name, canonical.isEmpty() ? device : canonical, source, source != device});
    }

    QStringList names;
    for (const PortMapEntry &e : map)
        names.append(e.name);
    sortPortNames(names);
    QList<PortMapEntry> sorted;
    for (const QString &name : names) {
        for (const PortMapEntry &e : map) {
            if (e.name == name)
                sorted.append(e);
        }
    }
    return sorted;
}

QString PortDevicePath(const QString &port, const PortMapRoots &roots) {
    for (const PortMapEntry &e : SerialPortMap(roots)) {
        if (e.name.compare(port, Qt::CaseInsensitive) == 0)
            return e.device;
    }
    return QString();
}

void ListSerialPorts(QStringList &list) {
    QStringList names;
    for (const PortMapEntry &e : SerialPortMap())
        names.append(e.name);
    list = names;
}

} // namespace orvex::serial
