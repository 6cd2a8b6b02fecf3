// Rules of the options dialog that need no window.
#include "config/OptionsRules.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>

namespace orvex::config {

const QStringList &speedTexts() {
    static const QStringList texts{
        QStringLiteral(" 2400 (000)"), QStringLiteral(" 4800 (001)"), QStringLiteral(" 9600 (002)"),
        QStringLiteral("19200 (003)"), QStringLiteral(" 2400 (004)"), QStringLiteral(" 4800 (005)"),
        QStringLiteral(" 9600 (006)"), QStringLiteral("19200 (007)"),
    };
    return texts;
}

namespace {

QStringView withoutLeadingBlanks(const QString &text) {
    QStringView view(text);
    while (!view.isEmpty() && view.front() == QLatin1Char(' '))
        view = view.mid(1);
    return view;
}

} // namespace

std::optional<int> matchingSpeedItem(const QString &speed) {
    const QStringList &texts = speedTexts();
    for (int i = 0; i < texts.size(); ++i) {
        if (texts[i].compare(speed, Qt::CaseInsensitive) == 0)
            return i;
    }
    const QStringView bare = withoutLeadingBlanks(speed);
    for (int i = 0; i < texts.size(); ++i) {
        if (withoutLeadingBlanks(texts[i]).compare(bare, Qt::CaseInsensitive) == 0)
            return i;
    }
    return std::nullopt;
}

int speedItemIndex(const QString &speed) {
    return matchingSpeedItem(speed).value_or(0);
}

std::optional<int> fieldNumber(const QString &text) {
    if (text.isEmpty() || text.size() > 11)
        return std::nullopt;
    qsizetype i = 0;
    bool negative = false;
    if (text[0] == QLatin1Char('+') || text[0] == QLatin1Char('-')) {
        negative = text[0] == QLatin1Char('-');
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 number = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        number = number * 10 + (c.unicode() - '0');
    }
    if (negative)
        number = -number;
    if (number > std::numeric_limits<int>::max() || number < std::numeric_limits<int>::min())
        return std::nullopt;
    return int(number);
}

namespace {

LeaveRuleResult rangeRule(const QString &text, int low, int high) {
    if (text.isEmpty())
        return {LeaveVerdict::Refused};
    const std::optional<int> v = fieldNumber(text);
    if (!v)
        return {LeaveVerdict::NotANumber};
    if (*v < low || *v > high)
        return {LeaveVerdict::Refused};
    return {LeaveVerdict::Accepted, *v};
}

const QString &estimateTail() {
    static const QString tail = QStringLiteral("~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~\r") +
                                QStringLiteral("   Выбирая эти параметры, учитывайте") +
                                QStringLiteral("\r") +
                                QStringLiteral("реальные возможности просмотра хранимых данных.");
    return tail;
}

QString estimateBody(int units, qint64 rows) {
    return QStringLiteral("и количестве пультов - ") + QString::number(units) +
           QStringLiteral("\r") + QStringLiteral("таблица текущих данных содержит до ") +
           formatRowEstimate(rows) + QStringLiteral(" записей.\r") + estimateTail();
}

} // namespace

LeaveRuleResult keepTimeRule(const QString &text) {
    return rangeRule(text, 1, 72);
}

QString keepTimeRefusal() {
    return QStringLiteral("Недопустимое значение!\r Введите 1-72.");
}

LeaveRuleResult archiveLevelRule(const QString &text) {
    return rangeRule(text, 1, 2);
}

QString archiveLevelRefusal() {
    return QStringLiteral("Недопустимое значение!\r Введите 1 или 2.");
}

QString notANumberText(const QString &text) {
    return QStringLiteral("'%1' - недопустимое целое значение").arg(text);
}

QString zeroPeriodText() {
    return QStringLiteral("Недопустимый период опроса: 0 с. Оценка размера таблицы не изменена.");
}

std::optional<qint64> currentTableRows(int units, int keepHours, int periodSeconds) {
    if (periodSeconds == 0)
        return std::nullopt;
    // Truncating division, as the recording's keep limit computes it.
    return qint64(units) * keepHours * 3600 / periodSeconds;
}

QString formatRowEstimate(qint64 rows) {
    static const QString pattern = QStringLiteral("9 999 999");
    QString digits = QString::number(rows);
    QString out(pattern.size(), QLatin1Char(' '));
    qsizetype d = digits.size() - 1;
    for (qsizetype p = pattern.size() - 1; p >= 0; --p) {
        if (pattern[p] != QLatin1Char('9'))
            continue; // a literal blank of the mask
        if (d >= 0)
            out[p] = digits[d--];
    }
    // Digits beyond the seven places of the mask stay in front.
    if (d >= 0)
        out.prepend(digits.left(d + 1));
    return out;
}

QString periodGroupHint(const QString &keepText, int units, qint64 rows) {
    return QStringLiteral("При таком периоде опроса, времени хранения - ") + keepText +
           QStringLiteral(" ч\r") + estimateBody(units, rows);
}

QString keepGroupHint(const QString &periodText, int units, qint64 rows) {
    return QStringLiteral("При таком времени хранения, периоде опроса - ") + periodText +
           QStringLiteral(" c\r") + estimateBody(units, rows);
}

QString currentDataCaption(const QString &keepText) {
    return QStringLiteral("Текущие данные (за ") + keepText + QStringLiteral(" ч)");
}

QString noPortChosenText() {
    return QStringLiteral("        НЕ ЗАДАН СОМ-порт!\rВведите номер СОМ-порта, к которому "
                          "подключены пульты.");
}

QString noPortsText() {
    return QStringLiteral("Нет COM порта. Работа невозможна.");
}

bool fitsSettingsCodePage(const QString &text) {
    // A character the code page lacks comes back changed (or flags an error).
    QStringEncoder encoder("windows-1251");
    QStringDecoder decoder("windows-1251");
    if (!encoder.isValid() || !decoder.isValid())
        return true;
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return false;
    return QString(decoder.decode(bytes)) == text;
}

} // namespace orvex::config
