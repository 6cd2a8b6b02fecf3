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

// Where a good reply holds what the decoding and the journal read.
enum ReplyByte : std::size_t {
    kFirstChannelByte = 3, // byte 2 + channel number
    kKindByte = 11,
    kWarnByte = 12,
    kTripByte = 13,
    kMaskByte = 16,
};

// The scale a unit reports its readings in, by the kind in its reply (0..3).
struct ScaleKind {
    const char16_t *gasName;
    const char16_t *unitLabel;
    int decimals;
};

// The scale kind a good reply names, 0..3; -1 when it names none of them (the
// reply leaves the kind and thresholds known before as they are).
int replyScaleKind(const ReplyBuffer &reply);

// The scale of kind 0..3.
const ScaleKind &scaleKind(int kind);

// Raw byte to measurement units for scale kind 0..3. Computed in single
// precision so the stored value is the correctly rounded quotient.
float toUnits(int kind, std::uint8_t raw);

// What one channel of a good reply reports.
enum class ChannelCode {
    Unknown,  // not seen yet (never the result of a reply)
    NotInUse, // presence mask bit clear
    Reading,  // a reading; see its alarm level
    WarmingUp,
    NoSensor,
    Fault, // sensor fault or sensor link broken
};

struct ChannelReport {
    ChannelCode code = ChannelCode::NotInUse;
    std::uint8_t raw = 0; // the channel's byte
    // A reading's level on the raw bytes: 2 at or above the trip threshold,
    // else 1 at or above the warning threshold, else 0. The trip test comes
    // first, so a trip threshold set below the warning threshold still gives
    // level 2. Without a reading the level is 0.
    int alarmLevel = 0;
};

// Channel ch (1..8) of a good reply: out of use by the presence mask, a
// sensor state code, or a reading with its alarm level.
ChannelReport classifyChannel(const ReplyBuffer &reply, int ch);

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
