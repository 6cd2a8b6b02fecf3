// The unit simulator's model: up to 15 control units on one line, each with
// its scale kind, thresholds, presence mask, eight channel bytes (fixed,
// drifting or scripted) and the misbehaviours it shows on request. Pure
// logic: frames in, frames out; the line itself is in main.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace orvex::unitsim {

// One channel byte over successive replies.
struct ChannelSource {
    enum class Mode { Fixed, Drift, Script };
    Mode mode = Mode::Fixed;
    std::vector<int> values{0}; // Fixed: one value; Script: the sequence
    int low = 0, high = 0, step = 1;
    int current = 0;
    int direction = 1;
    std::size_t index = 0;

    // Parses "V", "LO-HI[@STEP]" or "V1/V2/...". Returns false on bad text.
    bool parse(const std::string &text);
    // The byte for the next reply.
    std::uint8_t next();
};

struct UnitModel {
    int address = 1;
    std::uint8_t kind = 0;
    std::uint8_t warn = 100;
    std::uint8_t trip = 200;
    std::uint8_t mask = 0xFF;
    std::array<ChannelSource, 8> channels;

    // Misbehaviour, shown on every `every`-th request to the unit.
    int every = 1;
    // When above 0, misbehaviour only on the first `first` requests; the
    // unit answers well afterwards (a line that fails and recovers).
    int first = 0;
    bool silent = false;
    bool badCrc = false;
    bool garbage = false;
    int exceptionCode = -1; // -1: none
    int exceptionDetail = 0;
    int partial = -1; // bytes actually sent; -1: all
    int lateMs = 0;   // delay before the reply

    std::uint64_t requests = 0;
};

// What the line should carry in answer to one request.
struct Reply {
    std::vector<std::uint8_t> bytes;
    int delayMs = 0;
    // The unit's normal reply, sent at once: what a poll of a healthy unit
    // gets (the line log records these).
    bool intact = false;
    int address = 0;
    // What the unit did instead of answering normally ("badcrc", "late", ...);
    // empty for an intact reply.
    std::string misbehaviour;
};

// Random misbehaviour of every unit on a share of the requests.
struct Chaos {
    int percent = 0; // 0: none
    // Silence, and late replies that come after the reader has looked,
    // between these bounds.
    int lateMinMs = 300;
    int lateMaxMs = 1500;
};

class Simulator {
public:
    Simulator();

    // Adds or replaces a unit; units answer only when present here.
    UnitModel &unit(int address);
    bool hasUnit(int address) const { return m_units.count(address) != 0; }
    const std::map<int, UnitModel> &units() const { return m_units; }
    void seed(std::uint32_t value) { m_random.seed(value); }
    // Every unit misbehaves on `chaos.percent` % of its requests, each time in
    // one way picked at random: silent, bad checksum, exception, partial, late
    // or garbage. Applies on top of a unit's own misbehaviour settings.
    void setChaos(const Chaos &chaos) { m_chaos = chaos; }
    // Parses "PERCENT[,SEED]" (PERCENT 0..100) for --chaos; false on bad text.
    static bool parseChaos(const std::string &text, Chaos &chaos, std::uint32_t &seed,
                           bool &seedGiven);

    // Applies "key=value" or a flag to a unit. Returns an error text, or an
    // empty string when it was understood.
    std::string configure(UnitModel &unit, const std::string &setting);

    // Feeds received bytes. Every complete request with a correct CRC and
    // function 12 for a present unit yields a reply; everything else is
    // skipped byte by byte.
    std::vector<Reply> feed(const std::uint8_t *data, std::size_t size);
    // Forgets a partial frame (a gap on the line ends it).
    void resetFrame() { m_frame.clear(); }

    // The normal 19-byte reply of a unit, advancing its channel sources.
    std::vector<std::uint8_t> goodReply(UnitModel &unit);

    // The demo line: units 1..4 of the four gases in several states.
    void loadDemo();

private:
    std::optional<Reply> answer(int address);
    // One random misbehaviour for a request to `u`; false when the unit
    // answers normally this time.
    bool chaosReply(UnitModel &u, std::optional<Reply> &reply);

    Chaos m_chaos;

    std::map<int, UnitModel> m_units;
    std::vector<std::uint8_t> m_frame;
    std::mt19937 m_random;
};

// Parses "1,2,5-7" into addresses 1..15; false on bad text.
bool parseUnitList(const std::string &text, std::vector<int> &addresses);

} // namespace orvex::unitsim
