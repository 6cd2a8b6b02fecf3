// A viewing workstation switches its windows to another station: each
// window's table is closed and opened on the other database.
#include "views/DataView.h"
#include "views/PlotWindow.h"

#include <QLineSeries>

namespace orvex::views {

void TDataViewForm::switchDatabase(const QString &databaseName) {
    m_table.close();
    m_table.setDatabaseName(databaseName);
    // Nothing of the previous station stays on screen, also when the other
    // station cannot be opened.
    setRecordCount(0);
    DBGrid1->first();
    m_table.open();
    setRecordCount(m_table.recordCount());
    DBGrid1->first();
}

void TPlotForm::switchDatabase(const QString &databaseName) {
    const bool wasOpen = PlotTable.isOpen();
    PlotTable.close();
    PlotTable.setDatabaseName(databaseName);
    for (int n = 1; n <= 8; ++n)
        Series[n]->clear();
    if (!wasOpen)
        return;
    PlotTable.open();
    PlotTable.setRange(PlotUnitNo, PlotUnitNo);
    reloadSeries();
}

void TPlotForm::showStoredChannel(int unitNo, int channelNo, const QString &title) {
    handOver(unitNo, channelNo, QString(), QString(), 0.0);
    m_storedTitle = title;
    showChannel();
}

} // namespace orvex::views
