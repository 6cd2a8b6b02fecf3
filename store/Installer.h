// The installer step: creates a database folder with the five tables and the
// event journal, and the store's own indexes and row counters, without
// touching a table that already exists. The program itself never creates the
// five tables (only a missing event journal, at start); the `orvexdb` command
// and the install rule run this.
#pragma once

#include <QString>
#include <QStringList>

namespace orvex::store {

struct TableDef;

struct InstallResult {
    QStringList created;        // table files created
    QStringList kept;           // table files that existed and were left as they are
    bool eventsCreated = false; // the event journal Events.DB was made (else kept)
};

// Creates or completes one table file: the table, its indexes and row counter
// when missing. Raises StoreError.
void installTableFile(const TableDef &t, const QString &file);

// Creates `folder` if needed and every missing table file in it. An existing
// table file is never overwritten or emptied; it only receives the store's
// own indexes and row counter when they are missing. Raises StoreError.
InstallResult createDatabase(const QString &folder);

// The same on a server: creates the station's schema of `uri` (a server
// alias target, "postgresql://...&schema=NAME") and every missing table in
// it, one transaction per table. Raises StoreError (DatabaseError when the
// server cannot be reached).
InstallResult createServerSchema(const QString &uri);

} // namespace orvex::store
