// Captions, hints and status texts of the main window as plain functions of
// the panel records and switches, so they can be checked without a window.
// Hint texts use a carriage return alone as line break; hintToRichText turns
// one into what a tooltip shows.
#pragma once

#include "polling/UnitState.h"

#include <QFontMetrics>
#include <QLocale>
#include <QString>

namespace orvex::mainwindow {

// Caption of unit panel u: "Пульт №" u, with gas and unit (or ", % ПС") when
// the unit has data.
QString unitCaption(int u, bool hasData, const polling::UnitState &unit, bool l2ProcOn);

// Hint of a unit panel: its name, with data the gas, unit and both thresholds,
// without data the last error, and the register comment when comments are on.
QString unitHint(bool hasData, const polling::UnitState &unit, bool l2ProcOn, bool showHint3,
                 const QLocale &locale = QLocale());

// Hint a cell gets when the grid is built.
QString cellBuildHint(int u, int n, const QString &sensorName, const QString &comment,
                      bool showHint3);

// Hint of the "% ПС" check box for the new state, and of the "звук" check box.
QString l2ProcHint(bool on);
QString soundHint(bool on);

// Status bar panel 0: the port state.
QString portStateText(const QString &portName, const QString &speed, bool open);
QString startupPortText(int comPortNo, const QString &speed);
// Panels 1 to 3 at run time; counters are plain digits.
QString periodText(int periodMs);
QString signalsCountText(qint64 rows);
QString arcCountText(qint64 rows);
// Caption of the current-data view as the "ДАННЫЕ" command sets it.
QString dataViewCaption(int currKeepTime);

// The message for a unit number without a Units.DB row.
QString unitNotFoundText(int u);

// True for the gas names a decoded reply gives ("аммиак", "ВОГ", "СО газ",
// "метан"); the cell click opens the plot only for these.
bool isDecodedGas(const QString &gasName);

// Converts a hint to the rich text a tooltip shows: every carriage return
// (alone or with a line feed) starts a new line, blanks are kept, markup
// characters typed into a comment are escaped, and a hint whose widest line
// is wider than `maxWidth` pixels is wrapped at that width.
QString hintToRichText(const QString &hint, const QFontMetrics &metrics, int maxWidth = 400);

} // namespace orvex::mainwindow
