// Fixture for the store tests: a temporary program folder with a fresh
// database made by the installer step and the alias pointing at it: a
// database folder of table files, or a schema of its own on the tests'
// throw-away PostgreSQL cluster.
#pragma once

#include "store/Installer.h"
#include "store/Location.h"
#include "store/Table.h"
#include "tests/support/PgCluster.h"
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

enum class Engine { Files, Server };

inline std::string engineName(const ::testing::TestParamInfo<Engine> &info) {
    return info.param == Engine::Files ? "Files" : "Server";
}

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        if (engine() == Engine::Files) {
            createDatabase(databaseFolder());
            defineAlias(QString::fromLatin1(kAliasName), QStringLiteral("Database"));
            return;
        }
        ORVEX_REQUIRE_PG_CLUSTER(cluster);
        m_cluster = cluster;
        m_schema = orvex::test::PgCluster::freshSchema();
        createServerSchema(serverUri());
        defineAlias(QString::fromLatin1(kAliasName), serverUri());
    }

    // The engine the alias leads to; the files unless a test says otherwise.
    virtual Engine engine() const { return Engine::Files; }
    // Installs the database again over the existing one.
    InstallResult reinstall() const {
        return engine() == Engine::Files ? createDatabase(databaseFolder())
                                         : createServerSchema(serverUri());
    }
    QString serverUri() const { return m_cluster ? m_cluster->storeUri(m_schema) : QString(); }
    QString schema() const { return m_schema; }
    orvex::test::PgCluster *cluster() const { return m_cluster; }

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
    orvex::test::PgCluster *m_cluster = nullptr;
    QString m_schema;
};

// A store test that runs against both engines with the same cases.
class BothEngines : public StoreFixture, public ::testing::WithParamInterface<Engine> {
protected:
    Engine engine() const override { return GetParam(); }
};

} // namespace orvex::store::test
