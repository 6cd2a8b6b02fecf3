// Rules of the options dialog that need no window: the speed texts, the leave rules of the
// keep-time and archive-level fields, the number read from a numeric field, and the table-size
// estimate with its hint texts.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace orvex::config {

// The eight speed texts of the speed group, items 0..7: the left column for an
// RS-232 line, the right one for an RS-485 line; the digits in parentheses are
// the units' parameter "Б".
const QStringList &speedTexts();

// The item whose text equals `speed`, letter case and leading blanks ignored
// (the settings file drops the blank in front of a four-digit speed); nothing
// when none does.
std::optional<int> matchingSpeedItem(const QString &speed);

// The item the speed group shows for `speed`: the matching one, else item 0.
int speedItemIndex(const QString &speed);

// The number a numeric field's text holds: a whole decimal number with an
// optional sign and no blanks around it; nothing otherwise.
std::optional<int> fieldNumber(const QString &text);

// Result of a field's leave rule.
enum class LeaveVerdict {
    Accepted,   // the value is taken into the setting
    Refused,    // the field is reset, an error shown, the focus goes back
    NotANumber, // reported by the general error handler; the setting keeps its value
};

struct LeaveRuleResult {
    LeaveVerdict verdict;
    int value = 0; // the accepted value
};

// Keep time of current data: non-empty and 1..72 (although the field runs to
// 120). Refusal text and reset text below.
LeaveRuleResult keepTimeRule(const QString &text);
inline constexpr int kKeepTimeResetValue = 24;
QString keepTimeRefusal();

// Archive level: non-empty and 1 or 2.
LeaveRuleResult archiveLevelRule(const QString &text);
inline constexpr int kArchiveLevelResetValue = 2;
QString archiveLevelRefusal();

// The error text for a field whose text is needed as a number but is none.
QString notANumberText(const QString &text);

// The error text for a poll period of 0 where it would divide.
QString zeroPeriodText();

// Rows of the current-data table: units x keep hours x 3600 div period in
// seconds, truncating. Nothing when the period is 0 (no division by zero).
std::optional<qint64> currentTableRows(int units, int keepHours, int periodSeconds);

// A row count written with the edit mask "!9 999 999;0;*": digits right-aligned
// into a nine-character pattern "9 999 999", positions without a digit left
// blank; more than seven digits keep the extra ones in front.
QString formatRowEstimate(qint64 rows);

// Hint of the group "Период опроса пультов": keepText is the keep-time
// field's text.
QString periodGroupHint(const QString &keepText, int units, qint64 rows);

// Hint of the group "Хранение текущих данных": periodText is the period
// field's text.
QString keepGroupHint(const QString &periodText, int units, qint64 rows);

// Caption of the current-data view after an accepted keep time.
QString currentDataCaption(const QString &keepText);

// The error shown on deactivation while no port is chosen.
QString noPortChosenText();

// The error shown at creation when the computer has no serial port.
QString noPortsText();

// True when every character of `text` exists in the Windows-1251 code page,
// the code page of the settings file.
bool fitsSettingsCodePage(const QString &text);

} // namespace orvex::config
