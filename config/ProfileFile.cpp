// The profile-file layer: parsing, lookup, in-memory writes and atomic save.
#include "config/ProfileFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <limits>

namespace orvex::config {
namespace {

constexpr const char *kCodePage = "windows-1251";

QString decode(const QByteArray &bytes) {
    QStringDecoder decoder(kCodePage);
    return decoder(bytes);
}

// Splits the file into lines, each keeping its own terminator, so that a
// file with Windows line ends (or none at the very end) is written back as
// it was.
QList<QByteArray> splitLines(const QByteArray &bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            lines.append(bytes.mid(start));
            break;
        }
        lines.append(bytes.mid(start, end - start + 1));
        start = end + 1;
    }
    return lines;
}

QString withoutTerminator(const QString &line) {
    qsizetype n = line.size();
    while (n > 0 && (line[n - 1] == QLatin1Char('\n') || line[n - 1] == QLatin1Char('\r')))
        --n;
    return line.left(n);
}

bool endsWithNewline(const QByteArray &raw) {
    return raw.endsWith('\n');
}

} // namespace

ProfileWriteError::ProfileWriteError(const QString &path)
    : SystemError(QStringLiteral("Unable to write to %1").arg(path)) {}

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {
    m_sections.append(Section{}); // the lines before the first section header
}

ProfileFile ProfileFile::load(const QString &path) {
    QFile file(path);
    if (!file.exists())
        return ProfileFile(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ProfileFile empty(path);
        empty.m_readable = false;
        return empty;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ProfileFile empty(path);
        empty.m_readable = false;
        return empty;
    }
    return fromBytes(path, bytes);
}

ProfileFile ProfileFile::fromBytes(QString path, const QByteArray &bytes) {
    ProfileFile profile(std::move(path));
    const QList<QByteArray> rawLines = splitLines(bytes);
    for (const QByteArray &raw : rawLines) {
        if (raw.endsWith("\r\n")) {
            profile.m_eol = "\r\n";
            break;
        }
        if (raw.endsWith('\n'))
            break;
    }

    for (const QByteArray &raw : rawLines) {
        const QString text = withoutTerminator(decode(raw)).trimmed();
        if (text.startsWith(QLatin1Char('['))) {
            qsizetype close = text.indexOf(QLatin1Char(']'));
            Section section;
            section.name = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
            section.hasHeader = true;
            section.rawHeader = raw;
            profile.m_sections.append(section);
            continue;
        }
        Line line;
        line.raw = raw;
        qsizetype eq = text.indexOf(QLatin1Char('='));
        if (eq > 0) {
            line.key = text.left(eq).trimmed();
            line.value = text.mid(eq + 1).trimmed();
            line.isKey = !line.key.isEmpty();
        }
        profile.m_sections.last().lines.append(line);
    }
    return profile;
}

const ProfileFile::Section *ProfileFile::findSection(const QString &name) const {
    for (const Section &section : m_sections) {
        if (section.hasHeader && section.name.compare(name, Qt::CaseInsensitive) == 0)
            return &section;
    }
    return nullptr;
}

ProfileFile::Section *ProfileFile::findSection(const QString &name) {
    return const_cast<Section *>(std::as_const(*this).findSection(name));
}

bool ProfileFile::hasSection(const QString &section) const {
    return findSection(section) != nullptr;
}

std::optional<QString> ProfileFile::value(const QString &section, const QString &key) const {
    const Section *s = findSection(section);
    if (!s)
        return std::nullopt;
    for (const Line &line : s->lines) {
        if (line.isKey && line.key.compare(key, Qt::CaseInsensitive) == 0)
            return line.value.left(kMaxValueLength);
    }
    return std::nullopt;
}

QString ProfileFile::readString(const QString &section, const QString &key,
                                const QString &def) const {
    return value(section, key).value_or(def);
}

int ProfileFile::readInteger(const QString &section, const QString &key, int def) const {
    const std::optional<QString> text = value(section, key);
    if (!text)
        return def;
    return parseInteger(*text).value_or(def);
}

bool ProfileFile::readBool(const QString &section, const QString &key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

std::optional<int> ProfileFile::parseInteger(QStringView text) {
    if (text.size() > 2 && text[0] == QLatin1Char('0') &&
        (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'))) {
        QStringView digits = text.mid(2);
        if (digits.size() > 8)
            return std::nullopt;
        quint32 result = 0;
        for (QChar c : digits) {
            int d;
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                d = c.unicode() - '0';
            else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                d = c.unicode() - 'a' + 10;
            else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
                d = c.unicode() - 'A' + 10;
            else
                return std::nullopt;
            result = result * 16 + quint32(d);
        }
        return static_cast<int>(result);
    }

    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 result = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        result = result * 10 + (c.unicode() - '0');
        if (result > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        result = -result;
    if (result > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(result);
}

bool ProfileFile::encodable(const QString &text) {
    QStringEncoder encoder(kCodePage);
    const QByteArray bytes = encoder(text); // the conversion runs here
    return !encoder.hasError();
}

QByteArray ProfileFile::encodeLine(const QString &text) const {
    // A character outside the code page becomes '?' rather than the
    // encoder's control-character substitute; the editors refuse such text
    // before it gets here.
    QByteArray out;
    out.reserve(text.size() + m_eol.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QStringEncoder encoder(kCodePage);
        QByteArray bytes = encoder(QStringView(text).mid(i, len));
        out += encoder.hasError() ? QByteArray("?") : bytes;
        i += len - 1;
    }
    return out + m_eol;
}

void ProfileFile::writeString(const QString &section, const QString &key, const QString &text) {
    // A line break inside a value would end the line and turn the rest into
    // keys or sections of their own; it is written as a blank instead.
    QString value = text;
    value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));

    Section *s = findSection(section);
    if (!s) {
        // A new section goes to the end of the file; the last line gets a
        // terminator first if it lacked one.
        Section &last = m_sections.last();
        QByteArray &tail = last.lines.isEmpty() ? last.rawHeader : last.lines.last().raw;
        if (!tail.isEmpty() && !endsWithNewline(tail))
            tail += m_eol;
        Section added;
        added.name = section;
        added.hasHeader = true;
        added.rawHeader = encodeLine(QLatin1Char('[') + section + QLatin1Char(']'));
        m_sections.append(added);
        s = &m_sections.last();
    }

    for (Line &line : s->lines) {
        if (line.isKey && line.key.compare(key, Qt::CaseInsensitive) == 0) {
            // The key keeps the spelling the file gave it.
            line.value = value.trimmed();
            line.raw = encodeLine(line.key + QLatin1Char('=') + value);
            return;
        }
    }

    // A new key goes after the section's last non-blank line, so the blank
    // lines that separate it from the next section stay where they are.
    qsizetype at = s->lines.size();
    while (at > 0 && decode(s->lines[at - 1].raw).trimmed().isEmpty())
        --at;
    QByteArray &before = at == 0 ? s->rawHeader : s->lines[at - 1].raw;
    if (!before.isEmpty() && !endsWithNewline(before))
        before += m_eol;
    Line line;
    line.key = key;
    line.value = value.trimmed();
    line.isKey = true;
    line.raw = encodeLine(key + QLatin1Char('=') + value);
    s->lines.insert(at, line);
}

void ProfileFile::writeInteger(const QString &section, const QString &key, int value) {
    writeString(section, key, QString::number(value));
}

void ProfileFile::writeBool(const QString &section, const QString &key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray ProfileFile::toBytes() const {
    QByteArray out;
    for (const Section &section : m_sections) {
        if (section.hasHeader)
            out += section.rawHeader;
        for (const Line &line : section.lines)
            out += line.raw;
    }
    return out;
}

void ProfileFile::save() const {
    // A file that exists but could not be read is not replaced: its keys
    // and sections would be lost.
    if (!m_readable)
        throw ProfileWriteError(m_path);

    // QSaveFile writes a temporary file beside the target, syncs it and
    // renames it over the target; the existing file's permissions carry
    // over. The direct-write fallback stays off: it would give up the
    // atomicity when the folder is not writable.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        throw ProfileWriteError(m_path);
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        throw ProfileWriteError(m_path);
    }
    if (!file.commit())
        throw ProfileWriteError(m_path);
}

} // namespace orvex::config
