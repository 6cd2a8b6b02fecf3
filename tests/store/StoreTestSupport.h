// Fixture for the store tests: a temporary program folder with a fresh
// database folder made by the installer step and the alias pointing at it.
#pragma once

#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

namespace orvex::store::test {

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        createDatabase(databaseFolder());
        defineAlias(QString::fromLatin1(kAliasName), QStringLiteral("Database"));
    }

    QString databaseFolder() const { return m_folder.file(QStringLiteral("Database")); }
    QString programFolder() const { return m_folder.path(); }

    // An open handle through the alias.
    std::unique_ptr<Table> open(const QString &table, const QString &index = {},
                                bool readOnly = false) {
        auto t = std::make_unique<Table>();
        t->setDatabaseName(QString::fromLatin1(kAliasName));
        t->setTableName(table);
        t->setIndexName(index);
        t->setReadOnly(readOnly);
        t->open();
        return t;
    }

private:
    orvex::test::TempProgramFolder m_folder;
};

} // namespace orvex::store::test
