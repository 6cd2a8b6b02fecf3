// A database on a server: an alias line whose target is a PostgreSQL
// connection URI, e.g.
//   ORVEX_01 = postgresql://station1@dbhost/orvex?sslmode=require&schema=boiler1
// `schema` is the store's own parameter and names the station's schema; the
// rest of the URI is handed to the client library as it is, so its own
// parameters (host, port, sslmode, service, ...) apply. A password never
// appears in the alias file: the client library's password file or service
// file supplies it, so a URI that holds one is refused without echoing it.
#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

namespace orvex::store {

struct ServerLocation {
    QString connection; // the URI without the schema parameter
    QString schema;     // the station's schema, a plain identifier
    QString display;    // for texts: user@host/database, schema; never a password
    // The URI as the Qt driver takes it: the database name, and the other
    // parts as the client library's "key=value" connection options.
    QString database;
    QStringList options;
};

// True when `target` is a connection URI rather than a folder.
bool isServerUri(const QString &target);

// Splits a connection URI. Raises DatabaseError when the schema is missing
// or not a plain identifier, or the URI carries a password.
ServerLocation parseServerUri(const QString &uri);
// The URI of `server` with its schema: a database name that locates the same
// tables (no password, as none is ever accepted).
QString serverDatabaseName(const ServerLocation &server);

// Sets a Qt SQL connection of the PostgreSQL driver to `server`; a connect
// timeout of a few seconds applies unless the URI gives one.
void applyServerLocation(QSqlDatabase &db, const ServerLocation &server);

// A plain SQL identifier: a letter or '_' first, then letters, digits, '_'.
bool isPlainIdentifier(const QString &name);

} // namespace orvex::store
