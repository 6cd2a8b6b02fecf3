// The unit simulator's model.
#include "tools/unitsim/Simulator.h"

#include "polling/Protocol.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace orvex::unitsim {

namespace {

bool parseInt(const std::string &text, long low, long high, int &value) {
    if (text.empty())
        return false;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0' || v < low || v > high)
        return false;
    value = int(v);
    return true;
}

std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

void appendCrc(std::vector<std::uint8_t> &frame) {
    const std::uint16_t crc = polling::CalcCrc16(frame.data(), frame.size());
    frame.push_back(std::uint8_t(crc & 0xFF));
    frame.push_back(std::uint8_t(crc >> 8));
}

} // namespace

bool ChannelSource::parse(const std::string &text) {
    if (text.find('/') != std::string::npos) {
        std::vector<int> seq;
        for (const std::string &p : split(text, '/')) {
            int v = 0;
            if (!parseInt(p, 0, 255, v))
                return false;
            seq.push_back(v);
        }
        if (seq.empty())
            return false;
        mode = Mode::Script;
        values = seq;
        index = 0;
        return true;
    }
    const auto dash = text.find('-');
    if (dash != std::string::npos && dash > 0) {
        std::string range = text;
        int s = 1;
        const auto at = text.find('@');
        if (at != std::string::npos) {
            if (!parseInt(text.substr(at + 1), 1, 255, s))
                return false;
            range = text.substr(0, at);
        }
        int lo = 0, hi = 0;
        if (!parseInt(range.substr(0, dash), 0, 255, lo) ||
            !parseInt(range.substr(dash + 1), 0, 255, hi) || lo > hi)
            return false;
        mode = Mode::Drift;
        low = lo;
        high = hi;
        step = s;
        current = lo;
        direction = 1;
        return true;
    }
    int v = 0;
    if (!parseInt(text, 0, 255, v))
        return false;
    mode = Mode::Fixed;
    values = {v};
    return true;
}

std::uint8_t ChannelSource::next() {
    switch (mode) {
    case Mode::Fixed:
        return std::uint8_t(values.front());
    case Mode::Script: {
        const int v = values[index];
        index = (index + 1) % values.size();
        return std::uint8_t(v);
    }
    case Mode::Drift: {
        const int v = current;
        // Walk up and down between the bounds, turning at each end.
        int n = current + direction * step;
        if (n > high || n < low) {
            direction = -direction;
            n = current + direction * step;
            if (n > high || n < low)
                n = current;
        }
        current = n;
        return std::uint8_t(v);
    }
    }
    return 0;
}

Simulator::Simulator() : m_random(12345) {}

UnitModel &Simulator::unit(int address) {
    auto it = m_units.find(address);
    if (it == m_units.end()) {
        UnitModel u;
        u.address = address;
        for (int ch = 0; ch < 8; ++ch)
            u.channels[ch].values = {10 * (ch + 1)};
        it = m_units.emplace(address, u).first;
    }
    return it->second;
}

std::string Simulator::configure(UnitModel &u, const std::string &setting) {
    const auto eq = setting.find('=');
    const std::string key = setting.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : setting.substr(eq + 1);
    int v = 0;
    auto byteValue = [&](std::uint8_t &field) {
        if (!parseInt(value, 0, 255, v))
            return "bad value for " + key + ": " + value;
        field = std::uint8_t(v);
        return std::string();
    };
    if (key == "kind")
        return byteValue(u.kind);
    if (key == "warn")
        return byteValue(u.warn);
    if (key == "trip")
        return byteValue(u.trip);
    if (key == "mask")
        return byteValue(u.mask);
    if (key == "all" ||
        (key.size() == 3 && key[0] == 'c' && key[1] == 'h' && key[2] >= '1' && key[2] <= '8')) {
        ChannelSource source;
        if (!source.parse(value))
            return "bad channel source for " + key + ": " + value;
        if (key == "all")
            u.channels.fill(source);
        else
            u.channels[std::size_t(key[2] - '1')] = source;
        return {};
    }
    if (key == "every") {
        if (!parseInt(value, 1, 1000000, u.every))
            return "bad value for every: " + value;
        return {};
    }
    if (key == "first") {
        if (!parseInt(value, 1, 1000000, u.first))
            return "bad value for first: " + value;
        return {};
    }
    if (key == "silent" && value.empty()) {
        u.silent = true;
        return {};
    }
    if (key == "badcrc" && value.empty()) {
        u.badCrc = true;
        return {};
    }
    if (key == "garbage" && value.empty()) {
        u.garbage = true;
        return {};
    }
    if (key == "exception") {
        const auto parts = split(value, ':');
        if (parts.empty() || parts.size() > 2 || !parseInt(parts[0], 0, 255, u.exceptionCode) ||
            (parts.size() == 2 && !parseInt(parts[1], 0, 255, u.exceptionDetail)))
            return "bad exception (CODE[:DETAIL]): " + value;
        return {};
    }
    if (key == "partial") {
        if (!parseInt(value, 0, 19, u.partial))
            return "bad value for partial (0..19): " + value;
        return {};
    }
    if (key == "late") {
        if (!parseInt(value, 0, 60000, u.lateMs))
            return "bad value for late (milliseconds): " + value;
        return {};
    }
    return "unknown unit setting: " + setting;
}

std::vector<std::uint8_t> Simulator::goodReply(UnitModel &u) {
    std::vector<std::uint8_t> r;
    r.reserve(polling::kReplySize);
    r.push_back(std::uint8_t(u.address));
    r.push_back(polling::kPollFunction);
    r.push_back(0);
    for (auto &ch : u.channels)
        r.push_back(ch.next());
    r.push_back(u.kind);
    r.push_back(u.warn);
    r.push_back(u.trip);
    r.push_back(0);
    r.push_back(0);
    r.push_back(u.mask);
    appendCrc(r);
    return r;
}

namespace {

std::vector<std::uint8_t> garbageBytes(std::mt19937 &random, int address) {
    std::vector<std::uint8_t> bytes(polling::kReplySize);
    for (auto &b : bytes)
        b = std::uint8_t(random());
    if (bytes[0] == address)
        bytes[0] ^= 0x80; // never looks like this unit's reply
    return bytes;
}

} // namespace

bool Simulator::parseChaos(const std::string &text, Chaos &chaos, std::uint32_t &seed,
                           bool &seedGiven) {
    const auto parts = split(text, ',');
    int percent = 0;
    if (parts.empty() || parts.size() > 2 || !parseInt(parts[0], 0, 100, percent))
        return false;
    if (parts.size() == 2) {
        int value = 0;
        if (!parseInt(parts[1], 0, 0x7FFFFFFF, value))
            return false;
        seed = std::uint32_t(value);
        seedGiven = true;
    }
    chaos.percent = percent;
    return true;
}

bool Simulator::chaosReply(UnitModel &u, std::optional<Reply> &reply) {
    if (m_chaos.percent <= 0 || int(m_random() % 100) >= m_chaos.percent)
        return false;
    const int address = u.address;
    Reply r;
    r.address = address;
    switch (m_random() % 6) {
    case 0:
        // Nothing goes on the line; the reply only carries what happened.
        r.misbehaviour = "silent";
        break;
    case 1:
        r.bytes = goodReply(u);
        r.bytes[polling::kReplySize - 1] ^= 0x5A;
        r.misbehaviour = "badcrc";
        break;
    case 2:
        r.bytes = {std::uint8_t(address), polling::kExceptionFunction,
                   std::uint8_t(1 + m_random() % 4), std::uint8_t(m_random() % 256)};
        appendCrc(r.bytes);
        r.misbehaviour = "exception";
        break;
    case 3:
        r.bytes = goodReply(u);
        r.bytes.resize(1 + m_random() % (polling::kReplySize - 1));
        r.misbehaviour = "partial";
        break;
    case 4: {
        r.bytes = goodReply(u);
        const int span = std::max(m_chaos.lateMaxMs - m_chaos.lateMinMs, 0);
        r.delayMs = m_chaos.lateMinMs + int(m_random() % std::uint32_t(span + 1));
        r.misbehaviour = "late";
        break;
    }
    default:
        r.bytes = garbageBytes(m_random, address);
        r.misbehaviour = "garbage";
        break;
    }
    reply = std::move(r);
    return true;
}

std::optional<Reply> Simulator::answer(int address) {
    auto it = m_units.find(address);
    if (it == m_units.end())
        return std::nullopt;
    UnitModel &u = it->second;
    ++u.requests;
    std::optional<Reply> chaos;
    if (chaosReply(u, chaos))
        return chaos;
    const bool misbehave = u.requests % std::uint64_t(u.every) == 0 &&
                           (u.first <= 0 || u.requests <= std::uint64_t(u.first));
    if (misbehave && u.silent)
        return std::nullopt;
    Reply reply;
    reply.address = address;
    if (misbehave && u.garbage) {
        reply.bytes = garbageBytes(m_random, address);
        reply.misbehaviour = "garbage";
    } else if (misbehave && u.exceptionCode >= 0) {
        reply.bytes = {std::uint8_t(address), polling::kExceptionFunction,
                       std::uint8_t(u.exceptionCode), std::uint8_t(u.exceptionDetail)};
        appendCrc(reply.bytes);
        reply.misbehaviour = "exception";
    } else {
        reply.bytes = goodReply(u);
        if (misbehave && u.badCrc) {
            reply.bytes[polling::kReplySize - 1] ^= 0x5A;
            reply.misbehaviour = "badcrc";
        }
    }
    if (misbehave && u.partial >= 0 && std::size_t(u.partial) < reply.bytes.size()) {
        reply.bytes.resize(std::size_t(u.partial));
        reply.misbehaviour = "partial";
    }
    if (misbehave && u.lateMs > 0) {
        reply.delayMs = u.lateMs;
        if (reply.misbehaviour.empty())
            reply.misbehaviour = "late";
    }
    reply.intact = reply.misbehaviour.empty();
    return reply;
}

std::vector<Reply> Simulator::feed(const std::uint8_t *data, std::size_t size) {
    std::vector<Reply> replies;
    for (std::size_t i = 0; i < size; ++i) {
        m_frame.push_back(data[i]);
        // A request is complete when the last four bytes received form one;
        // whatever came before them is noise.
        if (m_frame.size() >= polling::kRequestSize) {
            const std::uint8_t *f = m_frame.data() + m_frame.size() - polling::kRequestSize;
            const std::uint16_t crc = polling::CalcCrc16(f, 2);
            if (f[1] == polling::kPollFunction && f[2] == (crc & 0xFF) && f[3] == (crc >> 8)) {
                if (auto r = answer(f[0]))
                    replies.push_back(std::move(*r));
                m_frame.clear();
            }
        }
        if (m_frame.size() > 64)
            m_frame.erase(m_frame.begin(), m_frame.end() - polling::kRequestSize);
    }
    return replies;
}

void Simulator::loadDemo() {
    m_units.clear();
    auto set = [this](int address, std::initializer_list<const char *> settings) {
        UnitModel &u = unit(address);
        for (const char *s : settings)
            configure(u, s);
    };
    // Methane (0.01 % per step): one channel drifts across both thresholds,
    // one across the warning threshold, one warms up, one is scripted; the
    // last two channels are not in use.
    set(1, {"kind=0", "warn=100", "trip=200", "mask=0x3F", "ch1=20-230@9", "ch2=35", "ch3=60-140@4",
            "ch4=253", "ch5=40", "ch6=45/50/55/60/55/50", "ch7=0", "ch8=0"});
    // Explosive gas (0.2 % LEL per step): a drifting channel, no sensor, a
    // faulty sensor.
    set(2, {"kind=1", "warn=50", "trip=100", "mask=0xFF", "ch1=0-120@6", "ch2=254", "ch3=255",
            "ch4=5", "ch5=10", "ch6=15", "ch7=20", "ch8=25"});
    // Carbon monoxide (1 mg/m3 per step): four channels, one drifting past
    // the trip threshold now and then.
    set(3, {"kind=2", "warn=20", "trip=100", "mask=0x0F", "ch1=5-40@3", "ch2=12", "ch3=80-130@5",
            "ch4=8", "ch5=0", "ch6=0", "ch7=0", "ch8=0"});
    // Ammonia (2 mg/m3 per step), every 20th poll unanswered.
    set(4, {"kind=3", "warn=10", "trip=100", "mask=0xFF", "ch1=0-30@2", "ch2=4", "ch3=6", "ch4=8",
            "ch5=3", "ch6=253", "ch7=5", "ch8=7", "every=20", "silent"});
}

bool parseUnitList(const std::string &text, std::vector<int> &addresses) {
    std::vector<int> result;
    for (const std::string &part : split(text, ',')) {
        const auto dash = part.find('-');
        int lo = 0, hi = 0;
        if (dash == std::string::npos) {
            if (!parseInt(part, 1, 15, lo))
                return false;
            hi = lo;
        } else if (!parseInt(part.substr(0, dash), 1, 15, lo) ||
                   !parseInt(part.substr(dash + 1), 1, 15, hi) || lo > hi) {
            return false;
        }
        for (int a = lo; a <= hi; ++a)
            result.push_back(a);
    }
    if (result.empty())
        return false;
    addresses = result;
    return true;
}

} // namespace orvex::unitsim
