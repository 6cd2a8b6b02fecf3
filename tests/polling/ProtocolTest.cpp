// Frames, CRC and the classification of received blocks against published
// vectors; the failure texts of every outcome and the speed rule. Decoding of
// good replies is covered in DecodeTest.cpp.
#include "polling/Protocol.h"
#include "tests/polling/QStringPrinter.h"

#include <gtest/gtest.h>

using namespace orvex::polling;

namespace {

// The documented good reply to a request for address 1.
const ReplyBuffer kGoodReply = {0x01, 0x0C, 0x00, 0x0A, 0x3C, 0x78, 0xFD, 0xFE, 0xFF, 0x00,
                                0x00, 0x01, 0x32, 0x64, 0x00, 0x00, 0x3F, 0xA0, 0x2B};
const RequestBuffer kRequest1 = {0x01, 0x0C, 0x00, 0x25};

ReplyOutcome exception(std::uint8_t code, std::uint8_t detail) {
    return {ReplyKind::ExceptionReply, code, detail};
}

} // namespace

TEST(Crc16, MatchesTheModbusCheckValue) {
    const std::uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(CalcCrc16(text, sizeof text), 0x4B37);
}

TEST(Crc16, DocumentedReplyCarriesA02B) {
    EXPECT_EQ(CalcCrc16(kGoodReply.data(), 17), 0x2BA0);
}

TEST(PollRequest, KnownFramesForAddresses1And2And15) {
    EXPECT_EQ(BuildPollRequest(1), (RequestBuffer{0x01, 0x0C, 0x00, 0x25}));
    EXPECT_EQ(BuildPollRequest(2), (RequestBuffer{0x02, 0x0C, 0x00, 0xD5}));
    EXPECT_EQ(BuildPollRequest(15), (RequestBuffer{0x0F, 0x0C, 0x04, 0x45}));
}

TEST(CheckReply, DocumentedReplyIsGood) {
    EXPECT_EQ(CheckReply(kGoodReply, kRequest1).kind, ReplyKind::GoodReply);
    EXPECT_EQ(CheckReply(kGoodReply, BuildPollRequest(2)).kind, ReplyKind::NoReply);
}

TEST(CheckReply, AnyChangedBodyByteIsBadChecksum) {
    for (std::size_t i = 2; i <= 16; ++i) {
        ReplyBuffer reply = kGoodReply;
        reply[i] ^= 0x01;
        EXPECT_EQ(CheckReply(reply, kRequest1).kind, ReplyKind::BadChecksum) << "byte " << i;
    }
}

TEST(CheckReply, SwappedCrcBytesAreBadChecksum) {
    ReplyBuffer reply = kGoodReply;
    std::swap(reply[17], reply[18]);
    EXPECT_EQ(CheckReply(reply, kRequest1).kind, ReplyKind::BadChecksum);
}

TEST(CheckReply, ForeignAddressOrFunctionIsNoReply) {
    ReplyBuffer otherAddress = kGoodReply;
    otherAddress[0] = 2;
    EXPECT_EQ(CheckReply(otherAddress, kRequest1).kind, ReplyKind::NoReply);
    for (int function : {0, 3, 11, 13, 139, 141, 255}) {
        ReplyBuffer reply = kGoodReply;
        reply[1] = static_cast<std::uint8_t>(function);
        EXPECT_EQ(CheckReply(reply, kRequest1).kind, ReplyKind::NoReply) << function;
    }
}

TEST(CheckReply, SilenceIsNoReply) {
    EXPECT_EQ(CheckReply(ReplyBuffer{}, kRequest1).kind, ReplyKind::NoReply);
}

TEST(CheckReply, ReplyCutAfterTenBytesIsBadChecksum) {
    ReplyBuffer reply{};
    std::copy_n(kGoodReply.begin(), 10, reply.begin());
    EXPECT_EQ(CheckReply(reply, kRequest1).kind, ReplyKind::BadChecksum);
}

TEST(CheckReply, ExceptionReplyCarriesCodeAndDetailWhateverItsCrc) {
    ReplyBuffer reply{0x01, 0x8C, 0x00, 0x06};
    EXPECT_EQ(CheckReply(reply, kRequest1), exception(0, 6));
    reply[17] = 0x12;
    reply[18] = 0x34;
    EXPECT_EQ(CheckReply(reply, kRequest1), exception(0, 6));
    EXPECT_EQ(CheckReply(ReplyBuffer{0x01, 0x8C, 0x03, 0x99}, kRequest1), exception(3, 0x99));
    EXPECT_EQ(CheckReply(ReplyBuffer{0x02, 0x8C, 0x01}, kRequest1).kind, ReplyKind::NoReply);
}

struct FailureCase {
    ReplyOutcome outcome;
    const char16_t *label;
    const char16_t *error;
};

TEST(FailureTexts, EveryOutcomeHasItsLabelAndErrorText) {
    const FailureCase cases[] = {
        {{ReplyKind::BadChecksum}, u"ОШИБКА КСО", u"  !!! Ошибка контрольной суммы ответа !!! "},
        {exception(0, 6), u"ОШИБКА КСЗ", u"  !!! Ошибка контрольной суммы запроса !!! "},
        {exception(0, 5), u"", u""},
        {exception(0, 0), u"", u""},
        {exception(1, 0), u"ОШИБКА 2", u"  !!! Послан не поддерживаемый код функции !!! "},
        {exception(2, 6), u"ОШИБКА 3", u"  !!! Ошибка формата функции !!! "},
        {exception(3, 0), u"ОШИБКА 4", u"  !!! Переполнение входного буфера в пульте !!! "},
        {exception(4, 0), u"ОШИБКА 5", u"  !!! Недопустимый адрес данных в запросе !!! "},
        {exception(5, 6), u"", u""},
        {exception(255, 0), u"", u""},
        {{ReplyKind::NoReply},
         u"нет ответа",
         u"  !!! Пульт выключен, неисправен, обрыв связи или неверный адрес !!! "},
        {{ReplyKind::GoodReply}, u"", u""},
    };
    for (const FailureCase &c : cases) {
        const QString label = QString::fromUtf16(c.label);
        const QString error = QString::fromUtf16(c.error);
        EXPECT_EQ(ReplyCellLabel(c.outcome), label) << label.toStdString();
        EXPECT_EQ(ReplyErrorText(c.outcome), error) << error.toStdString();
    }
}

TEST(Speed, OnlyTheFirstFiveCharactersChooseTheSpeed) {
    const std::pair<const char *, int> cases[] = {
        {" 2400 (000)", 2400}, {" 4800 (001)", 4800},
        {" 9600 (002)", 9600}, {"19200 (003)", 19200},
        {" 2400 (004)", 2400}, {" 4800 (005)", 4800},
        {" 9600 (006)", 9600}, {"19200 (007)", 19200},
        {"9600", 2400},        {"", 2400},
        {"19200", 19200},      {"4800 (001)", 2400},
    };
    for (const auto &[text, rate] : cases)
        EXPECT_EQ(SpeedToBitRate(QString::fromLatin1(text)), rate) << '"' << text << '"';
}

TEST(Speed, BaudRateOrdinalsFollowTheRateList) {
    EXPECT_EQ(SpeedToBaudRate(QStringLiteral(" 2400 (000)")), 4);
    EXPECT_EQ(SpeedToBaudRate(QStringLiteral(" 4800 (005)")), 5);
    EXPECT_EQ(SpeedToBaudRate(QStringLiteral(" 9600 (002)")), 6);
    EXPECT_EQ(SpeedToBaudRate(QStringLiteral("19200 (007)")), 8);
    EXPECT_EQ(SpeedToBaudRate(QStringLiteral("garbage")), 4);
    EXPECT_EQ(BitRateOrdinal(110), 0);
    EXPECT_EQ(BitRateOrdinal(256000), 14);
    EXPECT_EQ(BitRateOrdinal(1234), -1);
}
