// Helpers shared by the tests.
#pragma once

#include <QLocale>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace orvex::test {

// A fresh temporary program folder, made current for the lifetime of the
// object; the previous folder is restored afterwards.
class TempProgramFolder {
public:
    TempProgramFolder();
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder &) = delete;
    TempProgramFolder &operator=(const TempProgramFolder &) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
};

// Sets the default locale for the lifetime of the object.
class ScopedLocale {
public:
    explicit ScopedLocale(const QLocale &locale) : m_previous(QLocale()) {
        QLocale::setDefault(locale);
    }
    ~ScopedLocale() { QLocale::setDefault(m_previous); }
    ScopedLocale(const ScopedLocale &) = delete;
    ScopedLocale &operator=(const ScopedLocale &) = delete;

private:
    QLocale m_previous;
};

inline QLocale russianLocale() {
    return QLocale(QLocale::Russian, QLocale::Russia);
}
inline QLocale englishLocale() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

// The folder that holds the built executables (orvex01m, unitsim).
QString buildBinaryDir();

} // namespace orvex::test
