// Full-size measurement tables for the benchmarks: generated once into a data
// folder and reused by every later run (and by every benchmark that names the
// same folder).
#pragma once

#include "store/Schema.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace orvex::bench {

// The first day of every generated table.
inline const QDate kFirstDay(2025, 1, 1);

// The value of the environment variable `variable`, or `fallback` when unset.
QString dataRoot(const char *variable, const QString &fallback);

// A database folder under `root` whose measurement table `def` holds `rows`
// rows spread over `days` days from kFirstDay, all 15 units in turn, with
// alarm levels as the table sees them: in the archive only 1 and 2, in the
// current data mostly 0 with a few 1 and 2. The folder is
// `root/<table>-<rows>`; it is generated on first use (a few minutes for ten
// million rows) and marked complete, and reused from then on.
QString generatedDatabase(const QString &root, const store::TableDef &def, qint64 rows, int days,
                          bool archive);

// Runs the SQL statements of `script` in turn on the table file `file` over
// a connection of its own; a failing statement is printed and ends the
// program (a benchmark on half-made data would measure the wrong thing).
void runScript(const QString &file, const QStringList &script);

} // namespace orvex::bench
