// The archive view (TDataArc2Form): the rows of Arc.DB, the replies whose
// alarm level reached ArcLevel, with selection by unit and date. The shared
// design is TDataViewForm (DataView.h).
#pragma once

#include "views/DataView.h"

namespace orvex::views {

class TDataArc2Form : public TDataViewForm {
    Q_OBJECT
public:
    TDataArc2Form(const config::TSettings &settings, bool &autoRefreshViews,
                  const QString &databaseName, QWidget *parent = nullptr);

    store::Table &Arc2Table;
    QLabel *const ArcCountLabel;
};

} // namespace orvex::views
