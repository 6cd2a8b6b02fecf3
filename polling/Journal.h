// What the event journal records, decided from what the poll cycle sees: the
// outcome of every poll (and the reply bytes of a good one), the program's
// start, exit, START and STOP, changed settings and the errors of the poll
// ticks. Events are written only when something changes: an alarm level or
// sensor state of a channel, a unit that falls silent for LossPolls polls in
// a row or answers again, the first of a run of identical errors and, when
// the run ends, how many followed. A steady station writes nothing.
//
// The detector is plain code: it hands each event to a sink and keeps the
// per-unit diagnostics (polls, good replies, failures by kind, last good
// reply, lost since) that the journal window shows.
#pragma once

#include "polling/Decode.h"
#include "polling/Protocol.h"
#include "store/Events.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace orvex::polling {

inline constexpr int kJournalUnits = 15;
inline constexpr int kJournalChannels = 8;

// Per-unit counters, counted from START.
struct UnitDiagnostics {
    int address = 0;
    qint64 polls = 0;
    qint64 good = 0;
    qint64 noReply = 0;
    qint64 badChecksum = 0;
    qint64 exceptions = 0;
    int lastExceptionCode = -1; // -1: none yet
    QDateTime lastGood;         // invalid: none yet
    bool lost = false;
    QDateTime lostSince;
};

class JournalDetector {
public:
    using Sink = std::function<void(const store::EventRecord &event)>;

    explicit JournalDetector(Sink sink);

    // Consecutive failed polls after which a unit counts as lost (1..99).
    void setLossPolls(int polls);
    int lossPolls() const { return m_lossPolls; }

    // --- per poll ---------------------------------------------------------
    // A good reply of unit position u (1..15) with `channels` channels in use
    // by the grid (ChannalsMaxAmount).
    void goodReply(int u, const ReplyBuffer &reply, int channels, const QDateTime &now);
    // A bad checksum, an exception reply or no reply.
    void failedPoll(int u, const ReplyOutcome &outcome, const QDateTime &now);

    // --- the program ------------------------------------------------------
    void programStarted(const QDateTime &now);
    void programExit(const QDateTime &now);
    // START: the diagnostics start afresh with the units' addresses
    // (entries 1..units).
    void pollingStarted(const QString &port, const std::array<std::uint8_t, 16> &addresses,
                        int units, const QDateTime &now);
    void pollingStopped(const QString &port, const QDateTime &now);
    // An options run changed these settings ("Period: 10 → 20"); nothing is
    // written for an empty list.
    void settingsChanged(const QStringList &changes, const QDateTime &now);

    // --- errors of the poll ticks ------------------------------------------
    // A port or table error: the first of a run of identical errors is
    // written at once, the rest are counted.
    void error(const QString &text, const QDateTime &now);
    // A poll went through without an error: a run of errors has ended and
    // its count is written. Also run by STOP and exit.
    void endErrorRun(const QDateTime &now);

    // --- state ------------------------------------------------------------
    const UnitDiagnostics &diagnostics(int u) const;
    bool lost(int u) const { return diagnostics(u).lost; }
    ChannelCode channelCode(int u, int ch) const;
    int channelLevel(int u, int ch) const; // level of the last reading, 0..2
    int unitLevel(int u) const;            // highest level of the unit's readings

private:
    struct Channel {
        ChannelCode code = ChannelCode::Unknown;
        int level = 0; // level of the last reading
    };
    struct Unit {
        UnitDiagnostics diag;
        int failures = 0; // consecutive failed polls
        int kind = -1;    // scale kind of the last reply with a kind 0..3
        std::array<Channel, kJournalChannels + 1> channels{};
    };

    void emitEvent(const QDateTime &now, int u, int ch, store::EventKind kind,
                   store::EventLevel level, const QString &text,
                   std::optional<double> value = std::nullopt);
    Unit &unit(int u);

    Sink m_sink;
    int m_lossPolls = 3;
    std::array<Unit, kJournalUnits + 1> m_units{};
    QString m_errorText;
    qint64 m_errorFollowers = 0;
};

// Texts of the journal, as the operator reads them.
QString unitTitle(int u); // "Пульт №3"
QString lostText(int u, const ReplyOutcome &outcome);
QString restoredText(int u);

} // namespace orvex::polling
