// Reply decoding into the unit state and the channel cells.
#include "polling/Decode.h"

#include "polling/NumberFormat.h"

#include <algorithm>

namespace orvex::polling {

namespace {

// Gas name and measurement unit per scale kind 0..3; the label " мг/куб.м"
// begins with a blank because it is written straight after a number.
constexpr ScaleKind kScaleKinds[] = {
    {u"метан", u"% объема", 2},
    {u"ВОГ", u"% НКПР", 0},
    {u"СО газ", u" мг/куб.м", 0},
    {u"аммиак", u" мг/куб.м", 0},
};

// Scale kind named by a cell's gas name; -1 when the name is none of the four
// (the unit has not reported a kind 0..3 yet).
int kindOfGas(const QString &gasName) {
    for (int kind = 0; kind < 4; ++kind)
        if (gasName == QStringView(kScaleKinds[kind].gasName))
            return kind;
    return -1;
}

// A reading as percent of the trip threshold. A trip threshold byte of 0 is
// reached by every reading (the colour and alarm level say so); a percentage
// of zero has no meaning, so such a reading counts as exactly 100 % of the
// threshold instead of a division by zero that would put "inf" or "nan" on
// screen.
float percentOfTrip(std::uint8_t raw, std::uint8_t trip) {
    if (trip == 0)
        return 100.0f;
    return static_cast<float>(raw * 100) / static_cast<float>(trip);
}

QString channelTitle(int u, int ch) {
    return QStringLiteral(" Канал № ") + QString::number(u) + QLatin1Char('-') +
           QString::number(ch);
}

QString commentTail(const ChannelState &channel, const DecodeOptions &options) {
    if (!options.commentsInHints || channel.spComment.isEmpty())
        return QString();
    return QStringLiteral("\r====================\r ") + channel.spComment.text() +
           QLatin1Char(' ');
}

int channelCount(ChannelRow channels, const DecodeOptions &options) {
    return std::clamp(std::min<int>(options.channelsMaxAmount, static_cast<int>(channels.size())),
                      0, kMaxChannels);
}

void showNoReading(ChannelState &c, int u, int ch, ChannelCode code, const DecodeOptions &options) {
    QString message;
    switch (code) {
    case ChannelCode::WarmingUp:
        c.cell.text = QStringLiteral("прогрев");
        message = QStringLiteral("!!! Нет готовности датчика !!! ");
        break;
    case ChannelCode::NoSensor:
        c.cell.text = notInUseMarker();
        message = QStringLiteral(" !!! Датчик не подключён !!! ");
        break;
    default: // sensor fault or sensor link broken
        c.cell.text = QStringLiteral("ОТКАЗ");
        message = QStringLiteral("!!! Неисправность датчика или обрыв связи с датчиком !!! ");
        c.cell.font.bold = true;
        c.cell.font.color = faultFontColor();
        break;
    }
    c.spColor = idleCellColor();
    c.cell.background = c.spColor;
    c.cell.hint = channelTitle(u, ch) + QStringLiteral("\r ") + c.spSensorName.text() +
                  QLatin1Char('\r') + message + commentTail(c, options);
}

} // namespace

int replyScaleKind(const ReplyBuffer &reply) {
    const int kind = reply[kKindByte];
    return kind <= 3 ? kind : -1;
}

const ScaleKind &scaleKind(int kind) {
    return kScaleKinds[std::clamp(kind, 0, 3)];
}

float toUnits(int kind, std::uint8_t raw) {
    const float r = raw;
    switch (kind) {
    case 0:
        return r / 100.0f;
    case 1:
        return r / 5.0f;
    case 2:
        return r;
    default:
        return r * 2.0f;
    }
}

ChannelReport classifyChannel(const ReplyBuffer &reply, int ch) {
    ChannelReport report;
    if (ch < 1 || ch > kMaxChannels || (reply[kMaskByte] & (1u << (ch - 1))) == 0)
        return report;
    report.raw = reply[kFirstChannelByte + static_cast<std::size_t>(ch - 1)];
    switch (report.raw) {
    case 253:
        report.code = ChannelCode::WarmingUp;
        break;
    case 254:
        report.code = ChannelCode::NoSensor;
        break;
    case 255:
        report.code = ChannelCode::Fault;
        break;
    default:
        report.code = ChannelCode::Reading;
        report.alarmLevel = report.raw >= reply[kTripByte]   ? 2
                            : report.raw >= reply[kWarnByte] ? 1
                                                             : 0;
        break;
    }
    return report;
}

DecodeResult DecodeReply(int u, const ReplyBuffer &reply, UnitState &unit, ChannelRow channels,
                         const DecodeOptions &options, const UnitHeaderRefresh &refreshUnitHeader) {
    DecodeResult result;
    const std::uint8_t warn = reply[kWarnByte];
    const std::uint8_t trip = reply[kTripByte];

    const int kind = replyScaleKind(reply);
    if (kind >= 0) {
        unit.upGasName = QString::fromUtf16(kScaleKinds[kind].gasName);
        unit.upUnitLabel = QString::fromUtf16(kScaleKinds[kind].unitLabel);
        unit.upDecimals = kScaleKinds[kind].decimals;
        unit.upWarnThreshold = toUnits(kind, warn);
        unit.upTripThreshold = toUnits(kind, trip);
    }
    unit.upErrorText = QString();
    if (refreshUnitHeader)
        refreshUnitHeader(u, true);

    const int count = channelCount(channels, options);
    for (int ch = 1; ch <= count; ++ch) {
        ChannelState *channel = channels[static_cast<std::size_t>(ch - 1)];
        if (!channel)
            continue;
        ChannelState &c = *channel;
        const ChannelReport report = classifyChannel(reply, ch);

        c.spValue = 0;
        c.spValid = false;
        c.cell.font = FontRule{};

        if (report.code != ChannelCode::NotInUse) {
            c.spGasName = unit.upGasName.text();
            c.spUnitLabel = unit.upUnitLabel.text();
        } else {
            c.spGasName = notInUseMarker();
        }

        if (c.spGasName == notInUseMarker()) {
            c.spColor = notInUseColor();
            c.cell.background = c.spColor;
            c.cell.text = QStringLiteral("нерабочий");
            c.cell.hint = QStringLiteral(" Канал незадействован ");
            continue;
        }

        if (report.code != ChannelCode::Reading) {
            showNoReading(c, u, ch, report.code, options);
            continue;
        }

        // A reading, coloured by its alarm level.
        const std::uint8_t raw = report.raw;
        c.spPercent = percentOfTrip(raw, trip);
        c.spColor = report.alarmLevel == 2   ? tripColor()
                    : report.alarmLevel == 1 ? warningColor()
                                             : belowWarningColor();
        result.alarmLevel = std::max(result.alarmLevel, report.alarmLevel);

        const int gasKind = kindOfGas(c.spGasName);
        if (gasKind < 0) {
            // No scale kind known yet: no value to show, but the alarm level
            // raised above stays raised.
            c.spColor = notInUseColor();
            c.cell.background = c.spColor;
            c.cell.text = QString();
            continue;
        }
        c.spValue = toUnits(gasKind, raw);
        c.spValid = true;
        result.values[static_cast<std::size_t>(ch - 1)] = c.spValue;
        c.cell.font.bold = true;
        c.cell.font.size = FontSizeRule::HeightDiv4AtLeast10;

        const QString value = valueText(c.spValue, unit.upDecimals);
        const QString percent = percentText(c.spPercent);
        c.cell.text = options.percentMode ? percent + QLatin1Char('%') : value;
        c.cell.hint = channelTitle(u, ch) + QStringLiteral(" (") + c.spGasName.text() +
                      QStringLiteral(")\r ") + c.spSensorName.text() +
                      QStringLiteral("\r-----------\r") + value + c.spUnitLabel.text() +
                      QLatin1Char('\r') + percent + QStringLiteral("% от порога срабатывания ") +
                      commentTail(c, options);
        c.cell.background = c.spColor;
    }
    return result;
}

void ShowReplyError(int u, const ReplyOutcome &outcome, UnitState &unit, ChannelRow channels,
                    const DecodeOptions &options, const UnitHeaderRefresh &refreshUnitHeader) {
    if (outcome.kind == ReplyKind::GoodReply)
        return; // a good reply is decoded, not shown as an error

    unit.upErrorText = ReplyErrorText(outcome);
    if (refreshUnitHeader)
        refreshUnitHeader(u, false);

    const QString label = ReplyCellLabel(outcome);
    const int count = channelCount(channels, options);
    for (int ch = 1; ch <= count; ++ch) {
        ChannelState *channel = channels[static_cast<std::size_t>(ch - 1)];
        if (!channel || channel->spGasName == notInUseMarker())
            continue;
        ChannelState &c = *channel;
        // Only a silent unit loses the reading's bold font and colour; the
        // other outcomes keep the font of the last decode.
        if (outcome.kind == ReplyKind::NoReply) {
            c.cell.font.bold = false;
            c.cell.font.color = PanelColor::windowText();
        }
        c.cell.font.size = FontSizeRule::WidthDiv8AtLeast9;
        c.cell.background = PanelColor::buttonFace();
        c.cell.text = label;
    }
}

} // namespace orvex::polling
