// The exchange with the control units: the 4-byte poll request, the 19-byte
// unit reply, CRC-16/MODBUS, the classification of a received block into one
// of four outcomes, the texts that each failed outcome puts on screen, and the
// line speed chosen by the `Speed` setting.
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvex::polling {

inline constexpr std::uint8_t kPollFunction = 12;            // "give your current state"
inline constexpr std::uint8_t kExceptionFunction = 12 + 128; // a unit's refusal
inline constexpr std::size_t kRequestSize = 4;
inline constexpr std::size_t kReplySize = 19;

using RequestBuffer = std::array<std::uint8_t, kRequestSize>;
using ReplyBuffer = std::array<std::uint8_t, kReplySize>;

// CRC-16/MODBUS of the first `count` bytes of `data` (reflected polynomial
// 0xA001, initial value 0xFFFF, no final inversion). On the wire the low byte
// goes first.
std::uint16_t CalcCrc16(const std::uint8_t *data, std::size_t count);

// The poll request for a unit's network address: address, 12, CRC low, CRC high.
void BuildPollRequest(RequestBuffer &request, std::uint8_t address);
RequestBuffer BuildPollRequest(std::uint8_t address);

// What a received block turned out to be.
enum class ReplyKind {
    GoodReply,      // address and function match, CRC correct
    BadChecksum,    // address and function match, CRC wrong (also a reply cut short)
    ExceptionReply, // the unit refused the request; see errorCode/detail
    NoReply,        // silence, another address or any other function code
};

struct ReplyOutcome {
    ReplyKind kind = ReplyKind::NoReply;
    std::uint8_t errorCode = 0; // exception reply only: reply byte 2
    std::uint8_t detail = 0;    // exception reply only: reply byte 3

    friend bool operator==(const ReplyOutcome &, const ReplyOutcome &) = default;
};

// Classifies the 19-byte block read after `request` was sent. Bytes that did
// not arrive are expected to be 0 (the buffer is zero-filled before the read),
// so a reply cut short is recognised by its contents alone.
ReplyOutcome CheckReply(const ReplyBuffer &reply, const RequestBuffer &request);

// The short label written into every in-use cell of the unit for a failed
// outcome ("нет ответа", "ОШИБКА КСО", ...); empty for a good reply and for
// exception replies without a text of their own.
QString ReplyCellLabel(const ReplyOutcome &outcome);

// The unit's error text for a failed outcome; the long texts begin with two
// blanks. Empty for a good reply and for exception replies without a text.
QString ReplyErrorText(const ReplyOutcome &outcome);

// Line speed named by a `Speed` setting text such as " 9600 (002)". Only the
// first five characters count: " 4800", " 9600" and "19200" select their
// speed, anything else gives 2400 bit/s.
int SpeedToBitRate(const QString &speed);

// The same choice as an ordinal of the serial component's baud-rate list
// (110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, ...): 4 for 2400,
// 5 for 4800, 6 for 9600, 8 for 19200.
int SpeedToBaudRate(const QString &speed);

// Ordinal in that list for a bit rate; -1 when the rate is not in the list.
int BitRateOrdinal(int bitRate);

} // namespace orvex::polling
