// Date texts of the views and the picker under different operator locales:
// the short date format with its numeric fallback, the two-digit date fields
// and the century of their years. The windows that use them are tested in
// their own suites.
#include "views/DateFormats.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::views;

namespace {

struct LocaleCase {
    const char *name;
    QLocale locale;
    QString shortFormat;
    QString fieldFormat;
    QString mask;
    QString fieldTextOf5March2024;
};

class DateFormatsByLocale : public ::testing::TestWithParam<LocaleCase> {};

} // namespace

TEST_P(DateFormatsByLocale, FormatsFollowTheOperatorsShortDate) {
    const LocaleCase &c = GetParam();
    test::ScopedLocale scoped(c.locale);
    EXPECT_EQ(shortDateFormat(), c.shortFormat);
    EXPECT_EQ(fieldDateFormat(), c.fieldFormat);
    EXPECT_EQ(fieldInputMask(), c.mask);
    const QDate date(2024, 3, 5);
    EXPECT_EQ(fieldDateText(date), c.fieldTextOf5March2024);
    EXPECT_EQ(parseFieldDate(fieldDateText(date)), date);
    EXPECT_EQ(parseShortDate(shortDateText(date)), date);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, DateFormatsByLocale,
    ::testing::Values(LocaleCase{"Russian", test::russianLocale(), "dd.MM.yyyy", "dd.MM.yy",
                                 "99\\.99\\.99;_", "05.03.24"},
                      LocaleCase{"English", test::englishLocale(), "M/d/yy", "MM/dd/yy",
                                 "99\\/99\\/99;_", "03/05/24"},
                      // The C locale's short format names the month: the numeric fallback.
                      LocaleCase{"C", QLocale::c(), "dd.MM.yyyy", "dd.MM.yy", "99\\.99\\.99;_",
                                 "05.03.24"},
                      LocaleCase{"German", QLocale(QLocale::German, QLocale::Germany), "dd.MM.yy",
                                 "dd.MM.yy", "99\\.99\\.99;_", "05.03.24"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DateFields, TwoDigitYearsMeanThisCentury) {
    test::ScopedLocale scoped(test::russianLocale());
    EXPECT_EQ(parseFieldDate(QStringLiteral("31.12.99")), QDate(2099, 12, 31));
    EXPECT_EQ(parseFieldDate(QStringLiteral("01.01.00")), QDate(2000, 1, 1));
    EXPECT_EQ(parseShortDate(QStringLiteral("29.02.2024")), QDate(2024, 2, 29));
}

TEST(DateFields, IncompleteOrImpossibleTextsAreNoDate) {
    test::ScopedLocale scoped(test::russianLocale());
    for (const char *text : {"29.02.23", "31.04.24", "00.01.24", "05.13.24", "  .03.24", "5.3.24",
                             "05.03.2024", "", "__.__.__"}) {
        EXPECT_FALSE(parseFieldDate(QString::fromUtf8(text)).has_value()) << text;
    }
    EXPECT_FALSE(parseShortDate(QStringLiteral("31.02.2024")).has_value());
}
