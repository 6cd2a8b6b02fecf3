// Full-size measurement tables on a server for the benchmarks: a station
// schema on the benchmark's throw-away local PostgreSQL cluster (Unix
// socket, synchronous_commit=on), filled inside the server.
#pragma once

#include <QString>
#include <QtGlobal>

namespace orvex::bench {

// The store URI (an alias target) of station schema `schema` whose
// Signals.DB holds `signalsRows` rows over 5 days and Arc.DB `archiveRows`
// rows over 730 days from kFirstDay, with the alarm levels and unit order of
// generatedDatabase. The rows are made by generate_series before the store's
// indexes, then analysed; a schema is generated once per process (the
// cluster goes with the process). A failure aborts with the reason.
QString generatedServerSchema(const QString &schema, qint64 signalsRows, qint64 archiveRows);

} // namespace orvex::bench
