// orvexdb: creates a database folder with the five empty tables and defines
// the alias "ORVEX_01" in a program folder's alias file. Existing tables are
// kept as they are; an existing alias definition is kept too.
//
//   orvexdb [--no-alias] PROGRAM_FOLDER [DATABASE_FOLDER]
//   orvexdb --version
//   orvexdb --server URI
//   orvexdb --roles URI [--apply]
//   orvexdb --copy FROM TO
//
// DATABASE_FOLDER defaults to PROGRAM_FOLDER/Database; a relative one is
// taken relative to PROGRAM_FOLDER. --server creates a station's schema and
// its tables on a server (URI as in the alias file, with &schema=NAME); an
// existing table is never overwritten. --roles prints the SQL of the site's
// roles for that schema (a station role that writes only its own schema, a
// viewer role that reads every station's), and runs it with --apply.
// --copy copies every table between a database folder and a server schema
// (either way), keeping record numbers, one transaction per table.
#include "store/Events.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/ServerAdmin.h"
#include "store/StoreError.h"
#include "ui/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

namespace {

int installFolder(QStringList args, QTextStream &out, QTextStream &err) {
    const bool alias = !args.removeAll(QStringLiteral("--no-alias"));
    if (args.isEmpty() || args.size() > 2 || args[0].startsWith(QLatin1Char('-'))) {
        err << "usage: orvexdb [--no-alias] PROGRAM_FOLDER [DATABASE_FOLDER]\n"
               "       orvexdb --server URI\n"
               "       orvexdb --roles URI [--apply]\n"
               "       orvexdb --copy FROM TO\n";
        return 2;
    }
    const QDir program(QDir::cleanPath(QDir(args[0]).absolutePath()));
    if (!QDir().mkpath(program.path()))
        throw orvex::store::StoreError(QStringLiteral("Cannot create %1").arg(program.path()));
    orvex::setProgramFolder(program.path());
    const QString database =
        QDir::cleanPath(program.absoluteFilePath(args.value(1, QStringLiteral("Database"))));
    const orvex::store::InstallResult result = orvex::store::createDatabase(database);
    for (const QString &t : result.created)
        out << "created " << database << '/' << t << '\n';
    for (const QString &t : result.kept)
        out << "kept    " << database << '/' << t << '\n';
    out << (result.eventsCreated ? "created " : "kept    ") << database << '/'
        << orvex::store::kEventsFile << '\n';
    const QString name = QString::fromLatin1(orvex::store::kAliasName);
    if (alias && !orvex::store::aliasDefined(name)) {
        QString target = program.relativeFilePath(database);
        if (target.isEmpty())
            target = QStringLiteral(".");
        orvex::store::defineAlias(name, target);
        out << "alias   " << name << " = " << target << '\n';
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc == 2 && qstrcmp(argv[1], "--version") == 0) {
        std::puts("orvexdb " ORVEX_VERSION);
        return 0;
    }
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        const QString command = args.value(0);
        if (command == QLatin1String("--server") && args.size() == 2) {
            const orvex::store::InstallResult result = orvex::store::createServerSchema(args[1]);
            const QString where = orvex::store::parseServerUri(args[1]).display;
            for (const QString &t : result.created)
                out << "created " << where << ": " << t << '\n';
            for (const QString &t : result.kept)
                out << "kept    " << where << ": " << t << '\n';
            out << (result.eventsCreated ? "created " : "kept    ") << where << ": "
                << orvex::store::kEventsFile << '\n';
            return 0;
        }
        if (command == QLatin1String("--roles") && (args.size() == 2 || args.size() == 3)) {
            const bool apply = args.size() == 3 && args[2] == QLatin1String("--apply");
            if (args.size() == 3 && !apply) {
                err << "usage: orvexdb --roles URI [--apply]\n";
                return 2;
            }
            const QStringList sql = orvex::store::siteRolesScript(args[1]);
            for (const QString &s : sql)
                out << s << ";\n";
            if (apply) {
                orvex::store::runServerScript(args[1], sql);
                out << "-- applied\n";
            }
            return 0;
        }
        if (command == QLatin1String("--copy") && args.size() == 3) {
            out.flush();
            orvex::store::copyDatabase(args[1], args[2], [&](const QString &line) {
                out << line << '\n';
                out.flush();
            });
            return 0;
        }
        return installFolder(args, out, err);
    } catch (const orvex::SystemError &e) {
        err << e.text() << '\n';
        return 1;
    }
}
