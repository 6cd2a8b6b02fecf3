// Value, percent and grouped number texts: decimal rounding half away from
// zero on the shortest decimal form, separators of the locale, exponent form.
// The default locale of the tests is Russian (decimal comma, no-break space as
// digit group separator).
#include "polling/NumberFormat.h"
#include "tests/polling/QStringPrinter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace orvex::polling;

namespace {
// Read when a test runs, after the test main has set the default locale.
QString group() {
    return QLocale().groupSeparator();
}
} // namespace

struct ReadingCase {
    double x;
    int decimals;
    int significant;
    const char *text;
};

TEST(ReadingText, FixedPointWithDecimalCommaAndExponentForLargeNumbers) {
    const ReadingCase cases[] = {
        {0.3, 2, 5, "0,30"},       {2.6, 0, 5, "3"},
        {240, 0, 5, "240"},        {60, 0, 3, "60"},
        {12.5, 0, 3, "13"},        {-12.5, 0, 3, "-13"},
        {2520, 0, 3, "2,52E3"},    {1000, 0, 3, "1E3"},
        {999.6, 0, 3, "1E3"},      {999.4, 0, 3, "999"},
        {2500, 0, 3, "2,5E3"},     {25200, 0, 3, "2,52E4"},
        {123.456, 2, 5, "123,46"}, {12345.678, 2, 5, "12346,00"},
        {0, 2, 5, "0,00"},         {-0.001, 2, 5, "0,00"},
        {0.004, 2, 5, "0,00"},     {0.005, 2, 5, "0,01"},
        {99999.5, 0, 5, "1E5"},    {1234, 0, 5, "1234"},
        {100, 0, 3, "100"},
    };
    for (const ReadingCase &c : cases)
        EXPECT_EQ(formatReading(c.x, c.decimals, c.significant), QString::fromUtf8(c.text))
            << c.x << " d=" << c.decimals << " p=" << c.significant;
}

TEST(ReadingText, StoredFloatsRoundAsTheirDecimalForm) {
    // 0.285f is 0.28499999642... in binary; a person reads 0.285 and expects 0,29.
    EXPECT_EQ(formatReading(0.285f, 2, 5), QStringLiteral("0,29"));
    EXPECT_EQ(formatReading(1.005, 2, 5), QStringLiteral("1,01"));
    EXPECT_EQ(valueText(2.6f, 0), QStringLiteral("3"));
    EXPECT_EQ(valueText(0.3f, 2), QStringLiteral("0,30"));
    EXPECT_EQ(percentText(2520.0f), QStringLiteral("2,52E3"));
}

TEST(ReadingText, NonFiniteValuesGiveNoText) {
    EXPECT_EQ(formatReading(std::numeric_limits<float>::infinity(), 0, 3), QString());
    EXPECT_EQ(formatReading(std::numeric_limits<double>::quiet_NaN(), 2, 5), QString());
    EXPECT_EQ(formatNumber(std::numeric_limits<float>::quiet_NaN(), 5, 2), QString());
}

TEST(NumberText, GroupsDigitsAndKeepsExactlyDDecimals) {
    EXPECT_EQ(formatNumber(0.5f, 5, 2), QStringLiteral("0,50"));
    EXPECT_EQ(formatNumber(510.0f, 5, 0), QStringLiteral("510"));
    EXPECT_EQ(formatNumber(2.6f, 5, 1), QStringLiteral("2,6"));
    EXPECT_EQ(formatNumber(2524.0f, 3, 0), QStringLiteral("2") + group() + QStringLiteral("520"));
    EXPECT_EQ(formatNumber(1234567.891, 10, 2),
              QStringLiteral("1") + group() + "234" + group() + QStringLiteral("567,89"));
    EXPECT_EQ(formatNumber(0.285f, 5, 2), QStringLiteral("0,29"));
    EXPECT_EQ(formatNumber(-1234.5, 5, 0), QStringLiteral("-1") + group() + QStringLiteral("235"));
    EXPECT_EQ(formatNumber(12.0, 5, 3), QStringLiteral("12,000"));
}

TEST(NumberText, DotDecimalLocaleUsesItsOwnSeparators) {
    orvex::test::ScopedLocale english(orvex::test::englishLocale());
    EXPECT_EQ(formatNumber(1234.5f, 5, 1), QStringLiteral("1,234.5"));
    EXPECT_EQ(valueText(0.3f, 2), QStringLiteral("0.30"));
    EXPECT_EQ(percentText(2520.0f), QStringLiteral("2.52E3"));
}
