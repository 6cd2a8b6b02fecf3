// Feeds arbitrary blocks and requests through CheckReply, DecodeReply and
// ShowReplyError on one unit's state, and arbitrary numbers through the number
// texts, checking what must hold for any input: a good reply carries its CRC,
// the alarm level is 0..2, values are finite, stored texts keep their limits
// and no text on screen says "inf" or "nan".
#include "fuzz/ProtocolFuzzEntry.h"

#include "polling/Decode.h"
#include "polling/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvex::fuzz {

namespace {

void require(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "protocol fuzz invariant broken: %s\n", what);
        std::abort();
    }
}

// Texts of the system are Cyrillic apart from digits, separators and "E";
// the Latin letters of "inf" and "nan" never belong on screen.
bool readable(const QString &text) {
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'i':
        case u'n':
        case u'f':
        case u'a':
        case u'I':
        case u'N':
        case u'F':
        case u'A':
            return false;
        default:
            break;
        }
    }
    return true;
}

void checkNumbers(const polling::ReplyBuffer &block) {
    double d;
    float f;
    std::memcpy(&d, block.data() + 3, sizeof d);
    std::memcpy(&f, block.data() + 11, sizeof f);
    const int decimals = block[15] % 20;
    const int significant = block[16] % 20;
    const QString texts[] = {
        polling::formatReading(d, decimals, significant),
        polling::formatReading(f, decimals, significant),
        polling::formatNumber(d, significant, decimals),
        polling::formatNumber(f, significant, decimals),
    };
    for (const QString &text : texts)
        require(readable(text), "number text names a non-number");
    require(texts[0].isEmpty() == !std::isfinite(d), "reading text empty only for non-finite");
    require(texts[3].isEmpty() == !std::isfinite(f), "number text empty only for non-finite");
}

} // namespace

void runProtocolInput(const std::uint8_t *data, std::size_t size) {
    if (size < 5)
        return;
    const std::uint8_t flags = data[0];
    polling::DecodeOptions options;
    options.percentMode = (flags & 0x01) != 0;
    options.commentsInHints = (flags & 0x02) != 0;
    const bool decodeAll = (flags & 0x04) != 0;
    options.channelsMaxAmount = flags >> 4;

    polling::RequestBuffer request;
    std::memcpy(request.data(), data + 1, request.size());
    const int unitNo = request[0];

    polling::UnitState unit;
    unit.upName = QStringLiteral(" Пульт ");
    std::array<polling::ChannelState, polling::kMaxChannels> cells;
    std::array<polling::ChannelState *, polling::kMaxChannels> row{};
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i].spChannelNo = static_cast<int>(i) + 1;
        cells[i].spUnitNo = unitNo;
        cells[i].spSensorName = QStringLiteral("Датчик");
        if (i % 2 == 0)
            cells[i].spComment = QStringLiteral("примечание <b>");
        row[i] = &cells[i];
    }
    int refreshes = 0;
    const polling::UnitHeaderRefresh refresh = [&](int u, bool) {
        require(u == unitNo, "header refresh for another unit");
        ++refreshes;
    };

    for (std::size_t offset = 5; offset < size; offset += polling::kReplySize) {
        polling::ReplyBuffer block{};
        std::memcpy(block.data(), data + offset, std::min(polling::kReplySize, size - offset));

        const polling::ReplyOutcome outcome = polling::CheckReply(block, request);
        if (outcome.kind == polling::ReplyKind::GoodReply) {
            require(polling::CalcCrc16(block.data(), 17) == (block[17] | block[18] << 8),
                    "good reply with a wrong CRC");
        }
        const int before = refreshes;
        if (outcome.kind == polling::ReplyKind::GoodReply || decodeAll) {
            const polling::DecodeResult result =
                polling::DecodeReply(unitNo, block, unit, row, options, refresh);
            require(result.alarmLevel >= 0 && result.alarmLevel <= 2, "alarm level out of range");
            for (float v : result.values)
                require(std::isfinite(v) && v >= 0 && v <= 510, "value out of range");
            require(unit.upErrorText.isEmpty(), "error text kept after a decode");
        } else {
            polling::ShowReplyError(unitNo, outcome, unit, row, options, refresh);
        }
        require(refreshes == before + 1, "header refreshed other than once");

        require(unit.upErrorText.text().size() <= 80, "error text beyond its limit");
        require(unit.upGasName.text().size() <= 20, "gas name beyond its limit");
        for (const polling::ChannelState &c : cells) {
            require(std::isfinite(c.spValue) && std::isfinite(c.spPercent),
                    "channel value not finite");
            require(readable(c.cell.text) && readable(c.cell.hint), "cell shows a non-number");
            require(!c.spValid || !c.cell.text.isEmpty() ||
                        outcome.kind != polling::ReplyKind::GoodReply,
                    "valid reading without a text");
        }
        checkNumbers(block);
    }
}

} // namespace orvex::fuzz
