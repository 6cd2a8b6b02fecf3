// Rules of the options dialog without a window: the number a numeric field
// holds, the keep-time and archive-level leave rules, the table-size
// estimate with its mask formatting and hint texts, the speed items, and
// the code-page check of texts bound for the settings file.
#include "config/OptionsRules.h"

#include <gtest/gtest.h>

using namespace orvex::config;

namespace {

struct NumberCase {
    const char *text;
    std::optional<int> expected;
};

void PrintTo(const NumberCase &c, std::ostream *os) {
    *os << '"' << c.text << '"';
}

class FieldNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FieldNumber, ReadsWholeNumbersOnly) {
    EXPECT_EQ(fieldNumber(QString::fromUtf8(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FieldNumber,
    ::testing::Values(NumberCase{"24", 24}, NumberCase{"0", 0}, NumberCase{"-5", -5},
                      NumberCase{"+7", 7}, NumberCase{"007", 7}, NumberCase{"", std::nullopt},
                      NumberCase{"-", std::nullopt}, NumberCase{"1-2", std::nullopt},
                      NumberCase{" 24", std::nullopt}, NumberCase{"abc", std::nullopt},
                      NumberCase{"99999999999", std::nullopt}, NumberCase{"٣", std::nullopt}));

struct RuleCase {
    const char *text;
    LeaveVerdict keep;
    LeaveVerdict archive;
};

void PrintTo(const RuleCase &c, std::ostream *os) {
    *os << '"' << c.text << '"';
}

class LeaveRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(LeaveRules, AcceptRefuseOrReport) {
    const RuleCase &c = GetParam();
    EXPECT_EQ(keepTimeRule(QString::fromUtf8(c.text)).verdict, c.keep) << c.text;
    EXPECT_EQ(archiveLevelRule(QString::fromUtf8(c.text)).verdict, c.archive) << c.text;
}

using V = LeaveVerdict;
INSTANTIATE_TEST_SUITE_P(Texts, LeaveRules,
                         ::testing::Values(RuleCase{"1", V::Accepted, V::Accepted},
                                           RuleCase{"2", V::Accepted, V::Accepted},
                                           RuleCase{"3", V::Accepted, V::Refused},
                                           // The keep-time field runs to 120, the rule only to 72.
                                           RuleCase{"72", V::Accepted, V::Refused},
                                           RuleCase{"73", V::Refused, V::Refused},
                                           RuleCase{"100", V::Refused, V::Refused},
                                           RuleCase{"0", V::Refused, V::Refused},
                                           RuleCase{"", V::Refused, V::Refused},
                                           RuleCase{"-", V::NotANumber, V::NotANumber}));

TEST(LeaveRules, AcceptedValueAndRefusalTexts) {
    EXPECT_EQ(keepTimeRule(QStringLiteral("72")).value, 72);
    EXPECT_EQ(archiveLevelRule(QStringLiteral("1")).value, 1);
    EXPECT_EQ(keepTimeRefusal(), QStringLiteral("Недопустимое значение!\r Введите 1-72."));
    EXPECT_EQ(archiveLevelRefusal(), QStringLiteral("Недопустимое значение!\r Введите 1 или 2."));
}

struct MaskCase {
    qint64 rows;
    const char *shown;
};

void PrintTo(const MaskCase &c, std::ostream *os) {
    *os << c.rows;
}

class RowEstimateMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(RowEstimateMask, RightAlignsDigitsIntoTheNineCharacterPattern) {
    EXPECT_EQ(formatRowEstimate(GetParam().rows), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Counts, RowEstimateMask,
    ::testing::Values(MaskCase{5400, "    5 400"}, MaskCase{648000, "  648 000"},
                      MaskCase{8640, "    8 640"}, MaskCase{0, "        0"},
                      MaskCase{999, "      999"}, MaskCase{1000000, "1 000 000"},
                      MaskCase{6480000, "6 480 000"}, MaskCase{12345678, "12 345 678"}));

TEST(RowEstimate, TruncatesAndNeverDividesByZero) {
    EXPECT_EQ(currentTableRows(15, 120, 10), 648000);
    EXPECT_EQ(currentTableRows(1, 24, 10), 8640);
    EXPECT_EQ(currentTableRows(1, 1, 7), 514); // 3600 / 7 = 514.28
    EXPECT_EQ(currentTableRows(15, 120, 1), 6480000);
    EXPECT_EQ(currentTableRows(3, 24, 0), std::nullopt);
}

TEST(RowEstimate, HintsDifferOnlyInTheirFirstLine) {
    const QString tail = QStringLiteral(
        "и количестве пультов - 15\rтаблица текущих данных содержит до   648 000 записей.\r"
        "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~\r   Выбирая эти параметры, учитывайте\r"
        "реальные возможности просмотра хранимых данных.");
    EXPECT_EQ(periodGroupHint(QStringLiteral("120"), 15, 648000),
              QStringLiteral("При таком периоде опроса, времени хранения - 120 ч\r") + tail);
    // " c" with a Latin c, as the system writes it.
    EXPECT_EQ(keepGroupHint(QStringLiteral("10"), 15, 648000),
              QStringLiteral("При таком времени хранения, периоде опроса - 10 c\r") + tail);
}

TEST(SpeedItems, EightTextsMatchedWithoutRegardToCaseAndLeadingBlanks) {
    ASSERT_EQ(speedTexts().size(), 8);
    EXPECT_EQ(speedTexts()[0], QStringLiteral(" 2400 (000)"));
    EXPECT_EQ(speedTexts()[7], QStringLiteral("19200 (007)"));
    EXPECT_EQ(speedItemIndex(QStringLiteral("19200 (007)")), 7);
    EXPECT_EQ(speedItemIndex(QStringLiteral(" 9600 (006)")), 6);
    // The settings file drops the blank in front of a four-digit speed.
    EXPECT_EQ(speedItemIndex(QStringLiteral("9600 (006)")), 6);
    EXPECT_EQ(speedItemIndex(QStringLiteral("4800 (001)")), 1);
    EXPECT_EQ(speedItemIndex(QStringLiteral("  19200 (003)")), 3);
    // Anything else is no item; the group then shows item 0.
    EXPECT_EQ(matchingSpeedItem(QStringLiteral("19200")), std::nullopt);
    EXPECT_EQ(matchingSpeedItem(QStringLiteral("9600 (006) ")), std::nullopt);
    EXPECT_EQ(matchingSpeedItem(QString()), std::nullopt);
    EXPECT_EQ(speedItemIndex(QStringLiteral("19200")), 0);
}

TEST(SettingsCodePage, RefusesCharactersWindows1251Lacks) {
    EXPECT_TRUE(fitsSettingsCodePage(QStringLiteral("\\Sound\\Тревога №1.wav")));
    EXPECT_TRUE(fitsSettingsCodePage(QString()));
    EXPECT_FALSE(fitsSettingsCodePage(QStringLiteral("/home/op/警報.wav")));
    EXPECT_FALSE(fitsSettingsCodePage(QStringLiteral("ł.wav")));
}

} // namespace
