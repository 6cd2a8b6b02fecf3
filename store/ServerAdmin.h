// The site administrator's tasks behind the orvexdb command: the SQL of the
// roles for a station's schema, running SQL on a server, and copying a
// station's tables between a database folder and a server schema.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace orvex::store {

// The roles of a site for the station schema of `uri`: a station role
// ("orvex_station_<schema>") that may read and write only that schema, and
// the viewer role ("orvex_viewer") that may read every station's schema and
// write none. Idempotent; login roles are made members by the
// administrator. Raises DatabaseError for a malformed URI.
QStringList siteRolesScript(const QString &uri);

// Runs `statements` on the server of `uri` in one transaction. Raises
// StoreError with the server's text on the first failure.
void runServerScript(const QString &uri, const QStringList &statements);

// Copies every table of the database `from` into the database `to`; each is
// a database folder or a server URI. Record numbers are kept; each table is
// one transaction; `progress` receives a line per table. The target tables
// must exist (orvexdb --server, or a folder made by orvexdb) and must not
// hold rows with the same keys. Raises StoreError.
void copyDatabase(const QString &from, const QString &to,
                  const std::function<void(const QString &)> &progress);

} // namespace orvex::store
