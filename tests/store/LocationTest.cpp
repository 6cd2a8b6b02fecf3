// Locating the database: the alias file, folder names, and which failures
// allow the fall-back to another folder (only an undefined alias).
#include "tests/store/StoreTestSupport.h"

#include <QDir>
#include <QFile>

using namespace orvex::store;

namespace {

void writeAliasFile(const QString &programFolder, const QByteArray &text) {
    QFile f(programFolder + QLatin1Char('/') + QLatin1String(kAliasFileName));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

TEST(Location, AliasResolvesRelativeToTheProgramFolderWithoutRegardToCase) {
    orvex::test::TempProgramFolder folder;
    QDir(folder.path()).mkpath(QStringLiteral("data/db"));
    writeAliasFile(folder.path(), "# comment\n\n  orvex_01 =  data/db  \nOTHER=/nowhere\n");
    EXPECT_EQ(resolveDatabase(QStringLiteral("ORVEX_01")), folder.file(QStringLiteral("data/db")));
    EXPECT_TRUE(aliasDefined(QStringLiteral("Orvex_01")));
    EXPECT_EQ(aliasTarget(QStringLiteral("other")), QStringLiteral("/nowhere"));
}

TEST(Location, OnlyAnUndefinedAliasAllowsTheFallBack) {
    orvex::test::TempProgramFolder folder;
    // No alias file at all.
    EXPECT_THROW(resolveDatabase(QStringLiteral("ORVEX_01")), AliasNotDefinedError);
    // A file that defines other aliases only.
    writeAliasFile(folder.path(), "OTHER = x\n");
    EXPECT_THROW(resolveDatabase(QStringLiteral("ORVEX_01")), AliasNotDefinedError);
    // Defined, but its folder is gone: reported as a database error, not as
    // an undefined alias, so the program does not record elsewhere unnoticed.
    writeAliasFile(folder.path(), "ORVEX_01 = Database\n");
    try {
        resolveDatabase(QStringLiteral("ORVEX_01"));
        FAIL();
    } catch (const AliasNotDefinedError &) {
        FAIL() << "a defined alias was reported as undefined";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.text().contains(folder.file(QStringLiteral("Database"))));
    }
}

TEST(Location, ADefinedAliasWithAMissingTableIsADatabaseErrorOnOpen) {
    orvex::test::TempProgramFolder folder;
    createDatabase(folder.file(QStringLiteral("Database")));
    defineAlias(QString::fromLatin1(kAliasName), QStringLiteral("Database"));
    QFile::remove(folder.file(QStringLiteral("Database/Units.DB")));
    Table t;
    t.setDatabaseName(QString::fromLatin1(kAliasName));
    t.setTableName(QStringLiteral("Units.DB"));
    bool undefined = false, database = false;
    try {
        t.open();
    } catch (const AliasNotDefinedError &) {
        undefined = true;
    } catch (const DatabaseError &) {
        database = true;
    }
    EXPECT_FALSE(undefined);
    EXPECT_TRUE(database);
}

TEST(Location, FolderNamesWorkWithoutAnAlias) {
    orvex::test::TempProgramFolder folder;
    createDatabase(folder.file(QStringLiteral("Database")));
    const QString absolute = folder.file(QStringLiteral("Database"));
    struct Case {
        QString name;
    };
    for (const QString &name : {absolute, absolute + QLatin1Char('/'), QStringLiteral("Database"),
                                QStringLiteral("./Database"), QStringLiteral(".\\Database\\")}) {
        EXPECT_EQ(resolveDatabase(name), absolute) << name.toStdString();
        Table t;
        t.setDatabaseName(name);
        t.setTableName(QStringLiteral("Sensors.DB"));
        EXPECT_NO_THROW(t.open()) << name.toStdString();
    }
    EXPECT_THROW(resolveDatabase(QStringLiteral("C:\\Program Files\\Orvex-01\\Database\\")),
                 DatabaseError);
    EXPECT_THROW(resolveDatabase(QStringLiteral("/no/such/folder")), DatabaseError);
}

TEST(Location, DefiningAnAliasKeepsTheOtherLines) {
    orvex::test::TempProgramFolder folder;
    writeAliasFile(folder.path(), "# mine\nOTHER = x\norvex_01 = old\n");
    defineAlias(QStringLiteral("ORVEX_01"), QStringLiteral("Database"));
    EXPECT_EQ(aliasTarget(QStringLiteral("ORVEX_01")), QStringLiteral("Database"));
    EXPECT_EQ(aliasTarget(QStringLiteral("OTHER")), QStringLiteral("x"));
    QFile f(folder.file(QString::fromLatin1(kAliasFileName)));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("# mine\n"));
}
