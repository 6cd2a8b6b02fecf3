// Decoding of a unit's reply into the unit state and its cells, and the
// display of a failed exchange. Plain code over the state records: the caller
// paints the panels afterwards from the records.
#pragma once

#include "polling/Protocol.h"
#include "polling/UnitState.h"

#include <array>
#include <functional>
#include <span>

namespace orvex::polling {

inline constexpr int kMaxChannels = 8;

// Display switches that steer the decoding, owned by the settings.
struct DecodeOptions {
    bool percentMode = false;             // %L2_ON: cells show percent of the trip threshold
    bool commentsInHints = false;         // ShowHint3: sensor comments appended to cell hints
    int channelsMaxAmount = kMaxChannels; // ChannalsMaxAmount: cells per unit (1..8)
};

// Per-poll result of a good reply.
struct DecodeResult {
    int alarmLevel = 0; // 0 none, 1 warning threshold reached, 2 trip threshold reached
    std::array<float, kMaxChannels> values{}; // channel 1 first; 0 without a reading
};

// Rewrites the row header of unit u from its unit state (RefreshUnitHeader of
// the main window); the second argument is the has-data flag.
using UnitHeaderRefresh = std::function<void(int unitNo, bool hasData)>;

// The channel records of one unit: channels[0] is channel 1. Only the first
// min(channelsMaxAmount, size) entries are touched; null entries are skipped.
using ChannelRow = std::span<ChannelState *const>;

// Decodes a good reply of unit position u (1..15) into `unit` and its cells.
DecodeResult DecodeReply(int u, const ReplyBuffer &reply, UnitState &unit, ChannelRow channels,
                         const DecodeOptions &options, const UnitHeaderRefresh &refreshUnitHeader);

// Shows a bad checksum, an exception reply or no reply for unit position u.
// Values, percentages, validity, colours and hints of the cells stay as the
// last good reply left them.
void ShowReplyError(int u, const ReplyOutcome &outcome, UnitState &unit, ChannelRow channels,
                    const DecodeOptions &options, const UnitHeaderRefresh &refreshUnitHeader);

} // namespace orvex::polling
