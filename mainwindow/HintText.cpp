// Captions, hints and status texts of the main window.
#include "mainwindow/HintText.h"

#include "mainwindow/Texts.h"
#include "polling/NumberFormat.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace orvex::mainwindow {

using namespace texts;

QString unitCaption(int u, bool hasData, const polling::UnitState &unit, bool l2ProcOn) {
    QString caption = kUnitCaption + QString::number(u);
    if (hasData) {
        caption += QStringLiteral(": ") + unit.upGasName.text();
        caption += l2ProcOn ? kPercentMode : QStringLiteral(", ") + unit.upUnitLabel.text();
    }
    return caption;
}

QString unitHint(bool hasData, const polling::UnitState &unit, bool l2ProcOn, bool showHint3,
                 const QLocale &locale) {
    const QString rule = QStringLiteral("\r") + kUnitCommentRule;
    QString hint = unit.upName.text();
    if (hasData) {
        if (unit.upGasName == kGasExplosive)
            hint += QStringLiteral("\r") + kExplosiveGasLine;
        else
            hint += QStringLiteral("\r ") + unit.upGasName.text();
        hint += l2ProcOn ? kPercentHintTail : QStringLiteral(", ") + unit.upUnitLabel.text();
        hint += rule;
        hint += QStringLiteral("\r") + kTripLine +
                polling::formatNumber(unit.upTripThreshold, 5, unit.upDecimals, locale) +
                unit.upUnitLabel.text() + QStringLiteral(" ");
        hint += QStringLiteral("\r") + kWarnLine +
                polling::formatNumber(unit.upWarnThreshold, 5, unit.upDecimals, locale) +
                unit.upUnitLabel.text() + QStringLiteral(" ");
    } else if (!unit.upErrorText.isEmpty()) {
        hint += QStringLiteral("\r") + unit.upErrorText.text();
    }
    if (showHint3 && !unit.upComment.isEmpty())
        hint += rule + QStringLiteral("\r ") + unit.upComment + QStringLiteral(" ");
    return hint;
}

QString cellBuildHint(int u, int n, const QString &sensorName, const QString &comment,
                      bool showHint3) {
    QString hint = kCellHintHead + QString::number(u) + QStringLiteral("-") + QString::number(n) +
                   QStringLiteral("\r ") + sensorName + QStringLiteral(" ");
    if (showHint3 && !comment.isEmpty())
        hint += QStringLiteral("\r") + kCellCommentRule + QStringLiteral("\r ") + comment +
                QStringLiteral(" ");
    return hint;
}

QString l2ProcHint(bool on) {
    return (on ? QStringLiteral("Вы") : QStringLiteral("В")) + kL2ProcHintTail;
}

QString soundHint(bool on) {
    return on ? kSoundHintOn : kSoundHintOff;
}

QString portStateText(const QString &portName, const QString &speed, bool open) {
    return kPortPrefix + portName + QStringLiteral(" ") + speed +
           (open ? kPortOpenTail : kPortClosedTail);
}

QString startupPortText(int comPortNo, const QString &speed) {
    return portStateText(QStringLiteral("COM") + QString::number(comPortNo), speed, false);
}

QString periodText(int periodMs) {
    return kPeriodPrefix + QString::number(periodMs / 1000) + kPeriodTail;
}

QString signalsCountText(qint64 rows) {
    return kSignalsCountPrefix + QString::number(rows);
}

QString arcCountText(qint64 rows) {
    return kArcCountPrefix + QString::number(rows);
}

QString dataViewCaption(int currKeepTime) {
    return kDataCaptionPrefix + QString::number(currKeepTime) + kDataCaptionTail;
}

QString unitNotFoundText(int u) {
    return kUnitNotFoundHead + QString::number(u) + kUnitNotFoundTail;
}

bool isDecodedGas(const QString &gasName) {
    return gasName == kGasAmmonia || gasName == kGasExplosive || gasName == kGasCO ||
           gasName == kGasMethane;
}

QString hintToRichText(const QString &hint, const QFontMetrics &metrics, int maxWidth) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = hint.split(lineBreak);
    int widest = 0;
    QStringList escaped;
    escaped.reserve(lines.size());
    for (const QString &line : lines) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
        escaped << line.toHtmlEscaped();
    }
    // pre-wrap keeps the leading and doubled blanks the hints are laid out with
    // and still lets a long line wrap inside the fixed-width table.
    const QString body = QStringLiteral("<p style=\"white-space:pre-wrap\">") +
                         escaped.join(QStringLiteral("<br>")) + QStringLiteral("</p>");
    if (widest <= maxWidth)
        return QStringLiteral("<qt>") + body + QStringLiteral("</qt>");
    return QStringLiteral("<qt><table width=\"%1\" cellspacing=\"0\" cellpadding=\"0\"><tr><td>")
               .arg(maxWidth) +
           body + QStringLiteral("</td></tr></table></qt>");
}

} // namespace orvex::mainwindow
