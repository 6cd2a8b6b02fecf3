// The main window of a viewing workstation: it polls nothing and writes
// nothing; its tables are read-only and follow the station being viewed.
#include "mainwindow/HintText.h"
#include "mainwindow/MainOrvex01.h"
#include "store/Location.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <algorithm>

namespace orvex::mainwindow {

namespace {

const QString kMenuStation = QStringLiteral("СТАНЦИЯ");

QString viewingText(const QString &databaseName) {
    return QStringLiteral("Просмотр: ") + databaseName;
}

} // namespace

void TMainForm::enterViewingMode() {
    m_viewing = true;
    for (store::Table *t :
         {&m_station.unitsTable(), &m_station.sensorTable(), &m_station.signalTable(),
          &m_station.archiveTable(), &m_station.plotTable()})
        t->setReadOnly(true);
    // Set now, not in the start-up steps: a station that cannot be reached
    // at start ends those steps early, and the operator then picks another.
    miOptions->setEnabled(false);
    ScanBitBtn->setEnabled(false);
    if (!m_stationMenu) {
        m_stationMenu = new QMenu(kMenuStation, MainMenu1);
        m_stationMenu->setObjectName(QStringLiteral("miStation"));
        m_stationMenu->menuAction()->setObjectName(QStringLiteral("miStationItem"));
        MainMenu1->insertMenu(miHelp->menuAction(), m_stationMenu);
    }
    StatusBar1->setPanelText(0, viewingText(QString::fromLatin1(store::kAliasName)));
    StatusBar1->setPanelText(1, QString());
}

void TMainForm::insertMenuItem(QAction *item) {
    MainMenu1->insertAction(miHelp->menuAction(), item);
}

// The start-up step that builds the grid on a polling station: a viewer
// shows which station it views and takes the station's unit count, so the
// views offer each of its units.
void TMainForm::showViewedStation() {
    StatusBar1->setPanelText(0, viewingText(m_station.unitsTable().databaseName()));
    StatusBar1->setPanelText(1, QString());
    if (FirstRunNotice) {
        const QString notice = QStringLiteral("Просмотр станции %1: ДАННЫЕ, АРХИВ, ЖУРНАЛ; "
                                              "другая станция - в меню СТАНЦИЯ")
                                   .arg(m_station.unitsTable().databaseName());
        FirstRunNotice->setText(notice);
        FirstRunNotice->setAccessibleName(notice);
        FirstRunNotice->show();
    }
    Settings.UnitsAmount =
        int(std::clamp<qint64>(m_station.unitsTable().recordCount(), 1, kMaxUnits));
}

void TMainForm::switchStation(const QString &databaseName) {
    for (store::Table *t :
         {&m_station.plotTable(), &m_station.archiveTable(), &m_station.signalTable(),
          &m_station.sensorTable(), &m_station.unitsTable()})
        t->close();
    for (store::Table *t :
         {&m_station.unitsTable(), &m_station.sensorTable(), &m_station.signalTable(),
          &m_station.archiveTable(), &m_station.plotTable()})
        t->setDatabaseName(databaseName);
    StatusBar1->setPanelText(0, viewingText(databaseName));
    StatusBar1->setPanelText(2, QString());
    StatusBar1->setPanelText(3, QString());
    m_station.unitsTable().open();
    showViewedStation();
    showRecordCounters();
}

void TMainForm::stationRowsChanged(const QString &table, qint64 rows) {
    if (table.compare(m_station.signalTable().tableName(), Qt::CaseInsensitive) == 0)
        StatusBar1->setPanelText(2, signalsCountText(rows));
    else if (table.compare(m_station.archiveTable().tableName(), Qt::CaseInsensitive) == 0)
        StatusBar1->setPanelText(3, arcCountText(rows));
}

void TMainForm::showStationState(const QString &text) {
    StatusBar1->setPanelText(4, text);
    StatusBar1->panel(4)->setToolTip(text);
}

} // namespace orvex::mainwindow
