// Poll request framing and CRC-16/MODBUS.
#include "polling/Protocol.h"

namespace orvex::polling {

std::uint16_t CalcCrc16(const std::uint8_t *data, std::size_t count)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

void BuildPollRequest(RequestBuffer &request, std::uint8_t address)
{
    request[0] = address;
    request[1] = kPollFunction;
    const std::uint16_t crc = CalcCrc16(request.data(), 2);
    request[2] = static_cast<std::uint8_t>(crc & 0xFF);
    request[3] = static_cast<std::uint8_t>(crc >> 8);
}

RequestBuffer BuildPollRequest(std::uint8_t address)
{
    RequestBuffer request{};
    BuildPollRequest(request, address);
    return request;
}

} // namespace orvex::polling
