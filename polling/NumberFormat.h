// Number texts of the grid and the hints.
//
// Rounding works on decimal digits, not on binary values: a number is first
// written as the shortest decimal text that reads back to the same float (or
// double), and that text is rounded half away from zero. So a stored 0.285f,
// whose binary value is 0.28499999..., rounds to 0,29 as a person expects,
// and 12.5 becomes 13. Each overload takes the precision its argument has:
// passing a float value through the double overload would expose its binary
// tail (0.285f is 0.284999996423721 as a double).
#pragma once

#include <QLocale>
#include <QString>

namespace orvex::polling {

// A value or percent text of a cell or cell hint: fixed point with `decimals`
// decimals, rounded to at most `significant` significant digits, no digit
// grouping. When the rounded integer part has more digits than `significant`,
// the exponent form is used instead: first digit, decimal separator and the
// remaining significant digits (if any), "E" and the power of ten without sign
// or leading zeros, as in "2,52E3". A value that is not finite gives an empty
// text.
QString formatReading(float x, int decimals, int significant, const QLocale &locale = QLocale());
QString formatReading(double x, int decimals, int significant, const QLocale &locale = QLocale());

// A channel value with the unit's decimals, at most 5 significant digits.
inline QString valueText(float value, int decimals, const QLocale &locale = QLocale()) {
    return formatReading(value, decimals, 5, locale);
}

// A percentage rounded to a whole number, at most 3 significant digits.
inline QString percentText(float percent, const QLocale &locale = QLocale()) {
    return formatReading(percent, 0, 3, locale);
}

// Number(x, p, d): x with digit grouping and exactly d decimals, rounded to p
// significant digits; integer digits beyond p become zeros ("2 520" for 2524
// with p = 3). Separators come from the locale. A value that is not finite
// gives an empty text.
QString formatNumber(float x, int p, int d, const QLocale &locale = QLocale());
QString formatNumber(double x, int p, int d, const QLocale &locale = QLocale());

} // namespace orvex::polling
