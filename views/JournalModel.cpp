// The journal window's rows.
#include "views/JournalModel.h"

#include "views/DateFormats.h"

#include <QBrush>
#include <QColor>
#include <QLocale>

namespace orvex::views {

namespace {

// Field positions of Events.DB.
enum Field {
    fId,
    fDate,
    fTime,
    fUnit,
    fChannel,
    fKind,
    fLevel,
    fValue,
    fText,
    fAckDate,
    fAckTime,
    fAckUser
};

} // namespace

JournalModel::JournalModel(store::Table &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table) {}

int JournalModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int JournalModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QString JournalModel::columnTitle(int c) {
    static const char16_t *titles[kColumns] = {u"№",         u"Дата",       u"Время",   u"Пульт",
                                               u"Канал",     u"Вид",        u"Уровень", u"Значение",
                                               u"Сообщение", u"Квитировано"};
    return c >= 0 && c < kColumns ? QString::fromUtf16(titles[c]) : QString();
}

QString JournalModel::kindText(int kind) {
    switch (kind) {
    case 1:
        return QStringLiteral("Тревога");
    case 2:
        return QStringLiteral("Датчик");
    case 3:
        return QStringLiteral("Связь");
    case 4:
        return QStringLiteral("Программа");
    case 5:
        return QStringLiteral("Настройки");
    case 6:
        return QStringLiteral("Ошибка");
    case 7:
        return QStringLiteral("Квитирование");
    default:
        return QString::number(kind);
    }
}

QString JournalModel::levelText(int level) {
    switch (level) {
    case 1:
        return QStringLiteral("предупреждение");
    case 2:
        return QStringLiteral("АВАРИЯ");
    default:
        return QStringLiteral("норма");
    }
}

QString JournalModel::cellText(const store::Row &row, int c) {
    const QVariantList &v = row.values;
    switch (c) {
    case IdColumn:
        return QString::number(v.value(fId).toLongLong());
    case DateColumn:
        return shortDateText(v.value(fDate).toDate());
    case TimeColumn:
        return QLocale().toString(v.value(fTime).toTime(), QStringLiteral("HH:mm:ss"));
    case UnitColumn: {
        const int u = v.value(fUnit).toInt();
        return u > 0 ? QString::number(u) : QString();
    }
    case ChannelColumn: {
        const int ch = v.value(fChannel).toInt();
        return ch > 0 ? QString::number(ch) : QString();
    }
    case KindColumn:
        return kindText(v.value(fKind).toInt());
    case LevelColumn:
        return levelText(v.value(fLevel).toInt());
    case ValueColumn:
        return v.value(fValue).isNull() ? QString()
                                        : QLocale().toString(v.value(fValue).toDouble(), 'g', 6);
    case TextColumn:
        return v.value(fText).toString();
    case AckColumn:
        if (v.value(fAckDate).isNull())
            return QString();
        return shortDateText(v.value(fAckDate).toDate()) + QLatin1Char(' ') +
               v.value(fAckTime).toTime().toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ') +
               v.value(fAckUser).toString();
    default:
        return QString();
    }
}

qint64 JournalModel::eventId(int r) const {
    return m_rows.at(r).values.value(fId).toLongLong();
}

bool JournalModel::pending(int r) const {
    const QVariantList &v = m_rows.at(r).values;
    const int kind = v.value(fKind).toInt();
    return v.value(fLevel).toInt() == 2 && v.value(fAckDate).isNull() && (kind == 1 || kind == 3);
}

QVariant JournalModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const store::Row &row = m_rows.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return cellText(row, index.column());
    if (role == Qt::ToolTipRole && index.column() == TextColumn)
        return cellText(row, index.column()); // the whole message
    if (role == Qt::BackgroundRole) {
        const int level = row.values.value(fLevel).toInt();
        if (pending(index.row()))
            return QBrush(QColor(255, 160, 160));
        if (level == 2)
            return QBrush(QColor(255, 220, 220));
        if (level == 1)
            return QBrush(QColor(255, 255, 200));
    }
    return {};
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return columnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void JournalModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_atStart = m_atEnd = true;
    endResetModel();
}

void JournalModel::loadFirst() {
    beginResetModel();
    m_rows.clear();
    if (m_table.isOpen())
        m_rows = m_table.firstPage(kPageRows);
    m_atStart = true;
    m_atEnd = m_rows.size() < kPageRows;
    endResetModel();
}

void JournalModel::loadLast() {
    beginResetModel();
    m_rows.clear();
    if (m_table.isOpen())
        m_rows = m_table.lastPage(kPageRows);
    m_atEnd = true;
    m_atStart = m_rows.size() < kPageRows;
    endResetModel();
}

bool JournalModel::canFetchMore(const QModelIndex &parent) const {
    return !parent.isValid() && !m_atEnd && !m_rows.isEmpty() && m_table.isOpen();
}

void JournalModel::fetchMore(const QModelIndex &parent) {
    if (!canFetchMore(parent))
        return;
    const QList<store::Row> more = m_table.pageAfter(m_rows.last(), kPageRows);
    m_atEnd = more.size() < kPageRows;
    if (more.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + more.size() - 1));
    m_rows += more;
    endInsertRows();
}

int JournalModel::fetchBefore() {
    if (m_atStart || m_rows.isEmpty() || !m_table.isOpen())
        return 0;
    const QList<store::Row> more = m_table.pageBefore(m_rows.first(), kPageRows);
    m_atStart = more.size() < kPageRows;
    if (more.isEmpty())
        return 0;
    beginInsertRows({}, 0, int(more.size() - 1));
    m_rows = more + m_rows;
    endInsertRows();
    return int(more.size());
}

} // namespace orvex::views
