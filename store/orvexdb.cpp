// orvexdb: creates a database folder with the five empty tables and defines
// the alias "ORVEX_01" in a program folder's alias file. Existing tables are
// kept as they are; an existing alias definition is kept too.
//
//   orvexdb [--no-alias] PROGRAM_FOLDER [DATABASE_FOLDER]
//   orvexdb --version
//
// DATABASE_FOLDER defaults to PROGRAM_FOLDER/Database; a relative one is
// taken relative to PROGRAM_FOLDER.
#include "store/Events.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/StoreError.h"
#include "ui/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

int main(int argc, char *argv[]) {
    if (argc == 2 && qstrcmp(argv[1], "--version") == 0) {
        std::puts("orvexdb " ORVEX_VERSION);
        return 0;
    }
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool alias = !args.removeAll(QStringLiteral("--no-alias"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.isEmpty() || args.size() > 2 || args[0].startsWith(QLatin1Char('-'))) {
        err << "usage: orvexdb [--no-alias] PROGRAM_FOLDER [DATABASE_FOLDER]\n";
        return 2;
    }
    try {
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
    } catch (const orvex::SystemError &e) {
        err << e.text() << '\n';
        return 1;
    }
    return 0;
}
