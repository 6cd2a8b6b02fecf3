// The current-data view (TDataArcForm): the rows of Signals.DB, the good
// replies of the last CurrKeepTime hours, with selection by unit, threshold
// and date. The shared design is TDataViewForm (DataView.h).
#pragma once

#include "views/DataView.h"

namespace orvex::views {

class TDataArcForm : public TDataViewForm {
    Q_OBJECT
public:
    TDataArcForm(const config::TSettings &settings, bool &autoRefreshViews,
                 const QString &databaseName, QWidget *parent = nullptr);

    store::Table &CurrTable;
    QLabel *const CountLabel;
};

} // namespace orvex::views
