// Builds unit replies for tests and screenshot tools.
#pragma once

#include "polling/Protocol.h"

#include <array>
#include <cstdint>

namespace orvex::test {

// A good 19-byte reply: channel bytes 1..8, scale kind, thresholds, mask.
inline polling::ReplyBuffer goodReply(std::uint8_t address, std::array<std::uint8_t, 8> channels,
                                      std::uint8_t kind, std::uint8_t warn, std::uint8_t trip,
                                      std::uint8_t mask = 0xFF) {
    polling::ReplyBuffer r{};
    r[0] = address;
    r[1] = polling::kPollFunction;
    for (int ch = 0; ch < 8; ++ch)
        r[3 + ch] = channels[ch];
    r[11] = kind;
    r[12] = warn;
    r[13] = trip;
    r[16] = mask;
    const std::uint16_t crc = polling::CalcCrc16(r.data(), 17);
    r[17] = std::uint8_t(crc & 0xFF);
    r[18] = std::uint8_t(crc >> 8);
    return r;
}

} // namespace orvex::test
