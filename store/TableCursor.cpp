// The cursor of a table handle: keyset queries in index order under the
// range, filter and master link, the moves built on them, and the pages for
// the views.
#include "store/Table.h"

#include "store/Connection.h"
#include "store/FieldCodec.h"
#include "store/SqlDialect.h"

#include <algorithm>

namespace orvex::store {

// --- query building --------------------------------------------------------

QString Table::column(int orderColumn) const {
    const int f = m_order[orderColumn];
    return f < 0 ? m_dialect->rowKey(*m_def) : m_dialect->quoted(m_def->fields[f].name);
}

QVariant Table::masterValue() const {
    if (!m_master || !m_master->isOpen() || m_master->isEmpty() || m_masterField < 0)
        return QVariant();
    const QVariant v = m_master->visibleRow().values.value(m_masterField);
    return toStorage(m_detailField, v);
}

void Table::addRestrictions(QStringList &where, QVariantList &binds) const {
    if (m_master) {
        where << m_dialect->quoted(m_def->fields[m_detailField].name) + QStringLiteral(" = ?");
        binds << masterValue(); // NULL when the master has no row: nothing matches
    }
    if (m_range.active) {
        const QString lead = m_dialect->quoted(m_def->fields[m_order[0]].name);
        where << lead + QStringLiteral(" >= ?") << lead + QStringLiteral(" <= ?");
        binds << m_range.low << m_range.high;
    }
    if (m_filtered) {
        for (const BoundTerm &t : m_filterTerms) {
            where << m_dialect->quoted(m_def->fields[t.field].name) + QLatin1Char(' ') + t.term.op +
                         QStringLiteral(" ?");
            binds << t.term.value;
        }
    }
}

QList<Row> Table::select(const QStringList &where, const QVariantList &binds, bool ascending,
                         int limit) const {
    QStringList cols{m_dialect->rowKey(*m_def)};
    for (const FieldDef &f : m_def->fields)
        cols << m_dialect->quoted(f.name);
    QStringList order;
    for (int i = 0; i < m_order.size(); ++i)
        order << column(i) + (ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    const QString sql = m_dialect->page(*m_def, cols, where, order);
    QVariantList all = binds;
    all << limit;
    Statement s(conn(), sql, all);
    QList<Row> rows;
    const int n = int(m_def->fields.size());
    while (s.next()) {
        Row row;
        row.rowId = s.value(0).toLongLong();
        row.values.reserve(n);
        for (int i = 0; i < n; ++i)
            row.values << fromStorage(i, s.value(i + 1));
        rows << row;
    }
    return rows;
}

QVariant Table::orderValue(const Row &row, int orderColumn) const {
    const int f = m_order[orderColumn];
    if (f < 0)
        return row.rowId;
    return toStorage(f, row.values.value(f));
}

// The rows after (or before) `from` in index order. A row-value comparison
// over the whole key would let SQLite use only the leading index column, so
// the rows beyond the key are read as a short series of fully indexed
// queries: equal on the leading columns and beyond on the next one, starting
// with the longest prefix; usually the first one already fills the page.
QList<Row> Table::fetchOrdered(const Row *from, bool forward, bool inclusive, int count) const {
    requireOpen();
    QList<Row> rows;
    if (count <= 0)
        return rows;
    const bool ascending = forward != m_descending;
    QStringList base;
    QVariantList baseBinds;
    addRestrictions(base, baseBinds);
    if (!from)
        return select(base, baseBinds, ascending, count);
    const int k = int(m_order.size());
    QVariantList key;
    for (int i = 0; i < k; ++i)
        key << orderValue(*from, i);
    for (int level = k - 1; level >= 0 && rows.size() < count; --level) {
        QStringList where = base;
        QVariantList binds = baseBinds;
        for (int i = 0; i < level; ++i) {
            where << column(i) + QStringLiteral(" = ?");
            binds << key[i];
        }
        QString op = ascending ? QStringLiteral(">") : QStringLiteral("<");
        if (inclusive && level == k - 1)
            op += QLatin1Char('=');
        where << column(level) + QLatin1Char(' ') + op + QStringLiteral(" ?");
        binds << key[level];
        rows += select(where, binds, ascending, count - int(rows.size()));
    }
    return rows;
}

// --- navigation --------------------------------------------------------------

const Row &Table::visibleRow() const {
    return (m_state == State::Edit || m_state == State::Insert) ? m_edit : m_current;
}

void Table::setCurrent(const Row &row) {
    m_current = row;
    m_hasCurrent = true;
}

void Table::clearCurrent() {
    m_current = Row();
    m_hasCurrent = false;
    m_eof = m_bof = true;
}

void Table::notifyMoved() {
    emit currentChanged();
    const QList<QPointer<Table>> details = m_details;
    for (const QPointer<Table> &d : details) {
        if (d)
            d->masterMoved();
    }
}

void Table::masterMoved() {
    if (isOpen())
        first();
}

void Table::checkBrowseMode() {
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

void Table::first() {
    requireOpen();
    checkBrowseMode();
    const QList<Row> rows = fetchOrdered(nullptr, true, false, 1);
    if (rows.isEmpty()) {
        clearCurrent();
    } else {
        setCurrent(rows[0]);
        m_bof = true;
        m_eof = false;
    }
    notifyMoved();
}

void Table::last() {
    requireOpen();
    checkBrowseMode();
    const QList<Row> rows = fetchOrdered(nullptr, false, false, 1);
    if (rows.isEmpty()) {
        clearCurrent();
    } else {
        setCurrent(rows[0]);
        m_eof = true;
        m_bof = false;
    }
    notifyMoved();
}

void Table::next() {
    moveBy(1);
}

void Table::prior() {
    moveBy(-1);
}

int Table::moveBy(int distance) {
    requireOpen();
    checkBrowseMode();
    if (distance == 0)
        return 0;
    if (!m_hasCurrent) {
        m_eof = m_bof = true;
        return 0;
    }
    const bool forward = distance > 0;
    const int wanted = forward ? distance : -distance;
    const QList<Row> rows = fetchOrdered(&m_current, forward, false, wanted);
    if (!rows.isEmpty())
        setCurrent(rows.last());
    const bool hitEnd = rows.size() < wanted;
    m_eof = forward && hitEnd;
    m_bof = !forward && hitEnd;
    if (!rows.isEmpty())
        notifyMoved();
    return forward ? int(rows.size()) : -int(rows.size());
}

void Table::moveToNeighbour(const Row &gone) {
    QList<Row> rows = fetchOrdered(&gone, true, false, 1);
    if (!rows.isEmpty()) {
        setCurrent(rows[0]);
        m_eof = m_bof = false;
        return;
    }
    rows = fetchOrdered(&gone, false, false, 1);
    if (!rows.isEmpty()) {
        setCurrent(rows[0]);
        m_eof = true;
        m_bof = false;
        return;
    }
    clearCurrent();
}

void Table::refresh() {
    requireOpen();
    checkBrowseMode();
    if (!m_hasCurrent) {
        first();
        return;
    }
    const QList<Row> rows = fetchOrdered(&m_current, true, true, 1);
    if (!rows.isEmpty() && rows[0].rowId == m_current.rowId)
        setCurrent(rows[0]);
    else
        moveToNeighbour(m_current);
    notifyMoved();
}

qint64 Table::recNo() const {
    requireOpen();
    if (!m_hasCurrent)
        return 0;
    QStringList where;
    QVariantList binds;
    addRestrictions(where, binds);
    const bool ascending = !m_descending;
    QStringList alternatives;
    for (int level = int(m_order.size()) - 1; level >= 0; --level) {
        QStringList parts;
        for (int i = 0; i < level; ++i) {
            parts << column(i) + QStringLiteral(" = ?");
            binds << orderValue(m_current, i);
        }
        parts << column(level) + (ascending ? QStringLiteral(" < ?") : QStringLiteral(" > ?"));
        binds << orderValue(m_current, level);
        alternatives << QLatin1Char('(') + parts.join(QStringLiteral(" AND ")) + QLatin1Char(')');
    }
    where << QLatin1Char('(') + alternatives.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    Statement s(conn(),
                QStringLiteral("SELECT count(*) FROM %1 WHERE %2")
                    .arg(m_dialect->table(*m_def), where.join(QStringLiteral(" AND "))),
                binds);
    return s.next() ? s.value(0).toLongLong() + 1 : 0;
}

bool Table::findKey(const QVariantList &values) {
    requireOpen();
    checkBrowseMode();
    QStringList where;
    QVariantList binds;
    addRestrictions(where, binds);
    const int n = std::min<int>(int(values.size()), m_keyFields);
    for (int i = 0; i < n; ++i) {
        where << column(i) + QStringLiteral(" = ?");
        binds << toStorage(m_order[i], values[i]);
    }
    const QList<Row> rows = select(where, binds, !m_descending, 1);
    if (rows.isEmpty())
        return false;
    setCurrent(rows[0]);
    m_eof = m_bof = false;
    notifyMoved();
    return true;
}

bool Table::moveTo(const Row &row) {
    requireOpen();
    checkBrowseMode();
    const QList<Row> rows = fetchOrdered(&row, true, true, 1);
    if (rows.isEmpty() || rows[0].rowId != row.rowId)
        return false;
    setCurrent(rows[0]);
    m_eof = m_bof = false;
    notifyMoved();
    return true;
}

// --- pages ---------------------------------------------------------------------

QList<Row> Table::firstPage(int count) const {
    return fetchOrdered(nullptr, true, false, count);
}

QList<Row> Table::lastPage(int count) const {
    QList<Row> rows = fetchOrdered(nullptr, false, false, count);
    std::reverse(rows.begin(), rows.end());
    return rows;
}

QList<Row> Table::pageAfter(const Row &row, int count) const {
    return fetchOrdered(&row, true, false, count);
}

QList<Row> Table::pageBefore(const Row &row, int count) const {
    QList<Row> rows = fetchOrdered(&row, false, false, count);
    std::reverse(rows.begin(), rows.end());
    return rows;
}

} // namespace orvex::store
