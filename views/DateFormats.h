// Date texts as the operator sees them. Dates travel through the program as
// QDate values; only the windows turn them into text, in the operator's short
// date format. The date fields of the data views hold two digits for each of
// day, month and year, in the order and with the separator of that format.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace orvex::views {

// The locale's short date format when it is numeric (day, month and year as
// numbers), otherwise "dd.MM.yyyy" (the C locale's "d MMM yyyy" is not).
QString shortDateFormat();

// `date` in shortDateFormat().
QString shortDateText(const QDate &date);

// Reads a text in shortDateFormat(); a two-digit year means 2000-2099.
std::optional<QDate> parseShortDate(const QString &text);

// The format of the date fields: the parts of shortDateFormat() in its order,
// each two digits wide, with its separator ("dd.MM.yy" for "dd.MM.yyyy").
QString fieldDateFormat();

// The input mask of a date field ("99.99.99;_" for "dd.MM.yy").
QString fieldInputMask();

// `date` as a date field shows it.
QString fieldDateText(const QDate &date);

// Reads a date field's text; the two-digit year means 2000-2099. Empty when
// the text is not a complete, existing calendar day.
std::optional<QDate> parseFieldDate(const QString &text);

} // namespace orvex::views
