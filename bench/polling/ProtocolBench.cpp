// Cost of framing a poll request and checking a reply's CRC.
#include "polling/Protocol.h"

#include <benchmark/benchmark.h>

using namespace orvex::polling;

static void BM_BuildPollRequest(benchmark::State &state) {
    std::uint8_t address = 1;
    for (auto _ : state) {
        RequestBuffer request = BuildPollRequest(address);
        benchmark::DoNotOptimize(request);
        address = static_cast<std::uint8_t>(address % 15 + 1);
    }
}
BENCHMARK(BM_BuildPollRequest);

static void BM_Crc16OfReplyBody(benchmark::State &state) {
    ReplyBuffer reply{};
    for (std::size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<std::uint8_t>(i * 37);
    for (auto _ : state)
        benchmark::DoNotOptimize(CalcCrc16(reply.data(), 17));
}
BENCHMARK(BM_Crc16OfReplyBody);

BENCHMARK_MAIN();
