// Poll request framing and CRC-16/MODBUS.
#include "polling/Protocol.h"

namespace orvex::polling {

std::uint16_t CalcCrc16(const std::uint8_t *data, std::size_t count) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

void BuildPollRequest(RequestBuffer &request, std::uint8_t address) {
    request[0] = address;
    request[1] = kPollFunction;
    const std::uint16_t crc = CalcCrc16(request.data(), 2);
    request[2] = static_cast<std::uint8_t>(crc & 0xFF);
    request[3] = static_cast<std::uint8_t>(crc >> 8);
}

RequestBuffer BuildPollRequest(std::uint8_t address) {
    RequestBuffer request{};
    BuildPollRequest(request, address);
    return request;
}

} // namespace orvex::polling

namespace orvex::polling {

ReplyOutcome CheckReply(const ReplyBuffer &reply, const RequestBuffer &request) {
    if (reply[0] == request[0] && reply[1] == request[1]) {
        const std::uint16_t crc = CalcCrc16(reply.data(), 17);
        const std::uint16_t received = static_cast<std::uint16_t>(reply[17] | (reply[18] << 8));
        return {crc == received ? ReplyKind::GoodReply : ReplyKind::BadChecksum, 0, 0};
    }
    // An exception reply is recognised by its first four bytes; its CRC bytes
    // are not examined.
    if (reply[0] == request[0] && reply[1] == static_cast<std::uint8_t>(request[1] + 128))
        return {ReplyKind::ExceptionReply, reply[2], reply[3]};
    return {ReplyKind::NoReply, 0, 0};
}

namespace {

// Exception code 0 means the unit found a checksum error in the request; it
// has a text only with detail byte 6. Codes 1..4 are shown as "ОШИБКА 2".."ОШИБКА 5".
struct FailureTexts {
    const char16_t *label;
    const char16_t *error;
};

FailureTexts failureTexts(const ReplyOutcome &outcome) {
    switch (outcome.kind) {
    case ReplyKind::GoodReply:
        return {u"", u""};
    case ReplyKind::BadChecksum:
        return {u"ОШИБКА КСО", u"  !!! Ошибка контрольной суммы ответа !!! "};
    case ReplyKind::NoReply:
        return {u"нет ответа",
                u"  !!! Пульт выключен, неисправен, обрыв связи или неверный адрес !!! "};
    case ReplyKind::ExceptionReply:
        switch (outcome.errorCode) {
        case 0:
            if (outcome.detail == 6)
                return {u"ОШИБКА КСЗ", u"  !!! Ошибка контрольной суммы запроса !!! "};
            return {u"", u""};
        case 1:
            return {u"ОШИБКА 2", u"  !!! Послан не поддерживаемый код функции !!! "};
        case 2:
            return {u"ОШИБКА 3", u"  !!! Ошибка формата функции !!! "};
        case 3:
            return {u"ОШИБКА 4", u"  !!! Переполнение входного буфера в пульте !!! "};
        case 4:
            return {u"ОШИБКА 5", u"  !!! Недопустимый адрес данных в запросе !!! "};
        default:
            return {u"", u""};
        }
    }
    return {u"", u""};
}

} // namespace

QString ReplyCellLabel(const ReplyOutcome &outcome) {
    return QString::fromUtf16(failureTexts(outcome).label);
}

QString ReplyErrorText(const ReplyOutcome &outcome) {
    return QString::fromUtf16(failureTexts(outcome).error);
}

int SpeedToBitRate(const QString &speed) {
    const QString head = speed.left(5);
    if (head == QLatin1String(" 4800"))
        return 4800;
    if (head == QLatin1String(" 9600"))
        return 9600;
    if (head == QLatin1String("19200"))
        return 19200;
    return 2400;
}

int BitRateOrdinal(int bitRate) {
    static constexpr int kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                     19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (int i = 0; i < static_cast<int>(std::size(kRates)); ++i)
        if (kRates[i] == bitRate)
            return i;
    return -1;
}

int SpeedToBaudRate(const QString &speed) {
    return BitRateOrdinal(SpeedToBitRate(speed));
}

} // namespace orvex::polling
