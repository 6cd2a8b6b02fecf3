// The current-data view and the archive view: their differences.
#include "views/DataArc.h"
#include "views/DataArc2.h"

namespace orvex::views {

namespace {

DataViewKind currentDataKind(const config::TSettings &settings) {
    return DataViewKind{
        true,
        QStringLiteral("Signals.DB"),
        QStringLiteral("Текущие данные"),
        QStringLiteral("CountLabel"),
        QStringLiteral("Количество записей таблице"),
        QStringLiteral("Текущие данные измерений"),
        QStringLiteral("Кнопки навигации по записям"),
        QStringLiteral("Отбор записей по датам"),
        QStringLiteral("Выбор порядка сортировки записей"),
        QStringLiteral("Недопустимый диапазон дат.\rДаты надо поменять местами"),
        21,
        settings.DataTop,
        settings.DataLeft,
    };
}

DataViewKind archiveKind(const config::TSettings &settings) {
    return DataViewKind{
        false,
        QStringLiteral("Arc.DB"),
        QStringLiteral("Архив данных, превысивших порог "),
        QStringLiteral("ArcCountLabel"),
        QStringLiteral("Количество записей в таблице"),
        QStringLiteral("Результаты измерений, превысившие заданный порог"),
        QStringLiteral("Кнопки навигации по строкам"),
        QStringLiteral("Выбор критерия отбора по датам"),
        QStringLiteral("Выбор поряджка сортировки записей"),
        QStringLiteral("Недопустимый диапазон дат. Отбор невозможен."),
        8,
        settings.ArcTop,
        settings.ArcLeft,
    };
}

} // namespace

TDataArcForm::TDataArcForm(const config::TSettings &settings, bool &autoRefreshViews,
                           const QString &databaseName, QWidget *parent)
    : TDataViewForm(currentDataKind(settings), settings, autoRefreshViews, databaseName, parent),
      CurrTable(table()), CountLabel(RowCountLabel) {
    setObjectName(QStringLiteral("DataArcForm"));
}

TDataArc2Form::TDataArc2Form(const config::TSettings &settings, bool &autoRefreshViews,
                             const QString &databaseName, QWidget *parent)
    : TDataViewForm(archiveKind(settings), settings, autoRefreshViews, databaseName, parent),
      Arc2Table(table()), ArcCountLabel(RowCountLabel) {
    setObjectName(QStringLiteral("DataArc2Form"));
}

} // namespace orvex::views
