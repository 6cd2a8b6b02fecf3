// Decoding of good replies into the unit state and the cells, and the display
// of failed exchanges, over plain state records. Texts are compared exactly
// under the Russian default locale of the tests; one case runs under a
// dot-decimal locale. Classification of the raw block is in ProtocolTest.cpp.
#include "polling/Decode.h"
#include "tests/polling/QStringPrinter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace orvex::polling;

namespace {

struct ReplySpec {
    std::uint8_t kind = 0;
    std::uint8_t warn = 20;
    std::uint8_t trip = 40;
    std::uint8_t mask = 0xFF;
    std::array<std::uint8_t, 8> raw{};
};

ReplyBuffer makeReply(const ReplySpec &s, std::uint8_t address = 3) {
    ReplyBuffer reply{};
    reply[0] = address;
    reply[1] = kPollFunction;
    std::copy(s.raw.begin(), s.raw.end(), reply.begin() + 3);
    reply[11] = s.kind;
    reply[12] = s.warn;
    reply[13] = s.trip;
    reply[16] = s.mask;
    const std::uint16_t crc = CalcCrc16(reply.data(), 17);
    reply[17] = static_cast<std::uint8_t>(crc & 0xFF);
    reply[18] = static_cast<std::uint8_t>(crc >> 8);
    return reply;
}

QString S(const char *utf8) {
    return QString::fromUtf8(utf8);
}

class Decode : public ::testing::Test {
protected:
    static constexpr int kUnit = 3;

    Decode() {
        for (int ch = 1; ch <= 8; ++ch) {
            ChannelState &c = cells[static_cast<std::size_t>(ch - 1)];
            c.spChannelNo = ch;
            c.spUnitNo = kUnit;
            c.spSensorName = S("Датчик 3-") + QString::number(ch);
            c.cell.hint = S("построено");
            pointers[static_cast<std::size_t>(ch - 1)] = &c;
        }
    }

    DecodeResult decode(const ReplySpec &s) {
        return DecodeReply(kUnit, makeReply(s), unit, pointers, options, recorder());
    }
    void showError(const ReplyOutcome &outcome) {
        ShowReplyError(kUnit, outcome, unit, pointers, options, recorder());
    }
    UnitHeaderRefresh recorder() {
        return [this](int u, bool hasData) { refreshes.emplace_back(u, hasData); };
    }
    ChannelState &cell(int ch) { return cells[static_cast<std::size_t>(ch - 1)]; }

    UnitState unit;
    std::array<ChannelState, 8> cells;
    std::array<ChannelState *, 8> pointers{};
    DecodeOptions options;
    std::vector<std::pair<int, bool>> refreshes;
};

const FontRule kReadingFont{true, PanelColor::windowText(), FontSizeRule::HeightDiv4AtLeast10};
const FontRule kPlainFont{false, PanelColor::windowText(), FontSizeRule::WidthDiv8AtLeast9};

} // namespace

TEST_F(Decode, MethaneReadingAtWarningShowsTwoDecimalsAndLevel1) {
    const DecodeResult r = decode({.kind = 0, .warn = 25, .trip = 50, .mask = 0x01, .raw = {30}});

    EXPECT_EQ(unit.upGasName, S("метан"));
    EXPECT_EQ(unit.upUnitLabel, S("% объема"));
    EXPECT_EQ(unit.upWarnThreshold, 0.25f);
    EXPECT_EQ(unit.upTripThreshold, 0.5f);
    EXPECT_EQ(unit.upDecimals, 2);
    EXPECT_EQ(r.alarmLevel, 1);
    EXPECT_EQ(r.values[0], 0.3f);

    const ChannelState &c = cell(1);
    EXPECT_TRUE(c.spValid);
    EXPECT_EQ(c.spValue, 0.3f);
    EXPECT_EQ(c.spPercent, 60.0f);
    EXPECT_EQ(c.spColor, warningColor());
    EXPECT_EQ(c.cell.background, warningColor());
    EXPECT_EQ(c.cell.font, kReadingFont);
    EXPECT_EQ(c.cell.text, S("0,30"));
    EXPECT_EQ(c.cell.hint, S(" Канал № 3-1 (метан)\r Датчик 3-1\r-----------\r0,30% объема\r"
                             "60% от порога срабатывания "));
    EXPECT_EQ(refreshes, (std::vector<std::pair<int, bool>>{{kUnit, true}}));
}

TEST_F(Decode, PercentModeShowsThePercentageWithSign) {
    options.percentMode = true;
    decode({.kind = 0, .warn = 25, .trip = 50, .raw = {30, 252}});
    EXPECT_EQ(cell(1).cell.text, S("60%"));
    EXPECT_EQ(cell(2).cell.text, S("504%"));
    decode({.kind = 0, .warn = 5, .trip = 10, .raw = {252}});
    EXPECT_EQ(cell(1).cell.text, S("2,52E3%"));
    EXPECT_EQ(cell(1).cell.hint, S(" Канал № 3-1 (метан)\r Датчик 3-1\r-----------\r2,52% объема\r"
                                   "2,52E3% от порога срабатывания "));
}

struct KindCase {
    std::uint8_t kind;
    std::uint8_t raw;
    const char *gas;
    const char *label;
    int decimals;
    float value;
    const char *text;
    float warn; // from warn byte 20
};

TEST_F(Decode, EachScaleKindConvertsAndLabelsItsValues) {
    const KindCase cases[] = {
        {0, 30, "метан", "% объема", 2, 0.3f, "0,30", 0.2f},
        {1, 13, "ВОГ", "% НКПР", 0, 2.6f, "3", 4.0f},
        {2, 77, "СО газ", " мг/куб.м", 0, 77.0f, "77", 20.0f},
        {3, 120, "аммиак", " мг/куб.м", 0, 240.0f, "240", 40.0f},
    };
    for (const KindCase &k : cases) {
        SCOPED_TRACE(k.gas);
        const DecodeResult r = decode({.kind = k.kind, .warn = 20, .trip = 250, .raw = {k.raw}});
        EXPECT_EQ(unit.upGasName, S(k.gas));
        EXPECT_EQ(unit.upUnitLabel, S(k.label));
        EXPECT_EQ(unit.upDecimals, k.decimals);
        EXPECT_EQ(unit.upWarnThreshold, k.warn);
        EXPECT_EQ(cell(1).spValue, k.value);
        EXPECT_EQ(r.values[0], k.value);
        EXPECT_EQ(cell(1).spUnitLabel, S(k.label));
        EXPECT_EQ(cell(1).cell.text, S(k.text));
        EXPECT_TRUE(cell(1).cell.hint.contains(S("\r") + S(k.text) + S(k.label) + S("\r")));
    }
}

struct LevelCase {
    std::uint8_t warn, trip, raw;
    PanelColor color;
    int level;
};

TEST_F(Decode, ThresholdsOnRawBytesChooseColourAndLevelTripFirst) {
    const LevelCase cases[] = {
        {20, 40, 19, belowWarningColor(), 0}, {20, 40, 20, warningColor(), 1},
        {20, 40, 39, warningColor(), 1},      {20, 40, 40, tripColor(), 2},
        {20, 40, 252, tripColor(), 2},        {40, 20, 30, tripColor(), 2},
        {40, 20, 19, belowWarningColor(), 0}, {0, 255, 0, warningColor(), 1},
    };
    for (const LevelCase &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << int(c.warn) << "/" << int(c.trip) << " raw " << int(c.raw));
        const DecodeResult r =
            decode({.kind = 2, .warn = c.warn, .trip = c.trip, .mask = 1, .raw = {c.raw}});
        EXPECT_EQ(cell(1).spColor, c.color);
        EXPECT_EQ(r.alarmLevel, c.level);
    }
}

TEST_F(Decode, AlarmLevelOnlyRisesAcrossChannels) {
    const DecodeResult r = decode({.kind = 2, .warn = 20, .trip = 40, .raw = {50, 25, 5}});
    EXPECT_EQ(r.alarmLevel, 2);
    EXPECT_EQ(decode({.kind = 2, .warn = 20, .trip = 40, .raw = {25, 5, 0}}).alarmLevel, 1);
}

TEST_F(Decode, ChannelOutOfUseIgnoresItsByte) {
    const DecodeResult r =
        decode({.kind = 2, .warn = 20, .trip = 40, .mask = 0xFE, .raw = {255, 255}});
    const ChannelState &c = cell(1);
    EXPECT_EQ(c.spGasName, notInUseMarker());
    EXPECT_EQ(c.cell.text, S("нерабочий"));
    EXPECT_EQ(c.cell.hint, S(" Канал незадействован "));
    EXPECT_EQ(c.spColor, notInUseColor());
    EXPECT_EQ(c.cell.background, notInUseColor());
    EXPECT_EQ(c.cell.font, kPlainFont);
    EXPECT_FALSE(c.spValid);
    EXPECT_EQ(r.values[0], 0.0f);
    EXPECT_EQ(cell(2).cell.text, S("ОТКАЗ"));
}

TEST_F(Decode, ChannelsBeyondTheConfiguredAmountAreLeftAlone) {
    options.channelsMaxAmount = 3;
    const DecodeResult r =
        decode({.kind = 2, .warn = 20, .trip = 40, .mask = 0x0F, .raw = {1, 2, 3, 99}});
    EXPECT_EQ(cell(3).cell.text, S("3"));
    EXPECT_EQ(cell(4).cell.text, QString());
    EXPECT_EQ(cell(4).cell.hint, S("построено"));
    EXPECT_EQ(r.values[3], 0.0f);
    EXPECT_EQ(r.alarmLevel, 0);
}

struct CodeCase {
    std::uint8_t raw;
    const char *text;
    const char *message;
    FontRule font;
};

TEST_F(Decode, CodesWithoutReadingShowTheirTextOnIdleColour) {
    const CodeCase cases[] = {
        {253, "прогрев", "!!! Нет готовности датчика !!! ", kPlainFont},
        {254, "нет датчика", " !!! Датчик не подключён !!! ", kPlainFont},
        {255, "ОТКАЗ", "!!! Неисправность датчика или обрыв связи с датчиком !!! ",
         FontRule{true, faultFontColor(), FontSizeRule::WidthDiv8AtLeast9}},
    };
    for (const CodeCase &k : cases) {
        SCOPED_TRACE(int(k.raw));
        // Trip byte 0: every reading would trip, yet these codes raise nothing.
        const DecodeResult r =
            decode({.kind = 1, .warn = 0, .trip = 0, .mask = 0x02, .raw = {0, k.raw}});
        const ChannelState &c = cell(2);
        EXPECT_EQ(c.cell.text, S(k.text));
        EXPECT_EQ(c.cell.hint, S(" Канал № 3-2\r Датчик 3-2\r") + S(k.message));
        EXPECT_EQ(c.cell.font, k.font);
        EXPECT_EQ(c.spColor, idleCellColor());
        EXPECT_EQ(c.cell.background, idleCellColor());
        EXPECT_EQ(c.spGasName, S("ВОГ"));
        EXPECT_FALSE(c.spValid);
        EXPECT_EQ(r.alarmLevel, 0);
        EXPECT_EQ(r.values[1], 0.0f);
    }
}

TEST_F(Decode, CommentTailFollowsHintsWhenSwitchedOn) {
    cell(1).spComment = S("у входа");
    cell(2).spComment = S("котельная");
    decode({.kind = 2, .warn = 20, .trip = 40, .raw = {10, 253}});
    EXPECT_FALSE(cell(1).cell.hint.contains(S("у входа")));

    options.commentsInHints = true;
    decode({.kind = 2, .warn = 20, .trip = 40, .raw = {10, 253}});
    EXPECT_EQ(cell(1).cell.hint, S(" Канал № 3-1 (СО газ)\r Датчик 3-1\r-----------\r10 мг/куб.м\r"
                                   "25% от порога срабатывания \r====================\r у входа "));
    EXPECT_EQ(cell(2).cell.hint, S(" Канал № 3-2\r Датчик 3-2\r!!! Нет готовности датчика !!! "
                                   "\r====================\r котельная "));
    EXPECT_EQ(cell(3).cell.hint.count(S("=")), 0);
}

TEST_F(Decode, UnknownScaleKindShowsNoValuesButStillRaisesTheLevel) {
    const DecodeResult r =
        decode({.kind = 7, .warn = 20, .trip = 40, .mask = 0x03, .raw = {45, 10}});
    EXPECT_TRUE(unit.upGasName.isEmpty());
    EXPECT_EQ(r.alarmLevel, 2);
    EXPECT_EQ(r.values, (std::array<float, 8>{}));
    for (int ch : {1, 2}) {
        EXPECT_EQ(cell(ch).cell.text, QString());
        EXPECT_EQ(cell(ch).spColor, notInUseColor());
        EXPECT_EQ(cell(ch).cell.background, notInUseColor());
        EXPECT_FALSE(cell(ch).spValid);
        EXPECT_EQ(cell(ch).cell.hint, S("построено"));
    }
    EXPECT_EQ(refreshes.back(), std::make_pair(kUnit, true));
}

TEST_F(Decode, KindAboveThreeKeepsThePreviousKindAndThresholds) {
    decode({.kind = 0, .warn = 25, .trip = 50, .raw = {30}});
    const DecodeResult r = decode({.kind = 4, .warn = 1, .trip = 2, .raw = {10}});
    EXPECT_EQ(unit.upGasName, S("метан"));
    EXPECT_EQ(unit.upWarnThreshold, 0.25f);
    EXPECT_EQ(unit.upTripThreshold, 0.5f);
    EXPECT_EQ(unit.upDecimals, 2);
    // The reply's own bytes still decide colour and level.
    EXPECT_EQ(cell(1).cell.text, S("0,10"));
    EXPECT_EQ(cell(1).spColor, tripColor());
    EXPECT_EQ(r.alarmLevel, 2);
}

TEST_F(Decode, TripThresholdZeroCountsEveryReadingAsOneHundredPercent) {
    options.percentMode = true;
    const DecodeResult r = decode({.kind = 2, .warn = 0, .trip = 0, .raw = {0, 120}});
    for (int ch : {1, 2}) {
        EXPECT_EQ(cell(ch).spPercent, 100.0f);
        EXPECT_EQ(cell(ch).cell.text, S("100%"));
        EXPECT_EQ(cell(ch).spColor, tripColor());
        EXPECT_TRUE(cell(ch).cell.hint.contains(S("\r100% от порога срабатывания ")));
    }
    EXPECT_EQ(r.alarmLevel, 2);
    EXPECT_EQ(r.values[1], 120.0f);
}

TEST_F(Decode, GoodReplyClearsTheErrorText) {
    unit.upErrorText = S("  !!! Ошибка контрольной суммы ответа !!! ");
    decode({.kind = 2});
    EXPECT_TRUE(unit.upErrorText.isEmpty());
}

TEST_F(Decode, DotDecimalLocaleWritesAPoint) {
    orvex::test::ScopedLocale english(orvex::test::englishLocale());
    decode({.kind = 0, .warn = 25, .trip = 50, .raw = {30}});
    EXPECT_EQ(cell(1).cell.text, S("0.30"));
    EXPECT_TRUE(cell(1).cell.hint.contains(S("\r0.30% объема\r60% от порога")));
}

TEST_F(Decode, NoReplyLabelsInUseCellsAndKeepsTheReadings) {
    decode({.kind = 0, .warn = 25, .trip = 50, .mask = 0xFE, .raw = {0, 60}});
    const QString hint = cell(2).cell.hint;
    refreshes.clear();

    showError({ReplyKind::NoReply});

    EXPECT_EQ(unit.upErrorText,
              S("  !!! Пульт выключен, неисправен, обрыв связи или неверный адрес !!! "));
    EXPECT_EQ(refreshes, (std::vector<std::pair<int, bool>>{{kUnit, false}}));
    const ChannelState &c = cell(2);
    EXPECT_EQ(c.cell.text, S("нет ответа"));
    EXPECT_EQ(c.cell.background, PanelColor::buttonFace());
    EXPECT_EQ(c.cell.font, kPlainFont);
    EXPECT_EQ(c.cell.hint, hint);
    EXPECT_TRUE(c.spValid);
    EXPECT_EQ(c.spValue, 0.6f);
    EXPECT_EQ(c.spPercent, 120.0f);
    EXPECT_EQ(c.spColor, tripColor());
    EXPECT_EQ(unit.upTripThreshold, 0.5f);
    // The channel out of use keeps its own text and colour.
    EXPECT_EQ(cell(1).cell.text, S("нерабочий"));
    EXPECT_EQ(cell(1).cell.background, notInUseColor());
}

TEST_F(Decode, OtherErrorsKeepTheFontApartFromItsSize) {
    decode({.kind = 2, .warn = 20, .trip = 40, .mask = 0x03, .raw = {10, 255}});
    showError({ReplyKind::BadChecksum});
    EXPECT_EQ(unit.upErrorText, S("  !!! Ошибка контрольной суммы ответа !!! "));
    EXPECT_EQ(cell(1).cell.text, S("ОШИБКА КСО"));
    EXPECT_EQ(cell(1).cell.font,
              (FontRule{true, PanelColor::windowText(), FontSizeRule::WidthDiv8AtLeast9}));
    EXPECT_EQ(cell(2).cell.font,
              (FontRule{true, faultFontColor(), FontSizeRule::WidthDiv8AtLeast9}));
    EXPECT_EQ(cell(2).cell.background, PanelColor::buttonFace());
}

TEST_F(Decode, ExceptionWithoutTextLeavesEmptyCellsAndErrorText) {
    decode({.kind = 2, .warn = 20, .trip = 40, .mask = 0x01, .raw = {10}});
    unit.upErrorText = S("старое");
    showError({ReplyKind::ExceptionReply, 0, 5});
    EXPECT_TRUE(unit.upErrorText.isEmpty());
    EXPECT_EQ(cell(1).cell.text, QString());
    EXPECT_EQ(cell(1).cell.background, PanelColor::buttonFace());
    // A cell never decoded (empty gas name) is labelled as well.
    showError({ReplyKind::ExceptionReply, 2, 0});
    EXPECT_EQ(cell(1).cell.text, S("ОШИБКА 3"));
    EXPECT_EQ(cell(5).cell.text, S("нерабочий"));
}

// The one reading of a channel byte that both the cells and the journal go
// by: a wrong mask bit or code here would colour a cell one way and journal
// it another.
struct ChannelCase {
    const char *what;
    ReplySpec reply;
    int ch;
    ChannelCode code;
    int level;
};

TEST(ChannelReports, MaskCodesAndThresholdsClassifyEachChannel) {
    const ChannelCase cases[] = {
        {"below warning", {.warn = 20, .trip = 40, .raw = {19}}, 1, ChannelCode::Reading, 0},
        {"at warning", {.warn = 20, .trip = 40, .raw = {20}}, 1, ChannelCode::Reading, 1},
        {"at trip", {.warn = 20, .trip = 40, .raw = {40}}, 1, ChannelCode::Reading, 2},
        {"highest reading", {.warn = 20, .trip = 40, .raw = {252}}, 1, ChannelCode::Reading, 2},
        {"trip below warning", {.warn = 40, .trip = 20, .raw = {30}}, 1, ChannelCode::Reading, 2},
        {"zero thresholds", {.warn = 0, .trip = 0, .raw = {0}}, 1, ChannelCode::Reading, 2},
        {"warming up", {.warn = 0, .trip = 0, .raw = {253}}, 1, ChannelCode::WarmingUp, 0},
        {"no sensor", {.warn = 0, .trip = 0, .raw = {254}}, 1, ChannelCode::NoSensor, 0},
        {"fault", {.warn = 0, .trip = 0, .raw = {255}}, 1, ChannelCode::Fault, 0},
        {"mask bit clear", {.mask = 0xFE, .raw = {255}}, 1, ChannelCode::NotInUse, 0},
        {"own mask bit",
         {.mask = 0x80, .raw = {0, 0, 0, 0, 0, 0, 0, 50}},
         8,
         ChannelCode::Reading,
         2},
        {"neighbour's bit",
         {.mask = 0x7F, .raw = {0, 0, 0, 0, 0, 0, 0, 50}},
         8,
         ChannelCode::NotInUse,
         0},
        {"channel 0", {.raw = {50}}, 0, ChannelCode::NotInUse, 0},
        {"channel 9", {.raw = {50}}, 9, ChannelCode::NotInUse, 0},
    };
    for (const ChannelCase &c : cases) {
        SCOPED_TRACE(c.what);
        const ChannelReport report = classifyChannel(makeReply(c.reply), c.ch);
        EXPECT_EQ(report.code, c.code);
        EXPECT_EQ(report.alarmLevel, c.level);
        if (c.code == ChannelCode::Reading) {
            EXPECT_EQ(report.raw, c.reply.raw[std::size_t(c.ch - 1)]);
        }
    }
    // Only kinds 0..3 name a scale.
    for (const auto &[kind, named] :
         std::vector<std::pair<int, int>>{{0, 0}, {3, 3}, {4, -1}, {255, -1}})
        EXPECT_EQ(replyScaleKind(makeReply({.kind = std::uint8_t(kind)})), named) << kind;
}

TEST(StateRecords, TextsAreCutToTheirLimitsWhenStored) {
    ChannelState c;
    c.spSensorName = QString(50, QChar(u'Д'));
    c.spComment = QString(300, QChar(u'к'));
    c.spGasName = QString(25, QChar(u'г'));
    UnitState u;
    u.upErrorText = QString(100, QChar(u'!'));
    u.upName = QString(41, QChar(u'П'));
    u.upComment = QString(1000, QChar(u'о'));
    EXPECT_EQ(c.spSensorName.text().size(), 40);
    EXPECT_EQ(c.spComment.text().size(), 255);
    EXPECT_EQ(c.spGasName.text().size(), 20);
    EXPECT_EQ(u.upErrorText.text().size(), 80);
    EXPECT_EQ(u.upName.text().size(), 40);
    EXPECT_EQ(u.upComment.size(), 1000);
}

TEST(StateRecords, FontSizeFollowsTheCellSize) {
    EXPECT_EQ(kReadingFont.pointSize(60, 50), 12);
    EXPECT_EQ(kReadingFont.pointSize(60, 30), 10);
    EXPECT_EQ(kPlainFont.pointSize(60, 50), 9);
    EXPECT_EQ(kPlainFont.pointSize(100, 50), 12);
}
