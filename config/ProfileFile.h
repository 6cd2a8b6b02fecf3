// The profile-file layer under the settings file: a sectioned text file of
// "[Section]" lines and "key=value" lines, kept in the Windows-1251 code page
// on disk so that files carried over from the earlier installations read the
// same (the unit address keys end in "№", byte 0xB9).
//
// Reading follows the rules operators know from those files: section and key
// names are compared without regard to letter case, the first occurrence of a
// section or key wins, blanks around a value are removed and at most 2047
// characters are taken, integers are decimal or "0x"/"0X" hexadecimal,
// booleans are integers (anything but 0 is true), and anything missing or
// malformed yields the caller's default.
//
// Writing sets one key at a time in memory and save() replaces the file as a
// whole and atomically. Every line the program did not write (unknown keys
// and sections, comments, blank lines, bytes the code page does not define)
// is written back byte for byte, so hand-made additions survive a save.
#pragma once

#include "ui/SystemError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace orvex::config {

// Raised when the file cannot be replaced; the text names the file.
class ProfileWriteError : public SystemError {
public:
    explicit ProfileWriteError(const QString &path);
};

class ProfileFile {
public:
    // Longest value text taken when reading.
    static constexpr int kMaxValueLength = 2047;

    // An empty profile that will be saved to `path`.
    explicit ProfileFile(QString path);

    // Reads `path`. A file that does not exist or cannot be read gives an
    // empty profile; readable() tells which of the two it was.
    static ProfileFile load(const QString &path);

    // Parses profile text as it lies on disk.
    static ProfileFile fromBytes(QString path, const QByteArray &bytes);

    const QString &path() const { return m_path; }

    // False when the file existed but could not be read. save() refuses to
    // replace such a file, since its unread keys would be lost.
    bool readable() const { return m_readable; }

    // The raw value text, trimmed and limited; std::nullopt when the section
    // or key is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;

    QString readString(const QString &section, const QString &key, const QString &def) const;
    int readInteger(const QString &section, const QString &key, int def) const;
    bool readBool(const QString &section, const QString &key, bool def) const;

    // Sets a key (the first occurrence, keeping its spelling), or adds it
    // after the section's last key, or adds the section at the end. Line
    // breaks in the value are written as blanks.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);

    bool hasSection(const QString &section) const;

    // The file's text as it would be saved.
    QByteArray toBytes() const;

    // Replaces the file atomically: a kill or a power cut during the save
    // leaves either the old or the new file, never a truncated one. Raises
    // ProfileWriteError on any failure; the old file then stays as it was.
    void save() const;

    // An integer in profile syntax: optional sign and decimal digits, or
    // "0x"/"0X" and up to eight hexadecimal digits (taken as the 32-bit
    // pattern, so 0xFFFFFFFF is -1). Anything else, including a value that
    // does not fit in 32 bits, is std::nullopt.
    static std::optional<int> parseInteger(QStringView text);

    // True when every character of `text` exists in Windows-1251. Editors
    // use it to refuse text that would otherwise reach the file as garbage.
    static bool encodable(const QString &text);

private:
    struct Line {
        QByteArray raw; // including its line terminator, if it had one
        QString key;    // key name for a "key=value" line, else empty
        QString value;  // its value, trimmed
        bool isKey = false;
    };
    struct Section {
        QString name;
        bool hasHeader = false; // false only for the lines before the first header
        QByteArray rawHeader;
        QList<Line> lines;
    };

    Section *findSection(const QString &name);
    const Section *findSection(const QString &name) const;
    QByteArray encodeLine(const QString &text) const;

    QString m_path;
    QList<Section> m_sections;
    QByteArray m_eol = "\n";
    bool m_readable = true;
};

} // namespace orvex::config
