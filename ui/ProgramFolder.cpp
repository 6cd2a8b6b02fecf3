// Program-folder resolver.
#include "ui/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace orvex {
namespace {

struct Override {
    QString folder;
    QString executableName;
};

Override &current() {
    static Override value;
    return value;
}

QString executablePath() {
    // The executable's own path; /proc/self/exe also works before a
    // QCoreApplication exists (the tests' main functions, the simulator).
    return QCoreApplication::instance()
               ? QCoreApplication::applicationFilePath()
               : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

} // namespace

QString programFolder() {
    const Override &o = current();
    if (!o.folder.isEmpty())
        return o.folder;
    return QFileInfo(executablePath()).absolutePath();
}

QString executableBaseName() {
    const Override &o = current();
    if (!o.folder.isEmpty())
        return o.executableName;
    // The extension, if the file has one, is replaced; a name without one
    // (the usual case here) is taken whole.
    return QFileInfo(executablePath()).completeBaseName();
}

void setProgramFolder(const QString &folder, const QString &executableName) {
    Override &o = current();
    if (folder.isEmpty()) {
        o = Override();
        return;
    }
    o.folder = QDir::cleanPath(QDir(folder).absolutePath());
    o.executableName = executableName;
}

QString programPath(const QString &relative) {
    return QDir::cleanPath(programFolder() + QLatin1Char('/') + relative);
}

QString settingsFilePath() {
    return programPath(executableBaseName() + QStringLiteral(".INI"));
}

} // namespace orvex
