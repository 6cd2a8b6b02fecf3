// The viewing workstation wired onto the program's windows.
#include "app/Viewing.h"

#include "config/ProfileFile.h"
#include "mainwindow/MainOrvex01.h"
#include "store/Events.h"
#include "store/Location.h"
#include "store/Schema.h"
#include "store/StationFollower.h"
#include "ui/ErrorHandler.h"
#include "ui/ProgramFolder.h"
#include "views/DataView.h"
#include "views/JournalWindow.h"
#include "views/MeasurementModel.h"
#include "views/PlotWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <exception>

namespace orvex::app {

namespace {

const QString kMenuJournal = QStringLiteral("ЖУРНАЛ");

// Runs every step; the first failure is raised once all have run.
class Attempts {
public:
    template <typename F> void run(F &&step) {
        try {
            step();
        } catch (...) {
            if (!m_first)
                m_first = std::current_exception();
        }
    }
    void raise() {
        if (m_first)
            std::rethrow_exception(m_first);
    }

private:
    std::exception_ptr m_first;
};

} // namespace

bool viewOnlyConfigured() {
    return config::ProfileFile::load(settingsFilePath())
        .readBool(QStringLiteral("Database"), QStringLiteral("ViewOnly"), false);
}

ViewingMode::ViewingMode(mainwindow::TMainForm &main, views::TDataViewForm &data,
                         views::TDataViewForm &archive, views::TPlotForm &plot)
    : m_main(main), m_data(data), m_archive(archive), m_plot(plot),
      m_station(main.station().unitsTable().databaseName()),
      m_follower(std::make_unique<store::StationFollower>()) {
    connect(m_follower.get(), &store::StationFollower::rowsChanged, this,
            [this](const QString &table, qint64 rows) {
                ui::guarded([&] { rowsChanged(table, rows); }, &m_main);
            });
    connect(m_follower.get(), &store::StationFollower::failed, this,
            [this](const QString &text) { m_main.showStationState(text); });
    connect(m_follower.get(), &store::StationFollower::recovered, this,
            [this] { m_main.showStationState(QString()); });

    m_stations = new QActionGroup(this);
    m_stations->setExclusive(true);
    QMenu *menu = m_main.stationMenu();
    connect(menu, &QMenu::aboutToShow, this, [this] { fillStationMenu(); });
    fillStationMenu();

    // The journal is read here, never written: no acknowledgement, no
    // diagnostics of a poll cycle, no journal settings to change.
    m_journalItem = new QAction(kMenuJournal, &m_main);
    m_journalItem->setObjectName(QStringLiteral("miJournal"));
    m_main.insertMenuItem(m_journalItem);
    connect(m_journalItem, &QAction::triggered, this,
            [this] { ui::guarded([this] { showJournal(); }, &m_main); });

    // Without a grid to click, a channel's plot opens from a data view.
    for (views::TDataViewForm *view : {&m_data, &m_archive}) {
        connect(view->DBGrid1, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex &index) {
                    const int channel = index.column() - views::MeasurementModel::FirstValueColumn;
                    if (channel < 0 || channel >= store::fields::kChannels)
                        return;
                    const int unit =
                        index.siblingAtColumn(views::MeasurementModel::UnitColumn).data().toInt();
                    ui::guarded([&] { openPlot(unit, channel + 1); }, &m_main);
                });
    }

    if (m_main.station().unitsTable().isOpen())
        startFollowing();
}

void ViewingMode::openPlot(int unitNo, int channelNo) {
    QString title = QStringLiteral("Датчик %1-%2").arg(unitNo).arg(channelNo);
    store::Table &units = m_main.station().unitsTable();
    store::Table &sensors = m_main.station().sensorTable();
    if (units.isOpen() && sensors.isOpen() && units.findKey({unitNo}) &&
        sensors.findKey({unitNo, channelNo}) &&
        !sensors.asString(store::fields::SensorName).isEmpty())
        title = sensors.asString(store::fields::SensorName);
    m_plot.showStoredChannel(unitNo, channelNo, title);
}

ViewingMode::~ViewingMode() = default;

void ViewingMode::fillStationMenu() {
    QMenu *menu = m_main.stationMenu();
    for (QAction *item : m_stations->actions()) {
        m_stations->removeAction(item);
        menu->removeAction(item);
        item->deleteLater();
    }
    QStringList names;
    ui::guarded([&] { names = store::aliasNames(); }, &m_main);
    for (const QString &name : names) {
        QAction *item = menu->addAction(name);
        item->setCheckable(true);
        item->setChecked(name.compare(m_station, Qt::CaseInsensitive) == 0);
        m_stations->addAction(item);
        connect(item, &QAction::triggered, this, [this, name] {
            ui::guarded([&] { switchStation(name); }, &m_main);
            fillStationMenu();
        });
    }
}

QList<QAction *> ViewingMode::stationItems() const {
    return m_stations->actions();
}

void ViewingMode::startFollowing() {
    try {
        m_follower->follow(m_station);
        m_main.showStationState(QString());
    } catch (const SystemError &e) {
        m_main.showStationState(e.text());
        throw;
    }
}

void ViewingMode::switchStation(const QString &alias) {
    m_follower->stop();
    m_station = alias;
    Attempts attempts;
    attempts.run([&] { m_main.switchStation(alias); });
    attempts.run([&] { m_data.switchDatabase(alias); });
    attempts.run([&] { m_archive.switchDatabase(alias); });
    attempts.run([&] { m_plot.switchDatabase(alias); });
    if (m_journal) {
        attempts.run([&] {
            m_journal->closeJournal();
            m_journal->openJournal(alias);
        });
    }
    attempts.run([&] { startFollowing(); });
    attempts.raise();
}

void ViewingMode::rowsChanged(const QString &table, qint64 rows) {
    m_main.stationRowsChanged(table, rows);
    if (table == m_data.table().tableName())
        m_data.recordAppended(rows);
    else if (table == m_archive.table().tableName())
        m_archive.recordAppended(rows);
    else if (table == m_plot.PlotTable.tableName())
        m_plot.recordAppended(m_plot.PlotUnitNo);
    else if (m_journal && table == QString::fromLatin1(store::kEventsFile))
        m_journal->eventsAdded();
}

views::JournalWindow &ViewingMode::journal() {
    if (!m_journal) {
        m_journal = std::make_unique<views::JournalWindow>();
        m_journal->AckButton->setEnabled(false);
        m_journal->PendingLabel->hide();
        for (int page = 1; page < m_journal->Pages->count(); ++page)
            m_journal->Pages->setTabVisible(page, false);
        m_journal->setPendingCount(0);
    }
    return *m_journal;
}

void ViewingMode::showJournal() {
    views::JournalWindow &w = journal();
    w.setUnitCount(std::clamp(m_main.station().settings().UnitsAmount, 1, config::kMaxUnits));
    if (!w.table().isOpen() || w.table().databaseName() != m_station)
        w.openJournal(m_station);
    w.show();
    w.raise();
    w.activateWindow();
}

} // namespace orvex::app
