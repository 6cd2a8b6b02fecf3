// Frames and CRC against published vectors.
#include "polling/Protocol.h"

#include <gtest/gtest.h>

using namespace orvex::polling;

TEST(Crc16, MatchesTheModbusCheckValue)
{
    const std::uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(CalcCrc16(text, sizeof text), 0x4B37);
}

TEST(PollRequest, KnownFramesForAddresses1And2And15)
{
    EXPECT_EQ(BuildPollRequest(1), (RequestBuffer{0x01, 0x0C, 0x00, 0x25}));
    EXPECT_EQ(BuildPollRequest(2), (RequestBuffer{0x02, 0x0C, 0x00, 0xD5}));
    EXPECT_EQ(BuildPollRequest(15), (RequestBuffer{0x0F, 0x0C, 0x04, 0x45}));
}
