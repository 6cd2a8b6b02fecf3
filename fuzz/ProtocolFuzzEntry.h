// One fuzz input run through the reply check, the decoder and the number
// texts. Shared by the libFuzzer target and the corpus replay test.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex::fuzz {

// Input layout: byte 0 holds the switches (bit 0 percent mode, bit 1 comments
// in hints, bit 2 decode every block even when it is not a good reply, bits
// 4..7 the configured channel amount 0..15); bytes 1..4 are the last request;
// the rest is a series of 19-byte blocks read after it, the last one
// zero-filled like a reply cut short. Aborts when an invariant breaks.
void runProtocolInput(const std::uint8_t *data, std::size_t size);

} // namespace orvex::fuzz
