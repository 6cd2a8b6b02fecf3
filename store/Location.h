// Locating a database: a database name is an alias defined in the program
// folder's alias file, or a folder path. The tables are SQLite files in that
// folder, or, when the alias gives a server's connection URI, tables of a
// schema on that server (ServerLocation.h).
//
// The alias file (kAliasFileName in the program folder) holds lines of the
// form "NAME = folder"; names are compared without regard to letter case,
// blank lines and lines starting with '#' or ';' are ignored. A relative
// folder is taken relative to the program folder, so a copied program folder
// uses its own database.
#pragma once

#include "store/ServerLocation.h"

#include <QString>
#include <QStringList>

namespace orvex::store {

// The alias every table handle of the program carries.
inline constexpr const char *kAliasName = "ORVEX_01";

// The alias file in the program folder.
inline constexpr const char *kAliasFileName = "database.aliases";

// The folder an alias names, as written in the alias file (not resolved), or
// an empty string when the alias is not defined (or the file is missing).
QString aliasTarget(const QString &alias);

// True when the alias file defines `alias`.
bool aliasDefined(const QString &alias);

// The names the alias file defines, in the file's order, each once (the
// first spelling of a name that appears in several letter cases).
QStringList aliasNames();

// Adds or replaces the definition of `alias` in the alias file of the program
// folder, keeping every other line. `folder` should be relative to the program
// folder where possible. Raises StoreError when the file cannot be written.
void defineAlias(const QString &alias, const QString &folder);

// The absolute folder (cleaned, without trailing separator) of a database
// name. A defined alias resolves through the alias file; otherwise a name
// holding a path separator, or naming an existing folder, is a folder
// (Windows-style backslashes are read as separators, relative paths are
// relative to the program folder). Raises AliasNotDefinedError for a name
// that is neither, and DatabaseError when the folder does not exist.
QString resolveDatabase(const QString &databaseName);

// Where a database name leads: a folder of table files, or a station's
// schema on a server (an alias whose target is a connection URI).
struct DatabaseLocation {
    QString folder;
    ServerLocation server;
    bool isServer() const { return !server.connection.isEmpty(); }
    // The folder, or the server and schema, as texts name it.
    QString text() const { return isServer() ? server.display : folder; }
};

// As resolveDatabase, but an alias may also name a server; raises
// DatabaseError for a malformed server URI.
DatabaseLocation locateDatabase(const QString &databaseName);

} // namespace orvex::store
