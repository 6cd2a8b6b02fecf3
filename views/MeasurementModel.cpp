// The lazy row window of a data view.
#include "views/MeasurementModel.h"

#include "views/DateFormats.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QLocale>
#include <QPalette>

namespace orvex::views {

namespace {

const QColor kTitleColour(255, 251, 240);
const QColor kAlarmColour(128, 0, 0);

// Field position of a column: the record number (field 0) is not shown.
int fieldOf(int column) {
    return column + 1;
}

bool onTooltipBackground(int column) {
    return column == MeasurementModel::DateColumn || column == MeasurementModel::TimeColumn ||
           column == MeasurementModel::UnitColumn || column == MeasurementModel::AlarmColumn;
}

// The time of day with seconds, in the operator's time format.
QString timeFormat() {
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    if (!format.contains(u's'))
        format.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
    return format;
}

} // namespace

MeasurementModel::MeasurementModel(store::Table &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table) {}

int MeasurementModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int MeasurementModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QString MeasurementModel::columnTitle(int c) {
    switch (c) {
    case DateColumn:
        return QStringLiteral("Дата");
    case TimeColumn:
        return QStringLiteral("Время");
    case UnitColumn:
        return QStringLiteral("Пульт №");
    case AlarmColumn:
        return QStringLiteral("Порог");
    case FirstValueColumn + 6:
        return QStringLiteral("Канал7");
    default:
        return QStringLiteral("Канал %1").arg(c - FirstValueColumn + 1);
    }
}

QVariant MeasurementModel::display(int r, int c) const {
    const QVariant value = m_rows.at(r).values.value(fieldOf(c));
    if (value.isNull())
        return QString();
    switch (c) {
    case DateColumn:
        return shortDateText(value.toDate());
    case TimeColumn:
        return QLocale().toString(value.toTime(), timeFormat());
    case UnitColumn:
    case AlarmColumn:
        return QString::number(value.toLongLong());
    default: {
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(value.toDouble(), 'g', 15);
    }
    }
}

QVariant MeasurementModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const int c = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return display(index.row(), c);
    case Qt::TextAlignmentRole:
        return onTooltipBackground(c) ? int(Qt::AlignCenter)
                                      : int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        if (onTooltipBackground(c))
            return QApplication::palette().color(QPalette::ToolTipBase);
        return QVariant();
    case Qt::FontRole:
        if (c == UnitColumn || c == AlarmColumn) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return QVariant();
    case Qt::ForegroundRole:
        if (c == AlarmColumn)
            return kAlarmColour;
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant MeasurementModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return columnTitle(section);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        return kTitleColour;
    default:
        return QVariant();
    }
}

void MeasurementModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_atStart = m_atEnd = true;
    endResetModel();
}

void MeasurementModel::loadFirst() {
    if (!m_table.isOpen()) {
        clear();
        return;
    }
    QList<store::Row> rows = m_table.firstPage(kPageRows);
    beginResetModel();
    m_atStart = true;
    m_atEnd = rows.size() < kPageRows;
    m_rows = std::move(rows);
    endResetModel();
}

void MeasurementModel::loadLast() {
    if (!m_table.isOpen()) {
        clear();
        return;
    }
    QList<store::Row> rows = m_table.lastPage(kPageRows);
    beginResetModel();
    m_atEnd = true;
    m_atStart = rows.size() < kPageRows;
    m_rows = std::move(rows);
    endResetModel();
}

int MeasurementModel::fetchAfter() {
    if (m_atEnd || m_rows.isEmpty() || !m_table.isOpen())
        return 0;
    const QList<store::Row> page = m_table.pageAfter(m_rows.last(), kPageRows);
    m_atEnd = page.size() < kPageRows;
    if (page.isEmpty())
        return 0;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(page.size()) - 1);
    m_rows.append(page);
    endInsertRows();
    const int excess = int(m_rows.size()) - kWindowRows;
    if (excess > 0) {
        emit windowTrimmed(excess, true);
        beginRemoveRows(QModelIndex(), 0, excess - 1);
        m_rows.remove(0, excess);
        m_atStart = false;
        endRemoveRows();
    }
    return int(page.size());
}

int MeasurementModel::fetchBefore() {
    if (m_atStart || m_rows.isEmpty() || !m_table.isOpen())
        return 0;
    const QList<store::Row> page = m_table.pageBefore(m_rows.first(), kPageRows);
    m_atStart = page.size() < kPageRows;
    if (page.isEmpty())
        return 0;
    beginInsertRows(QModelIndex(), 0, int(page.size()) - 1);
    m_rows = page + m_rows;
    endInsertRows();
    const int excess = int(m_rows.size()) - kWindowRows;
    if (excess > 0) {
        emit windowTrimmed(excess, false);
        const int keep = kWindowRows;
        beginRemoveRows(QModelIndex(), keep, keep + excess - 1);
        m_rows.resize(keep);
        m_atEnd = false;
        endRemoveRows();
    }
    return int(page.size());
}

} // namespace orvex::views
