// The station's model on real table files in a temporary program folder:
// where its tables find their database, which of them it opens, and the port
// and speed it gives the serial component for a START before the options
// dialog has handed over its own.
#include "polling/StationModel.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/StoreError.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace orvex::polling {
namespace {

class StationModelTest : public ::testing::Test {
protected:
    std::vector<store::Table *> all() {
        return {&station.unitsTable(), &station.sensorTable(), &station.signalTable(),
                &station.archiveTable(), &station.plotTable()};
    }

    test::TempProgramFolder folder;
    StationModel station;
};

TEST_F(StationModelTest, TablesUseTheAliasAndOnlyUnitsIsOpenedUntilTheRecordingTables) {
    store::createDatabase(folder.file(QStringLiteral("Database")));
    store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Database"));
    station.settings().DataBaseDir = QStringLiteral("Elsewhere");

    station.locateDatabase();
    for (store::Table *t : all())
        EXPECT_EQ(t->databaseName(), QString::fromLatin1(store::kAliasName))
            << t->tableName().toStdString();
    EXPECT_TRUE(station.unitsTable().isOpen());
    EXPECT_EQ(QDir(station.unitsTable().folder()), QDir(folder.file(QStringLiteral("Database"))));
    for (store::Table *t : all()) {
        if (t != &station.unitsTable()) {
            EXPECT_FALSE(t->isOpen()) << t->tableName().toStdString();
        }
    }

    station.openRecordingTables();
    for (store::Table *t : all())
        EXPECT_TRUE(t->isOpen()) << t->tableName().toStdString();
    EXPECT_EQ(station.unitsTable().tableName(), QStringLiteral("Units.DB"));
    EXPECT_EQ(station.sensorTable().tableName(), QStringLiteral("Sensors.DB"));
    EXPECT_EQ(station.signalTable().tableName(), QStringLiteral("Signals.DB"));
    EXPECT_EQ(station.archiveTable().tableName(), QStringLiteral("Arc.DB"));
    EXPECT_EQ(station.plotTable().tableName(), QStringLiteral("Plot.db"));
}

TEST_F(StationModelTest, WithoutTheAliasEveryTableFollowsTheDataBaseDirSetting) {
    store::createDatabase(folder.file(QStringLiteral("Stored")));
    station.settings().DataBaseDir = folder.file(QStringLiteral("Stored"));

    station.locateDatabase();
    for (store::Table *t : all())
        EXPECT_EQ(t->databaseName(), folder.file(QStringLiteral("Stored")))
            << t->tableName().toStdString();
    EXPECT_TRUE(station.unitsTable().isOpen());
}

TEST_F(StationModelTest, AFailingDatabaseUnderADefinedAliasIsReportedNotReplaced) {
    store::createDatabase(folder.file(QStringLiteral("Stored")));
    store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Missing"));
    station.settings().DataBaseDir = folder.file(QStringLiteral("Stored"));

    EXPECT_THROW(station.locateDatabase(), SystemError);
    EXPECT_FALSE(station.unitsTable().isOpen());
    EXPECT_EQ(station.unitsTable().databaseName(), QString::fromLatin1(store::kAliasName));
}

TEST_F(StationModelTest, TheLineIsSetForTheUnitsAndTakesTheConfiguredPortAndSpeed) {
    serial::TBComPort &port = station.port();
    EXPECT_EQ(port.ByteSize(), serial::bs8);
    EXPECT_EQ(port.Parity(), serial::paNone);
    EXPECT_EQ(port.StopBits(), serial::sb2);
    EXPECT_EQ(port.InBufSize(), 20);
    EXPECT_EQ(port.OutBufSize(), 4);

    station.settings().ComPortNo = 3;
    station.settings().Speed = QStringLiteral("19200 (003)");
    station.handOverConfiguredPort();
    EXPECT_EQ(port.Port(), QStringLiteral("COM3"));
    EXPECT_EQ(port.BaudRate(), serial::br19200);
    EXPECT_FALSE(port.Connected());
}

} // namespace
} // namespace orvex::polling
