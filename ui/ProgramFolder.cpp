// Program-folder resolver.
#include "ui/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace orvex {
namespace {

QString &overrideFolder() {
    static QString folder;
    return folder;
}

QString executableFolder() {
    // The executable's own path; /proc/self/exe also works before a
    // QCoreApplication exists (the tests' main functions, the simulator).
    QString path = QCoreApplication::instance()
                       ? QCoreApplication::applicationFilePath()
                       : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return QFileInfo(path).absolutePath();
}

} // namespace

QString programFolder() {
    const QString &folder = overrideFolder();
    if (!folder.isEmpty())
        return folder;
    return executableFolder();
}

void setProgramFolder(const QString &folder) {
    overrideFolder() = folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
}

QString programPath(const QString &relative) {
    return QDir::cleanPath(programFolder() + QLatin1Char('/') + relative);
}

QString settingsFilePath() {
    return programPath(QString::fromLatin1(kExecutableName) + QStringLiteral(".INI"));
}

} // namespace orvex
