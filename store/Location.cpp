// Alias file and database folder resolution.
#include "store/Location.h"

#include "store/StoreError.h"
#include "store/StoreTexts.h"
#include "ui/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace orvex::store {
namespace {

QString aliasFilePath() {
    return programPath(QString::fromLatin1(kAliasFileName));
}

// Reads the alias file's lines; a missing file has none. A file that exists
// but cannot be read is an error: falling back to another database because
// of it would record into the wrong place unnoticed.
QStringList aliasLines() {
    QFile file(aliasFilePath());
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw DatabaseError(texts::aliasFileUnreadable(file.fileName()));
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

// Splits "NAME = folder"; false for blank lines, comments and lines without '='.
bool parseLine(const QString &line, QString &name, QString &value) {
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char('#')) || t.startsWith(QLatin1Char(';')))
        return false;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    name = t.left(eq).trimmed();
    value = t.mid(eq + 1).trimmed();
    return true;
}

QString absoluteFolder(const QString &path) {
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isRelativePath(p))
        p = programFolder() + QLatin1Char('/') + p;
    return QDir::cleanPath(p);
}

} // namespace

QString aliasTarget(const QString &alias) {
    const QString wanted = alias.trimmed();
    QString name, value;
    for (const QString &line : aliasLines()) {
        if (parseLine(line, name, value) && name.compare(wanted, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool aliasDefined(const QString &alias) {
    return !aliasTarget(alias).isEmpty();
}

QStringList aliasNames() {
    QStringList names;
    QString name, value;
    for (const QString &line : aliasLines()) {
        if (parseLine(line, name, value) && !value.isEmpty() &&
            !names.contains(name, Qt::CaseInsensitive))
            names << name;
    }
    return names;
}

void defineAlias(const QString &alias, const QString &folder) {
    QStringList lines = aliasLines();
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        lines << QStringLiteral("# Database aliases: NAME = folder (relative to this folder)");
    const QString entry = alias + QStringLiteral(" = ") + folder;
    bool replaced = false;
    QString name, value;
    for (QString &line : lines) {
        if (parseLine(line, name, value) && name.compare(alias, Qt::CaseInsensitive) == 0) {
            line = entry;
            replaced = true;
        }
    }
    if (!replaced)
        lines << entry;
    QSaveFile file(aliasFilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
        file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0 ||
        !file.commit())
        throw StoreError(texts::aliasFileUnwritable(file.fileName()));
}

DatabaseLocation locateDatabase(const QString &databaseName) {
    DatabaseLocation location;
    const QString name = databaseName.trimmed();
    const QString target = isServerUri(name) ? name : aliasTarget(name);
    if (!name.isEmpty() && isServerUri(target))
        location.server = parseServerUri(target);
    else
        location.folder = resolveDatabase(databaseName);
    return location;
}

QString resolveDatabase(const QString &databaseName) {
    const QString name = databaseName.trimmed();
    if (name.isEmpty())
        throw AliasNotDefinedError(texts::aliasNotDefined(name));
    const QString target = aliasTarget(name);
    if (!target.isEmpty()) {
        QString folder = absoluteFolder(target);
        if (!QFileInfo(folder).isDir())
            throw DatabaseError(texts::folderMissing(folder));
        return folder;
    }
    const bool looksLikePath = name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'));
    QString folder = absoluteFolder(name);
    if (looksLikePath || QFileInfo(folder).isDir()) {
        if (!QFileInfo(folder).isDir())
            throw DatabaseError(texts::folderMissing(folder));
        return folder;
    }
    throw AliasNotDefinedError(texts::aliasNotDefined(name));
}

} // namespace orvex::store
