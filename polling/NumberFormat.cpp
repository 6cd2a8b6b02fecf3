// Decimal rounding on the shortest round-trip text of a binary number.
#include "polling/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace orvex::polling {

namespace {

// A finite number as sign, significant digits (no leading zeros) and the
// position of the decimal point: value = 0.d1d2d3... x 10^point. Zero has no
// digits.
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;

    bool isZero() const { return digits.empty(); }
};

template <typename T> Decimal toDecimal(T x) {
    Decimal result;
    result.negative = std::signbit(x);
    char buffer[64];
    // Shortest scientific text that reads back to the same value: "2.52e+03".
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, std::abs(x), std::chars_format::scientific);
    if (ec != std::errc())
        return result;
    const std::string text(buffer, end);
    const auto e = text.find('e');
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] >= '0' && text[i] <= '9')
            result.digits += text[i];
    const int exponent = std::stoi(text.substr(e + 1));
    result.point = exponent + 1;
    while (!result.digits.empty() && result.digits.back() == '0')
        result.digits.pop_back();
    if (result.digits.empty()) // zero
        result.point = 0;
    return result;
}

// Keeps the first `keep` digits, rounding half away from zero on the digit
// that follows. `keep` may be 0 or negative (the number is below the last
// kept place).
void roundTo(Decimal &d, int keep) {
    if (d.isZero() || keep >= static_cast<int>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        d.point = 0;
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.point = 0;
}

// Rounds to at most `significant` significant digits and `decimals` decimals.
void roundFor(Decimal &d, int significant, int decimals) {
    if (significant < 1)
        significant = 1;
    if (decimals < 0)
        decimals = 0;
    roundTo(d, std::min(significant, d.point + decimals));
}

QString digitAt(const Decimal &d, int index) // '0' beyond the stored digits
{
    return QChar(index >= 0 && index < static_cast<int>(d.digits.size())
                     ? d.digits[static_cast<std::size_t>(index)]
                     : '0');
}

QString integerPart(const Decimal &d, const QString &groupSeparator) {
    if (d.point <= 0)
        return QStringLiteral("0");
    QString text;
    for (int i = 0; i < d.point; ++i) {
        if (!groupSeparator.isEmpty() && i > 0 && (d.point - i) % 3 == 0)
            text += groupSeparator;
        text += digitAt(d, i);
    }
    return text;
}

QString fractionPart(const Decimal &d, int decimals) {
    QString text;
    for (int i = 0; i < decimals; ++i)
        text += digitAt(d, d.point + i);
    return text;
}

QString fixedText(const Decimal &d, int decimals, const QString &groupSeparator,
                  const QLocale &locale) {
    QString text;
    if (d.negative && !d.isZero())
        text += locale.negativeSign();
    text += integerPart(d, groupSeparator);
    if (decimals > 0)
        text += locale.decimalPoint() + fractionPart(d, decimals);
    return text;
}

QString exponentText(const Decimal &d, const QLocale &locale) {
    QString text;
    if (d.negative)
        text += locale.negativeSign();
    text += QChar(d.digits[0]);
    if (d.digits.size() > 1)
        text += locale.decimalPoint() + QString::fromLatin1(d.digits.substr(1));
    text += QLatin1Char('E') + QString::number(d.point - 1);
    return text;
}

template <typename T>
QString readingText(T x, int decimals, int significant, const QLocale &locale) {
    if (!std::isfinite(x))
        return QString();
    decimals = std::max(decimals, 0);
    significant = std::max(significant, 1);
    Decimal d = toDecimal(x);
    roundFor(d, significant, decimals);
    if (d.point > significant)
        return exponentText(d, locale);
    return fixedText(d, decimals, QString(), locale);
}

template <typename T> QString numberText(T x, int p, int d, const QLocale &locale) {
    if (!std::isfinite(x))
        return QString();
    d = std::max(d, 0);
    Decimal dec = toDecimal(x);
    roundFor(dec, std::max(p, 1), d);
    return fixedText(dec, d, locale.groupSeparator(), locale);
}

} // namespace

QString formatReading(float x, int decimals, int significant, const QLocale &locale) {
    return readingText(x, decimals, significant, locale);
}

QString formatReading(double x, int decimals, int significant, const QLocale &locale) {
    return readingText(x, decimals, significant, locale);
}

QString formatNumber(float x, int p, int d, const QLocale &locale) {
    return numberText(x, p, d, locale);
}

QString formatNumber(double x, int p, int d, const QLocale &locale) {
    return numberText(x, p, d, locale);
}

} // namespace orvex::polling
