// Cost of decoding one good reply into a unit's eight cells (texts, hints,
// colours), of showing a failed exchange, and of the number texts.
#include "polling/Decode.h"
#include "polling/NumberFormat.h"

#include <QLocale>

#include <benchmark/benchmark.h>

using namespace orvex::polling;

namespace {

struct Unit {
    UnitState unit;
    std::array<ChannelState, kMaxChannels> cells;
    std::array<ChannelState *, kMaxChannels> row{};
    Unit() {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            cells[i].spChannelNo = static_cast<int>(i) + 1;
            cells[i].spUnitNo = 1;
            cells[i].spSensorName = QStringLiteral("Датчик 1-") + QString::number(i + 1);
            cells[i].spComment = QStringLiteral("котельная, второй этаж");
            row[i] = &cells[i];
        }
    }
};

ReplyBuffer reply() {
    return {0x01, 0x0C, 0x00, 10, 60, 120, 30, 45, 250, 253, 255, 0x00, 0x32, 0x64, 0, 0, 0xFF};
}

} // namespace

static void BM_DecodeReply(benchmark::State &state) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    Unit u;
    const ReplyBuffer r = reply();
    DecodeOptions options;
    options.commentsInHints = state.range(0) != 0;
    const UnitHeaderRefresh refresh = [](int, bool) {};
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeReply(1, r, u.unit, u.row, options, refresh));
}
BENCHMARK(BM_DecodeReply)->Arg(0)->Arg(1);

static void BM_ShowReplyError(benchmark::State &state) {
    Unit u;
    const UnitHeaderRefresh refresh = [](int, bool) {};
    DecodeReply(1, reply(), u.unit, u.row, DecodeOptions{}, refresh);
    for (auto _ : state)
        ShowReplyError(1, {ReplyKind::NoReply}, u.unit, u.row, DecodeOptions{}, refresh);
}
BENCHMARK(BM_ShowReplyError);

static void BM_ValueText(benchmark::State &state) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    float x = 0.3f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(valueText(x, 2));
        x += 0.01f;
    }
}
BENCHMARK(BM_ValueText);

static void BM_NumberWithGrouping(benchmark::State &state) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    for (auto _ : state)
        benchmark::DoNotOptimize(formatNumber(2524.0f, 5, 2));
}
BENCHMARK(BM_NumberWithGrouping);
