// Decimal rounding on the shortest round-trip text of a binary number.
#include "polling/NumberFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace orvex::polling {

namespace {

// A finite number as sign, significant digits (no leading or trailing zeros)
// and the position of the decimal point: value = 0.d1d2d3... x 10^point.
// Zero has no digits. The shortest form of a double has at most 17 digits.
struct Decimal {
    bool negative = false;
    std::array<char, 24> digitBuffer{};
    int count = 0;
    int point = 0;

    bool isZero() const { return count == 0; }
    char digit(int i) const { return digitBuffer[static_cast<std::size_t>(i)]; }
    void setDigit(int i, char c) { digitBuffer[static_cast<std::size_t>(i)] = c; }
    void trimZeros() {
        while (count > 0 && digit(count - 1) == '0')
            --count;
        if (count == 0)
            point = 0;
    }
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
    const char *p = buffer;
    for (; p != end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9' && result.count < static_cast<int>(result.digitBuffer.size()))
            result.setDigit(result.count++, *p);
    int exponent = 0;
    if (p != end) {
        ++p;
        if (p != end && *p == '+')
            ++p;
        std::from_chars(p, end, exponent);
    }
    result.point = exponent + 1;
    result.trimZeros();
    return result;
}

// Keeps the first `keep` digits, rounding half away from zero on the digit
// that follows. `keep` may be 0 or negative (the number is below the last
// kept place).
void roundTo(Decimal &d, int keep) {
    if (d.isZero() || keep >= d.count)
        return;
    if (keep < 0) {
        d.count = 0;
        d.point = 0;
        return;
    }
    const bool up = d.digit(keep) >= '5';
    d.count = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digit(i) == '9') {
            d.setDigit(i, '0');
            --i;
        }
        if (i >= 0) {
            d.setDigit(i, static_cast<char>(d.digit(i) + 1));
        } else {
            // All kept digits were 9 (or none were kept): the number becomes
            // 1 followed by zeros, one place higher.
            d.setDigit(0, '1');
            d.count = 1;
            ++d.point;
        }
    }
    d.trimZeros();
}

// Rounds to at most `significant` significant digits and `decimals` decimals.
void roundFor(Decimal &d, int significant, int decimals) {
    if (significant < 1)
        significant = 1;
    if (decimals < 0)
        decimals = 0;
    roundTo(d, std::min(significant, d.point + decimals));
}

QChar digitAt(const Decimal &d, int index) // '0' beyond the stored digits
{
    return QLatin1Char(index >= 0 && index < d.count ? d.digit(index) : '0');
}

void appendFixed(QString &text, const Decimal &d, int decimals, const QString &groupSeparator,
                 const QLocale &locale) {
    if (d.negative && !d.isZero())
        text += locale.negativeSign();
    if (d.point <= 0) {
        text += QLatin1Char('0');
    } else {
        for (int i = 0; i < d.point; ++i) {
            if (!groupSeparator.isEmpty() && i > 0 && (d.point - i) % 3 == 0)
                text += groupSeparator;
            text += digitAt(d, i);
        }
    }
    if (decimals > 0) {
        text += locale.decimalPoint();
        for (int i = 0; i < decimals; ++i)
            text += digitAt(d, d.point + i);
    }
}

QString fixedText(const Decimal &d, int decimals, const QString &groupSeparator,
                  const QLocale &locale) {
    QString text;
    const int integerDigits = std::max(d.point, 1);
    text.reserve(integerDigits + integerDigits / 3 * groupSeparator.size() + decimals + 4);
    appendFixed(text, d, decimals, groupSeparator, locale);
    return text;
}

QString exponentText(const Decimal &d, const QLocale &locale) {
    QString text;
    text.reserve(d.count + 12);
    if (d.negative)
        text += locale.negativeSign();
    text += QLatin1Char(d.digit(0));
    if (d.count > 1) {
        text += locale.decimalPoint();
        text += QLatin1String(d.digitBuffer.data() + 1, d.count - 1);
    }
    text += QLatin1Char('E');
    text += QString::number(d.point - 1);
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
