// A viewing workstation: a program folder whose settings file holds
// ViewOnly=1 in section [Database] polls nothing and writes nothing. Its
// tables open read-only, START and the options run are disabled and no grid
// is built; the current-data view, the archive view, the plot window and
// the journal window show the station that the alias names and follow the
// rows as that station records them (StationFollower). The menu item
// "СТАНЦИЯ" lists the aliases of the alias file; choosing one switches every
// window to that station. With no grid to click, a double-click on a
// channel's cell in a data view opens that channel's plot.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QAction;
class QActionGroup;

namespace orvex::mainwindow {
class TMainForm;
}
namespace orvex::views {
class TDataViewForm;
class TPlotForm;
class JournalWindow;
} // namespace orvex::views
namespace orvex::store {
class StationFollower;
}

namespace orvex::app {

// True when the settings file asks for a viewing workstation.
bool viewOnlyConfigured();

class ViewingMode : public QObject {
    Q_OBJECT
public:
    // Attaches to the windows made at start-up (the main window was put into
    // viewing mode before its start-up steps) and starts following the
    // station the main window opened, if it opened one.
    ViewingMode(mainwindow::TMainForm &main, views::TDataViewForm &data,
                views::TDataViewForm &archive, views::TPlotForm &plot);
    ~ViewingMode() override;

    // The database name viewed now (an alias, or the folder the main window
    // fell back to).
    QString station() const { return m_station; }
    // Switches every window to the station of `alias`: the tables of each
    // window are closed and opened on it, and following starts there. Each
    // window is switched even when another failed; the first failure is
    // raised afterwards.
    void switchStation(const QString &alias);

    // The items of "СТАНЦИЯ", one per alias, the viewed one checked; made
    // anew from the alias file each time the menu opens.
    void fillStationMenu();
    QList<QAction *> stationItems() const;
    QAction *journalItem() const { return m_journalItem; }
    store::StationFollower &follower() { return *m_follower; }
    // The journal window, made on first use.
    views::JournalWindow &journal();
    // A double-click on a channel's cell in a data view: the plot of that
    // unit's channel, titled with the sensor's name.
    void openPlot(int unitNo, int channelNo);

private:
    void startFollowing();
    void rowsChanged(const QString &table, qint64 rows);
    void showJournal();

    mainwindow::TMainForm &m_main;
    views::TDataViewForm &m_data;
    views::TDataViewForm &m_archive;
    views::TPlotForm &m_plot;
    QString m_station;
    std::unique_ptr<store::StationFollower> m_follower;
    std::unique_ptr<views::JournalWindow> m_journal;
    QActionGroup *m_stations = nullptr;
    QAction *m_journalItem = nullptr;
};

} // namespace orvex::app
