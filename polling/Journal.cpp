// The journal's transition detection.
#include "polling/Journal.h"

#include "polling/NumberFormat.h"

#include <algorithm>
#include <cmath>

namespace orvex::polling {

namespace {

using store::EventKind;
using store::EventLevel;

QString channelTitle(int u, int ch) {
    return unitTitle(u) + QStringLiteral(", канал ") + QString::number(ch) + QStringLiteral(": ");
}

QString levelWord(int level) {
    switch (level) {
    case 2:
        return QStringLiteral("АВАРИЯ (порог срабатывания)");
    case 1:
        return QStringLiteral("предупреждение (порог предупреждения)");
    default:
        return QStringLiteral("норма");
    }
}

QString sensorWord(ChannelCode code) {
    switch (code) {
    case ChannelCode::WarmingUp:
        return QStringLiteral("прогрев датчика");
    case ChannelCode::NoSensor:
        return QStringLiteral("датчик не подключён");
    case ChannelCode::Fault:
        return QStringLiteral("неисправность датчика или обрыв связи с датчиком");
    default:
        return QStringLiteral("датчик снова даёт показания");
    }
}

} // namespace

QString unitTitle(int u) {
    return QStringLiteral("Пульт №") + QString::number(u);
}

QString lostText(int u, const ReplyOutcome &outcome) {
    QString why = ReplyErrorText(outcome).trimmed();
    if (why.isEmpty())
        why = ReplyCellLabel(outcome).trimmed();
    if (outcome.kind == ReplyKind::ExceptionReply)
        why = (why.isEmpty() ? QStringLiteral("отказ пульта") : why) +
              QStringLiteral(", код %1").arg(outcome.errorCode);
    return unitTitle(u) + QStringLiteral(": нет связи (") + why + QLatin1Char(')');
}

QString restoredText(int u) {
    return unitTitle(u) + QStringLiteral(": связь восстановлена");
}

JournalDetector::JournalDetector(Sink sink) : m_sink(std::move(sink)) {}

void JournalDetector::setLossPolls(int polls) {
    m_lossPolls = std::clamp(polls, 1, 99);
}

JournalDetector::Unit &JournalDetector::unit(int u) {
    return m_units[std::size_t(std::clamp(u, 0, kJournalUnits))];
}

const UnitDiagnostics &JournalDetector::diagnostics(int u) const {
    return m_units[std::size_t(std::clamp(u, 0, kJournalUnits))].diag;
}

ChannelCode JournalDetector::channelCode(int u, int ch) const {
    return m_units[std::size_t(std::clamp(u, 0, kJournalUnits))]
        .channels[std::size_t(std::clamp(ch, 0, kJournalChannels))]
        .code;
}

int JournalDetector::channelLevel(int u, int ch) const {
    return m_units[std::size_t(std::clamp(u, 0, kJournalUnits))]
        .channels[std::size_t(std::clamp(ch, 0, kJournalChannels))]
        .level;
}

int JournalDetector::unitLevel(int u) const {
    int level = 0;
    for (int ch = 1; ch <= kJournalChannels; ++ch)
        if (channelCode(u, ch) == ChannelCode::Reading)
            level = std::max(level, channelLevel(u, ch));
    return level;
}

void JournalDetector::emitEvent(const QDateTime &now, int u, int ch, EventKind kind,
                                EventLevel level, const QString &text,
                                std::optional<double> value) {
    if (!m_sink)
        return;
    store::EventRecord e;
    e.date = now.date();
    e.time = QTime(now.time().hour(), now.time().minute(), now.time().second());
    e.unitNo = u;
    e.channel = ch;
    e.kind = kind;
    e.level = level;
    e.value = value;
    e.text = text;
    m_sink(e);
}

void JournalDetector::goodReply(int u, const ReplyBuffer &reply, int channels,
                                const QDateTime &now) {
    if (u < 1 || u > kJournalUnits)
        return;
    Unit &un = unit(u);
    ++un.diag.polls;
    ++un.diag.good;
    un.diag.lastGood = now;
    un.failures = 0;
    if (un.diag.lost) {
        un.diag.lost = false;
        un.diag.lostSince = QDateTime();
        emitEvent(now, u, 0, EventKind::Communication, EventLevel::Normal, restoredText(u));
    }
    if (const int kind = replyScaleKind(reply); kind >= 0)
        un.kind = kind;
    const int count = std::clamp(channels, 0, kJournalChannels);
    for (int ch = 1; ch <= count; ++ch) {
        Channel &c = un.channels[std::size_t(ch)];
        const ChannelReport report = classifyChannel(reply, ch);
        const ChannelCode code = report.code;
        if (code == ChannelCode::NotInUse) {
            c.code = ChannelCode::NotInUse;
            continue;
        }
        const ChannelCode before = c.code;
        if (code != ChannelCode::Reading) {
            // A sensor state: written when it begins (a warming-up sensor on
            // the first reply counts, a station must know it).
            if (code != before) {
                const EventLevel level =
                    code == ChannelCode::WarmingUp ? EventLevel::Normal : EventLevel::Warning;
                emitEvent(now, u, ch, EventKind::SensorState, level,
                          channelTitle(u, ch) + sensorWord(code));
            }
            c.code = code;
            continue;
        }
        const int level = report.alarmLevel;
        std::optional<double> value;
        QString valueText;
        if (un.kind >= 0) {
            const ScaleKind &scale = scaleKind(un.kind);
            const float v = toUnits(un.kind, report.raw);
            value = std::round(double(v) * 100.0) / 100.0;
            valueText = QStringLiteral(" (") + polling::valueText(v, scale.decimals) +
                        QString::fromUtf16(scale.unitLabel) + QLatin1Char(')');
        }
        if (before == ChannelCode::WarmingUp || before == ChannelCode::NoSensor ||
            before == ChannelCode::Fault)
            emitEvent(now, u, ch, EventKind::SensorState, EventLevel::Normal,
                      channelTitle(u, ch) + sensorWord(ChannelCode::Reading), value);
        // The first reading of a channel is written only when it is above
        // normal; after that every change of level is.
        const bool first = before == ChannelCode::Unknown || before == ChannelCode::NotInUse;
        if ((first && level > 0) || (!first && level != c.level))
            emitEvent(now, u, ch, EventKind::AlarmLevel, EventLevel(level),
                      channelTitle(u, ch) + levelWord(level) + valueText, value);
        c.code = ChannelCode::Reading;
        c.level = level;
    }
}

void JournalDetector::failedPoll(int u, const ReplyOutcome &outcome, const QDateTime &now) {
    if (u < 1 || u > kJournalUnits)
        return;
    Unit &un = unit(u);
    ++un.diag.polls;
    switch (outcome.kind) {
    case ReplyKind::BadChecksum:
        ++un.diag.badChecksum;
        break;
    case ReplyKind::ExceptionReply:
        ++un.diag.exceptions;
        un.diag.lastExceptionCode = outcome.errorCode;
        break;
    case ReplyKind::NoReply:
        ++un.diag.noReply;
        break;
    case ReplyKind::GoodReply:
        return;
    }
    ++un.failures;
    if (!un.diag.lost && un.failures >= m_lossPolls) {
        un.diag.lost = true;
        un.diag.lostSince = now;
        emitEvent(now, u, 0, EventKind::Communication, EventLevel::Alarm, lostText(u, outcome));
    }
}

void JournalDetector::programStarted(const QDateTime &now) {
    emitEvent(now, 0, 0, EventKind::Program, EventLevel::Normal,
              QStringLiteral("Программа запущена"));
}

void JournalDetector::programExit(const QDateTime &now) {
    endErrorRun(now);
    emitEvent(now, 0, 0, EventKind::Program, EventLevel::Normal,
              QStringLiteral("Программа завершена"));
}

void JournalDetector::pollingStarted(const QString &port,
                                     const std::array<std::uint8_t, 16> &addresses, int units,
                                     const QDateTime &now) {
    for (int u = 1; u <= kJournalUnits; ++u) {
        Unit &un = unit(u);
        const bool lost = un.diag.lost;
        const QDateTime since = un.diag.lostSince;
        un.diag = UnitDiagnostics{};
        // A unit lost before STOP stays lost until it answers, so the
        // journal gets its "restored" event.
        un.diag.lost = lost;
        un.diag.lostSince = since;
        un.diag.address = u <= units ? addresses[std::size_t(u)] : 0;
        un.failures = lost ? m_lossPolls : 0;
    }
    emitEvent(now, 0, 0, EventKind::Program, EventLevel::Normal,
              QStringLiteral("СТАРТ: опрос пультов запущен, порт ") + port);
}

void JournalDetector::pollingStopped(const QString &port, const QDateTime &now) {
    endErrorRun(now);
    emitEvent(now, 0, 0, EventKind::Program, EventLevel::Normal,
              QStringLiteral("СТОП: опрос пультов остановлен, порт ") + port);
}

void JournalDetector::settingsChanged(const QStringList &changes, const QDateTime &now) {
    if (changes.isEmpty())
        return;
    emitEvent(now, 0, 0, EventKind::Settings, EventLevel::Normal,
              QStringLiteral("Изменены настройки: ") + changes.join(QStringLiteral("; ")));
}

void JournalDetector::error(const QString &text, const QDateTime &now) {
    if (!m_errorText.isEmpty() && text == m_errorText) {
        ++m_errorFollowers;
        return;
    }
    endErrorRun(now);
    m_errorText = text.isEmpty() ? QStringLiteral("Неизвестная ошибка") : text;
    m_errorFollowers = 0;
    emitEvent(now, 0, 0, EventKind::Error, EventLevel::Warning,
              QStringLiteral("Ошибка: ") + m_errorText);
}

void JournalDetector::endErrorRun(const QDateTime &now) {
    if (m_errorText.isEmpty())
        return;
    if (m_errorFollowers > 0)
        emitEvent(now, 0, 0, EventKind::Error, EventLevel::Normal,
                  QStringLiteral("Ошибка повторилась ещё %1 раз подряд: ").arg(m_errorFollowers) +
                      m_errorText);
    m_errorText.clear();
    m_errorFollowers = 0;
}

} // namespace orvex::polling
