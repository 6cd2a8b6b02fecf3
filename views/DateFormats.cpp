// Date texts in the operator's short date format and in the two-digit date
// fields.
#include "views/DateFormats.h"

#include <QLocale>

namespace orvex::views {

namespace {

// A format is numeric when its only letters are d, M and y, day and month
// at most two letters wide (three or more letters name the day or month).
bool isNumericFormat(const QString &format) {
    int days = 0, months = 0, years = 0;
    for (QChar c : format) {
        if (c == u'd')
            ++days;
        else if (c == u'M')
            ++months;
        else if (c == u'y')
            ++years;
        else if (c.isLetter() || c == u'\'')
            return false;
    }
    return days >= 1 && days <= 2 && months >= 1 && months <= 2 && years >= 2;
}

struct FormatParts {
    QString order; // "dMy" in the order of the format, e.g. "dMy" or "Mdy"
    QChar separator;
};

FormatParts partsOf(const QString &format) {
    FormatParts parts;
    for (QChar c : format) {
        if (c == u'd' || c == u'M' || c == u'y') {
            if (!parts.order.contains(c))
                parts.order += c;
        } else if (parts.separator.isNull() && !c.isSpace()) {
            parts.separator = c;
        }
    }
    if (parts.separator.isNull())
        parts.separator = u'.';
    return parts;
}

// Splits a text made of three numbers and separators into the numbers.
std::optional<QList<int>> numbersOf(const QString &text) {
    QList<int> numbers;
    QString digits;
    auto flush = [&] {
        if (!digits.isEmpty()) {
            numbers.append(digits.toInt());
            digits.clear();
        }
    };
    for (QChar c : text) {
        if (c.isDigit()) {
            if (digits.size() >= 4)
                return std::nullopt;
            digits += c;
        } else {
            flush();
        }
    }
    flush();
    if (numbers.size() != 3)
        return std::nullopt;
    return numbers;
}

std::optional<QDate> dateFromParts(const QString &text, const QString &order, bool twoDigitYear) {
    auto numbers = numbersOf(text);
    if (!numbers)
        return std::nullopt;
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        const QChar part = order.at(i);
        const int value = numbers->at(i);
        if (part == u'd')
            day = value;
        else if (part == u'M')
            month = value;
        else
            year = value;
    }
    if (twoDigitYear || year < 100)
        year = 2000 + year % 100;
    QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace

QString shortDateFormat() {
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    return isNumericFormat(format) ? format : QStringLiteral("dd.MM.yyyy");
}

QString shortDateText(const QDate &date) {
    return QLocale().toString(date, shortDateFormat());
}

std::optional<QDate> parseShortDate(const QString &text) {
    const QString format = shortDateFormat();
    return dateFromParts(text, partsOf(format).order, format.count(u'y') < 4);
}

QString fieldDateFormat() {
    const FormatParts parts = partsOf(shortDateFormat());
    QStringList pieces;
    for (QChar part : parts.order)
        pieces << QString(2, part);
    return pieces.join(parts.separator);
}

QString fieldInputMask() {
    const FormatParts parts = partsOf(shortDateFormat());
    // The separator is a literal of the mask; escape it in case it is one of
    // the mask's own meta characters.
    const QString sep = QStringLiteral("\\") + parts.separator;
    return QStringLiteral("99") + sep + QStringLiteral("99") + sep + QStringLiteral("99;_");
}

QString fieldDateText(const QDate &date) {
    return QLocale::c().toString(date, fieldDateFormat());
}

std::optional<QDate> parseFieldDate(const QString &text) {
    const QString format = fieldDateFormat();
    if (text.size() != format.size())
        return std::nullopt;
    for (int i = 0; i < text.size(); ++i) {
        const bool digitPlace = format.at(i).isLetter();
        if (digitPlace != text.at(i).isDigit())
            return std::nullopt;
    }
    return dateFromParts(text, partsOf(shortDateFormat()).order, true);
}

} // namespace orvex::views
