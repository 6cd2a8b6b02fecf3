// Readable QString values in failure messages of the polling tests.
#pragma once

#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}
