// A viewing workstation (ViewOnly=1 in [Database]) on two stations' database
// folders: it writes nothing to the station it views, START and the options
// run are disabled and no grid is built although a port is configured, the
// "СТАНЦИЯ" menu lists the aliases; its views follow the rows a station
// records (the plot opened from a data view too) and switch to another
// station without a restart, a station that
// cannot be opened is reported and the next choice works. A program folder
// without ViewOnly=1 gets no such menu.
#include "app/Viewing.h"
#include "app/Orvex01m.h"
#include "config/IniOptions.h"
#include "config/ProfileFile.h"
#include "config/Settings.h"
#include "mainwindow/MainOrvex01.h"
#include "store/Events.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "store/StationFollower.h"
#include "tests/support/MainFormAccess.h"
#include "tests/support/TestSupport.h"
#include "ui/Messages.h"
#include "ui/ProgramFolder.h"
#include "views/DataArc.h"
#include "views/DataArc2.h"
#include "views/JournalWindow.h"
#include "views/MeasurementModel.h"
#include "views/PlotWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <functional>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

class ViewingTest : public ::testing::Test {
protected:
    test::TempProgramFolder folder;
    ui::MessageRecorder messages;

    void SetUp() override {
        for (const char *station : {"Station1", "Station2"})
            store::createDatabase(folder.file(QString::fromLatin1(station)));
        store::defineAlias(QStringLiteral("ORVEX_01"), QStringLiteral("Station1"));
        store::defineAlias(QStringLiteral("ORVEX_02"), QStringLiteral("Station2"));
        // The station's register: unit 1 at address 9.
        store::Table units;
        units.setDatabaseName(QStringLiteral("ORVEX_01"));
        units.setTableName(QStringLiteral("Units.DB"));
        units.open();
        units.appendRecord({1, QStringLiteral("Котельная"), 9, QString()});
        record(QStringLiteral("ORVEX_01"), QStringLiteral("Signals.DB"), 1);
        record(QStringLiteral("ORVEX_01"), QStringLiteral("Signals.DB"), 1);
        for (int i = 0; i < 3; ++i)
            record(QStringLiteral("ORVEX_02"), QStringLiteral("Signals.DB"), 7);
        record(QStringLiteral("ORVEX_02"), QStringLiteral("Arc.DB"), 7);
    }

    // The settings of the workstation: a port and unit 1 at address 3, so a
    // polling station would build its grid and hand address 3 to Units.DB.
    void writeSettings(bool viewOnly) {
        config::TSettings s;
        s.ComPortNo = 1;
        s.UnitsAmount = 1;
        s.UnitAddr[1] = 3;
        config::WindowPlace w;
        config::IniFileSave(s, w);
        if (viewOnly) {
            config::ProfileFile file = config::ProfileFile::load(settingsFilePath());
            file.writeBool(QStringLiteral("Database"), QStringLiteral("ViewOnly"), true);
            file.save();
        }
    }

    // A station records a row, as its recording does, through its own handle.
    static void record(const QString &station, const QString &table, int unit) {
        store::Table t;
        t.setDatabaseName(station);
        t.setTableName(table);
        t.open();
        t.append();
        t.setValue(store::fields::Date, QDate::currentDate());
        t.setValue(store::fields::Time, QTime(12, 0));
        t.setValue(store::fields::UnitNo, unit);
        t.setValue(store::fields::Alarm, 2);
        t.post();
    }

    static qint64 rowCount(const QString &station, const QString &table) {
        store::Table t;
        t.setDatabaseName(station);
        t.setTableName(table);
        t.setReadOnly(true);
        t.open();
        return t.recordCount();
    }

    static bool waitFor(const std::function<bool()> &condition, int timeoutMs = 4000) {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    static QStringList menuBarItems(mainwindow::TMainForm &main) {
        QStringList texts;
        for (QAction *a : test::MainMenu1(main)->actions())
            texts << a->text();
        return texts;
    }

    static QList<int> shownUnits(views::TDataViewForm &view) {
        QList<int> units;
        QAbstractItemModel *m = view.DBGrid1->model();
        for (int r = 0; r < m->rowCount(); ++r)
            units << m->index(r, 2).data().toInt();
        return units;
    }

    static QAction *stationItem(app::ViewingMode &viewing, const QString &name) {
        for (QAction *item : viewing.stationItems()) {
            if (item->text() == name)
                return item;
        }
        return nullptr;
    }
};

} // namespace

TEST_F(ViewingTest, ViewOnlyDisablesStartAndOptionsBuildsNoGridListsTheStationsAndWritesNothing) {
    writeSettings(true);
    const qint64 events = rowCount(QStringLiteral("ORVEX_01"), QStringLiteral("Events.DB"));
    app::TApplicationWindows windows;
    mainwindow::TMainForm &main = windows.MainForm();
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    ASSERT_TRUE(main.viewingMode());
    ASSERT_NE(windows.viewing(), nullptr);
    main.show();

    EXPECT_FALSE(test::ScanBitBtn(main)->isEnabled());
    EXPECT_FALSE(test::miOptions(main)->isEnabled());
    EXPECT_FALSE(main.gridBuilt());
    EXPECT_EQ(main.unitPanel(1), nullptr);
    EXPECT_TRUE(test::miData(main)->isEnabled());
    EXPECT_TRUE(test::miArchiv(main)->isEnabled());
    for (store::Table *t : {&main.station().unitsTable(), &main.station().sensorTable(),
                            &main.station().signalTable(), &main.station().archiveTable(),
                            &main.station().plotTable()})
        EXPECT_TRUE(t->isReadOnly()) << t->tableName().toStdString();
    EXPECT_TRUE(main.station().unitsTable().isOpen());

    // "СТАНЦИЯ" before "ПОМОЩЬ", listing both aliases, the viewed one checked.
    const QStringList items = menuBarItems(main);
    ASSERT_TRUE(items.contains(QStringLiteral("СТАНЦИЯ"))) << items.join(' ').toStdString();
    EXPECT_LT(items.indexOf(QStringLiteral("СТАНЦИЯ")), items.indexOf(test::miHelp(main)->title()));
    QStringList stations;
    for (QAction *item : windows.viewing()->stationItems())
        stations << item->text() + (item->isChecked() ? QStringLiteral("*") : QString());
    EXPECT_EQ(stations, (QStringList{QStringLiteral("ORVEX_01*"), QStringLiteral("ORVEX_02")}));
    EXPECT_EQ(test::StatusBar1(main)->panelText(0), QStringLiteral("Просмотр: ORVEX_01"));
    EXPECT_EQ(main.station().settings().UnitsAmount, 1); // the station's register has one unit

    // Pressing the disabled START does nothing; the station's register and
    // journal are as they were: no address handed over, no start event.
    test::ScanBitBtn(main)->click();
    EXPECT_FALSE(main.polling());
    store::Table units;
    units.setDatabaseName(QStringLiteral("ORVEX_01"));
    units.setTableName(QStringLiteral("Units.DB"));
    units.setReadOnly(true);
    units.open();
    EXPECT_EQ(units.asInteger(store::fields::UnitKod), 9);
    main.close();
    EXPECT_EQ(rowCount(QStringLiteral("ORVEX_01"), QStringLiteral("Events.DB")), events);
}

TEST_F(ViewingTest, ViewsFollowTheRecordingAndSwitchStationsWithoutRestart) {
    writeSettings(true);
    store::defineAlias(QStringLiteral("BROKEN"), QStringLiteral("NoSuchFolder"));
    app::TApplicationWindows windows;
    mainwindow::TMainForm &main = windows.MainForm();
    app::ViewingMode &viewing = *windows.viewing();
    viewing.follower().setCheckInterval(100);
    views::TDataArcForm &data = windows.DataArcForm();
    views::TDataArc2Form &archive = windows.DataArc2Form();
    EXPECT_EQ(shownUnits(data), (QList<int>{1, 1}));
    EXPECT_EQ(archive.DBGrid1->model()->rowCount(), 0);

    // The station records: the view shows the new row on top, the counters
    // follow.
    record(QStringLiteral("ORVEX_01"), QStringLiteral("Signals.DB"), 4);
    ASSERT_TRUE(waitFor([&] { return shownUnits(data).size() == 3; }));
    EXPECT_EQ(shownUnits(data).first(), 4);
    EXPECT_EQ(data.CountLabel->text(), QStringLiteral("Строк: 3"));
    EXPECT_EQ(test::StatusBar1(main)->panelText(2).right(1), QStringLiteral("3"));

    // Another station, without a restart: every window shows its rows.
    stationItem(viewing, QStringLiteral("ORVEX_02"))->trigger();
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(viewing.station(), QStringLiteral("ORVEX_02"));
    EXPECT_EQ(shownUnits(data), (QList<int>{7, 7, 7}));
    EXPECT_EQ(shownUnits(archive), (QList<int>{7}));
    EXPECT_EQ(test::StatusBar1(main)->panelText(0), QStringLiteral("Просмотр: ORVEX_02"));
    EXPECT_TRUE(stationItem(viewing, QStringLiteral("ORVEX_02"))->isChecked());
    EXPECT_EQ(viewing.follower().databaseName(), QStringLiteral("ORVEX_02"));
    viewing.journal();
    viewing.journalItem()->trigger();
    EXPECT_EQ(viewing.journal().table().databaseName(), QStringLiteral("ORVEX_02"));

    // Without a grid, a double-click on a channel's cell opens its plot,
    // which follows the station's plot table.
    QAbstractItemModel *rows = data.DBGrid1->model();
    emit data.DBGrid1->doubleClicked(rows->index(0, views::MeasurementModel::FirstValueColumn + 1));
    views::TPlotForm &plot = windows.PlotForm();
    EXPECT_TRUE(plot.isVisible());
    EXPECT_EQ(plot.PlotUnitNo, 7);
    EXPECT_EQ(plot.PlotChannelNo, 2);
    EXPECT_EQ(plot.PlotTable.databaseName(), QStringLiteral("ORVEX_02"));
    {
        store::Table t;
        t.setDatabaseName(QStringLiteral("ORVEX_02"));
        t.setTableName(QStringLiteral("Plot.db"));
        t.open();
        t.append();
        t.setValue(store::fields::UnitNo, 7);
        t.setValue(store::fields::channel(2), 1.5);
        t.post();
    }
    ASSERT_TRUE(waitFor([&] { return plot.points() == QList<QPointF>{QPointF(0, 1.5)}; }));

    // Now the first station's rows no longer reach the views; the second's do.
    record(QStringLiteral("ORVEX_01"), QStringLiteral("Signals.DB"), 5);
    record(QStringLiteral("ORVEX_02"), QStringLiteral("Arc.DB"), 8);
    ASSERT_TRUE(waitFor([&] { return shownUnits(archive).size() == 2; }));
    EXPECT_EQ(shownUnits(data), (QList<int>{7, 7, 7}));

    // A station that cannot be opened is reported, the views show nothing of
    // the previous one, and the next choice works.
    stationItem(viewing, QStringLiteral("BROKEN"))->trigger();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.texts().first().contains(QStringLiteral("NoSuchFolder")))
        << messages.texts().first().toStdString();
    EXPECT_EQ(shownUnits(data), QList<int>{});
    stationItem(viewing, QStringLiteral("ORVEX_01"))->trigger();
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(shownUnits(data), (QList<int>{5, 4, 1, 1}));
    EXPECT_TRUE(viewing.follower().isFollowing());
}

TEST_F(ViewingTest, AStationWithoutViewOnlyHasNoStationMenuAndPollsAsBefore) {
    writeSettings(false);
    app::TApplicationWindows windows;
    mainwindow::TMainForm &main = windows.MainForm();
    EXPECT_FALSE(main.viewingMode());
    EXPECT_EQ(windows.viewing(), nullptr);
    EXPECT_EQ(main.stationMenu(), nullptr);
    EXPECT_FALSE(menuBarItems(main).contains(QStringLiteral("СТАНЦИЯ")));
    EXPECT_TRUE(main.gridBuilt());
    EXPECT_TRUE(test::ScanBitBtn(main)->isEnabled());
    EXPECT_TRUE(test::miOptions(main)->isEnabled());
    EXPECT_FALSE(main.station().unitsTable().isReadOnly());
}
