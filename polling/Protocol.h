// The exchange with the control units: the 4-byte poll request, the 19-byte
// unit reply, CRC-16/MODBUS and the classification of a received block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvex::polling {

inline constexpr std::uint8_t kPollFunction = 12;           // "give your current state"
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

} // namespace orvex::polling
