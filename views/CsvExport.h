// Export of what a table window shows to a CSV file that spreadsheet
// programs open as it is: UTF-8 with a byte-order mark (so Russian text
// reads right), the operator's decimal separator, and ';' between fields
// where that separator is a comma (',' otherwise). Dates and times are
// written as the window shows them. Rows are read from the window's table
// handle page by page (with its range and filter), so the export never holds
// the table; the file is written to a temporary file that replaces the target
// only when everything was written, so a cancelled or failed export leaves
// no partial file behind.
#pragma once

#include "store/Table.h"

#include <QLocale>
#include <QStringList>
#include <functional>

class QWidget;

namespace orvex::views {

// The field separator for a locale: ';' when its decimal separator is ','.
QChar csvSeparator(const QLocale &locale = QLocale());

// One field, quoted when it holds the separator, a quote or a line break.
QString csvField(const QString &text, QChar separator);

using CsvRowFormat = std::function<QStringList(const store::Row &row)>;

struct CsvResult {
    bool written = false;
    bool cancelled = false;
    qint64 rows = 0;
    QString error; // the operator's message when neither written nor cancelled
};

// Writes `headers` and every row of `table` (open; range and filter as set,
// in index order) to `path`. `progress` is called every few hundred rows
// with the rows written so far and cancels when it returns false.
CsvResult exportCsv(const QString &path, const store::Table &table, const QStringList &headers,
                    const CsvRowFormat &format,
                    const std::function<bool(qint64 rows)> &progress = {},
                    const QLocale &locale = QLocale());

// The cells of a measurement row (Signals.DB, Arc.DB) as the data views show
// them, in the views' column order.
QStringList measurementCells(const store::Row &row);
// The same as a formatter that takes the locale and formats once, for a whole
// export.
CsvRowFormat measurementFormat();
QStringList measurementHeaders();

// Asks for a file name, exports with a progress dialog that can be
// cancelled, and reports the outcome in a message box.
void exportCsvInteractive(QWidget *parent, const store::Table &table, const QStringList &headers,
                          const CsvRowFormat &format, const QString &suggestedName,
                          qint64 expectedRows);

class TDataViewForm;

// Gives a data view's table a context menu with "Экспорт в CSV..." over what
// the view shows (its range and filter); the view's layout is unchanged.
void addCsvExportMenu(TDataViewForm &view, const QString &suggestedName);

} // namespace orvex::views
