// The table handle over SQLite through Qt SQL.
#include "store/Table.h"

#include "store/Location.h"
#include "store/StoreTexts.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <algorithm>
#include <limits>
#include <map>

namespace orvex::store {
namespace {

QString quoted(const QString &name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString sqlErrorText(const QSqlError &e) {
    const QString db = e.databaseText();
    return db.isEmpty() ? e.text() : db;
}

bool isKeyViolation(const QSqlError &e) {
    const QString text = e.databaseText();
    return text.contains(QLatin1String("UNIQUE constraint failed")) ||
           text.contains(QLatin1String("PRIMARY KEY"));
}

int nextConnectionNumber() {
    static int n = 0;
    return ++n;
}

// "UnitNo=3 and Alarm>1": terms "Field op number" joined by "and".
const QRegularExpression &filterTermPattern() {
    static const QRegularExpression re(QStringLiteral(
        "^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*(<=|>=|<>|=|<|>)\\s*(-?[0-9]+(?:\\.[0-9]+)?)\\s*$"));
    return re;
}

} // namespace

// One SQLite connection per handle, with its prepared statements. Statements
// are kept prepared between calls but always reset (finished) after use, so
// none holds a read snapshot.
class Table::Connection {
public:
    Connection(const QString &file, bool readOnly)
        : m_name(QStringLiteral("orvex_store_%1").arg(nextConnectionNumber())) {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        // mode=rw never creates a missing file; mode=ro opens for reading only.
        QString uri = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
        uri += readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw");
        m_db.setDatabaseName(uri);
        QString options = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000");
        if (readOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        m_db.setConnectOptions(options);
        m_opened = m_db.open();
    }
    ~Connection() {
        m_statements.clear();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool opened() const { return m_opened; }
    QSqlError lastError() const { return m_db.lastError(); }

    // The prepared statement for `sql`, prepared on first use.
    QSqlQuery *statement(const QString &sql, QSqlError &error) {
        auto it = m_statements.find(sql);
        if (it != m_statements.end())
            return it->second.get();
        auto q = std::make_unique<QSqlQuery>(m_db);
        q->setForwardOnly(true);
        if (!q->prepare(sql)) {
            error = q->lastError();
            return nullptr;
        }
        return m_statements.emplace(sql, std::move(q)).first->second.get();
    }

private:
    QString m_name;
    QSqlDatabase m_db;
    bool m_opened = false;
    std::map<QString, std::unique_ptr<QSqlQuery>> m_statements;
};

// Runs one statement and finishes it when it goes out of scope.
class Table::Statement {
public:
    Statement(const Table &table, const QString &sql, const QVariantList &binds) : m_table(table) {
        QSqlError error;
        m_query = table.m_conn->statement(sql, error);
        if (!m_query)
            fail(error);
        for (int i = 0; i < binds.size(); ++i)
            m_query->bindValue(i, binds[i]);
        if (!m_query->exec()) {
            const QSqlError e = m_query->lastError();
            m_query->finish();
            fail(e);
        }
    }
    ~Statement() {
        if (m_query)
            m_query->finish();
    }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool next() {
        if (m_query->next())
            return true;
        if (m_query->lastError().isValid())
            fail(m_query->lastError());
        return false;
    }
    QVariant value(int i) const { return m_query->value(i); }
    QSqlQuery &query() { return *m_query; }

private:
    [[noreturn]] void fail(const QSqlError &e) {
        if (isKeyViolation(e))
            throw StoreError(texts::keyViolation(m_table.displayName()));
        throw StoreError(texts::sqlFailed(m_table.displayName(), sqlErrorText(e)));
    }

    const Table &m_table;
    QSqlQuery *m_query = nullptr;
};

Table::Table(QObject *parent) : QObject(parent) {}

Table::~Table() {
    try {
        close();
    } catch (...) {
        // A destructor cannot report; close() has closed the handle anyway.
    }
    if (m_master)
        m_master->m_details.removeAll(this);
}

// --- set-up --------------------------------------------------------------

const TableDef &Table::def() const {
    if (!m_def)
        throw StoreError(texts::unknownTable(m_tableName));
    return *m_def;
}

const TableDef &Table::definition() const {
    return def();
}

QString Table::displayName() const {
    return m_def ? m_def->fileName : m_tableName;
}

QString Table::tableName() const {
    return m_def ? m_def->fileName : m_tableName;
}

void Table::setDatabaseName(const QString &name) {
    if (isOpen())
        throw StoreError(texts::alreadyOpen(displayName()));
    m_databaseName = name;
}

void Table::setTableName(const QString &name) {
    if (isOpen())
        throw StoreError(texts::alreadyOpen(displayName()));
    m_tableName = name;
    m_def = findTable(name);
}

void Table::setReadOnly(bool readOnly) {
    if (isOpen())
        throw StoreError(texts::alreadyOpen(displayName()));
    m_readOnly = readOnly;
}

void Table::setIndexName(const QString &name) {
    m_indexSpec = name.trimmed();
    m_indexByFields = false;
    if (isOpen()) {
        checkBrowseMode();
        resolveIndex();
        resolveRange();
        first();
    }
}

void Table::setIndexFieldNames(const QString &fieldList) {
    m_indexSpec = fieldList.trimmed();
    m_indexByFields = true;
    if (isOpen()) {
        checkBrowseMode();
        resolveIndex();
        resolveRange();
        first();
    }
}

QString Table::indexName() const {
    return m_indexSpec;
}

void Table::setMasterSource(Table *master, const QString &masterField, const QString &detailField) {
    if (m_master)
        m_master->m_details.removeAll(this);
    m_master = master;
    m_masterFieldName = masterField;
    m_detailFieldName = detailField;
    if (m_master)
        m_master->m_details.append(this);
    if (isOpen()) {
        resolveMaster();
        first();
    }
}

void Table::resolveIndex() {
    const TableDef &t = def();
    const IndexDef *chosen = nullptr;
    QList<const IndexDef *> all{&t.primary};
    for (const IndexDef &i : t.indexes)
        all << &i;
    if (m_indexByFields && !m_indexSpec.isEmpty()) {
        QStringList wanted;
        for (const QString &f : m_indexSpec.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            wanted << f.trimmed().toLower();
        auto leading = [&](const IndexDef *i, bool exact) {
            if (i->fields.size() < wanted.size() || (exact && i->fields.size() != wanted.size()))
                return false;
            for (int k = 0; k < wanted.size(); ++k) {
                if (i->fields[k].toLower() != wanted[k])
                    return false;
            }
            return true;
        };
        // An exact match first, ascending before descending; then an index
        // that starts with the listed fields.
        for (bool exact : {true, false}) {
            for (bool desc : {false, true}) {
                for (const IndexDef *i : all) {
                    if (!chosen && i->descending == desc && leading(i, exact))
                        chosen = i;
                }
            }
        }
    } else if (m_indexSpec.isEmpty()) {
        chosen = &t.primary;
    } else {
        for (const IndexDef *i : all) {
            if (!i->name.isEmpty() && i->name.compare(m_indexSpec, Qt::CaseInsensitive) == 0)
                chosen = i;
        }
    }
    if (!chosen)
        throw StoreError(texts::noIndex(m_indexSpec, t.fileName));
    m_order.clear();
    bool hasRowId = false;
    for (const QString &f : chosen->fields) {
        const int pos = t.fieldIndex(f);
        m_order << pos;
        hasRowId = hasRowId || t.fields[pos].type == FieldType::AutoInc;
    }
    m_keyFields = int(chosen->fields.size());
    if (!chosen->unique && !hasRowId)
        m_order << -1; // rows equal on the index fields keep their insertion order
    m_descending = chosen->descending;
}

void Table::resolveMaster() {
    m_masterField = m_detailField = -1;
    if (!m_master)
        return;
    m_detailField = requireField(m_detailFieldName);
    if (m_master->m_def) {
        m_masterField = m_master->m_def->fieldIndex(m_masterFieldName);
        if (m_masterField < 0)
            throw StoreError(texts::noField(m_masterFieldName, m_master->displayName()));
    }
}

void Table::resolveFilter() {
    for (FilterTerm &term : m_filterTerms)
        term.field = m_def ? m_def->fieldIndex(term.name) : -1;
    if (!m_def)
        return;
    for (const FilterTerm &term : m_filterTerms) {
        if (term.field < 0)
            throw StoreError(texts::badFilter(m_filterText));
    }
}

void Table::resolveRange() {
    m_range = Range();
    if (!m_rangeFrom.isValid() && !m_rangeTo.isValid())
        return;
    const int lead = m_order.value(0, -1);
    if (lead < 0)
        return;
    QVariant a = toStorage(lead, m_rangeFrom);
    QVariant b = toStorage(lead, m_rangeTo);
    bool swap;
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        swap = a.toString() > b.toString();
    else
        swap = a.toDouble() > b.toDouble();
    if (swap)
        std::swap(a, b);
    m_range.active = true;
    m_range.low = a;
    m_range.high = b;
}

// --- opening and closing --------------------------------------------------

void Table::open() {
    if (isOpen())
        return;
    const TableDef &t = def();
    const QString folder = resolveDatabase(m_databaseName);
    const QString file = folder + QLatin1Char('/') + t.fileName;
    if (!QFileInfo(file).isFile())
        throw DatabaseError(texts::tableMissing(t.fileName, folder));
    auto conn = std::make_unique<Connection>(file, m_readOnly);
    if (!conn->opened())
        throw DatabaseError(texts::cannotOpen(t.fileName, sqlErrorText(conn->lastError())));
    m_conn = std::move(conn);
    m_folder = folder;
    try {
        auto pragma = [this](const QString &sql) {
            Statement s(*this, sql, {});
            while (s.next()) {
            }
        };
        if (!m_readOnly)
            pragma(QStringLiteral("PRAGMA journal_mode=WAL"));
        pragma(QStringLiteral("PRAGMA synchronous=FULL"));
        // The file must hold the table with the fields in their order.
        QStringList columns;
        {
            Statement s(*this, QStringLiteral("PRAGMA table_info(%1)").arg(quoted(t.sqlName)), {});
            while (s.next())
                columns << s.value(1).toString();
        }
        bool same = columns.size() == t.fields.size();
        for (int i = 0; same && i < columns.size(); ++i)
            same = columns[i].compare(t.fields[i].name, Qt::CaseInsensitive) == 0;
        if (!same)
            throw DatabaseError(texts::wrongStructure(t.fileName));
        {
            Statement s(
                *this,
                QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?"),
                {QString::fromLatin1(kRowCountTable)});
            m_hasRowCounter = s.next() && s.value(0).toInt() > 0;
        }
        resolveIndex();
        resolveMaster();
        resolveFilter();
        resolveRange();
    } catch (const DatabaseError &) {
        m_conn.reset();
        throw;
    } catch (const StoreError &e) {
        m_conn.reset();
        // SQLite reports a damaged or foreign file only at its first use.
        throw DatabaseError(texts::cannotOpen(t.fileName, e.text()));
    }
    setState(State::Browse);
    first();
}

void Table::close() {
    if (!isOpen())
        return;
    std::exception_ptr pending;
    try {
        checkBrowseMode();
    } catch (...) {
        pending = std::current_exception();
    }
    if (m_inTransaction) {
        try {
            { Statement done(*this, QStringLiteral("ROLLBACK"), {}); }
        } catch (...) {
        }
        m_inTransaction = false;
    }
    m_conn.reset();
    m_state = State::Inactive;
    m_modified = false;
    clearCurrent();
    emit stateChanged(m_state);
    notifyMoved();
    if (pending)
        std::rethrow_exception(pending);
}

void Table::requireOpen() const {
    if (!isOpen())
        throw StoreError(texts::notOpen(displayName()));
}

void Table::requireWritable() const {
    requireOpen();
    if (m_readOnly)
        throw StoreError(texts::readOnly(displayName()));
}

void Table::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

// --- range and filter ------------------------------------------------------

void Table::setRange(const QVariant &from, const QVariant &to) {
    m_rangeFrom = from.isValid() ? from : to;
    m_rangeTo = to.isValid() ? to : from;
    if (isOpen()) {
        checkBrowseMode();
        resolveRange();
        first();
    }
}

void Table::cancelRange() {
    m_rangeFrom = m_rangeTo = QVariant();
    m_range = Range();
    afterRestrictionChange();
}

void Table::setFilter(const QString &expression) {
    QList<FilterTerm> terms;
    const QString text = expression.trimmed();
    if (!text.isEmpty()) {
        static const QRegularExpression andSep(QStringLiteral("\\s+and\\s+"),
                                               QRegularExpression::CaseInsensitiveOption);
        for (const QString &part : text.split(andSep)) {
            const QRegularExpressionMatch m = filterTermPattern().match(part);
            if (!m.hasMatch())
                throw StoreError(texts::badFilter(expression));
            FilterTerm term;
            term.name = m.captured(1);
            term.op = m.captured(2) == QLatin1String("<>") ? QStringLiteral("!=") : m.captured(2);
            const QString number = m.captured(3);
            if (number.contains(QLatin1Char('.')))
                term.value = number.toDouble();
            else
                term.value = number.toLongLong();
            terms << term;
        }
    }
    const QList<FilterTerm> previous = m_filterTerms;
    const QString previousText = m_filterText;
    m_filterTerms = terms;
    m_filterText = expression;
    try {
        resolveFilter();
    } catch (...) {
        m_filterTerms = previous;
        m_filterText = previousText;
        throw;
    }
    if (m_filtered)
        afterRestrictionChange();
}

void Table::setFiltered(bool on) {
    if (m_filtered == on)
        return;
    m_filtered = on;
    afterRestrictionChange();
}

void Table::afterRestrictionChange() {
    if (isOpen()) {
        checkBrowseMode();
        first();
    }
}

// --- query building --------------------------------------------------------

QString Table::column(int orderColumn) const {
    const int f = m_order[orderColumn];
    return f < 0 ? QStringLiteral("rowid") : quoted(m_def->fields[f].name);
}

QVariant Table::masterValue() const {
    if (!m_master || !m_master->isOpen() || m_master->isEmpty() || m_masterField < 0)
        return QVariant();
    const QVariant v = m_master->visibleRow().values.value(m_masterField);
    return toStorage(m_detailField, v);
}

void Table::addRestrictions(QStringList &where, QVariantList &binds) const {
    if (m_master) {
        where << quoted(m_def->fields[m_detailField].name) + QStringLiteral(" = ?");
        binds << masterValue(); // NULL when the master has no row: nothing matches
    }
    if (m_range.active) {
        const QString lead = quoted(m_def->fields[m_order[0]].name);
        where << lead + QStringLiteral(" >= ?") << lead + QStringLiteral(" <= ?");
        binds << m_range.low << m_range.high;
    }
    if (m_filtered) {
        for (const FilterTerm &term : m_filterTerms) {
            where << quoted(m_def->fields[term.field].name) + QLatin1Char(' ') + term.op +
                         QStringLiteral(" ?");
            binds << term.value;
        }
    }
}

QList<Row> Table::select(const QStringList &where, const QVariantList &binds, bool ascending,
                         int limit) const {
    QStringList cols{QStringLiteral("rowid")};
    for (const FieldDef &f : m_def->fields)
        cols << quoted(f.name);
    QStringList order;
    for (int i = 0; i < m_order.size(); ++i)
        order << column(i) + (ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    QString sql = QStringLiteral("SELECT %1 FROM %2")
                      .arg(cols.join(QLatin1Char(',')), quoted(m_def->sqlName));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + order.join(QLatin1Char(',')) + QStringLiteral(" LIMIT ?");
    QVariantList all = binds;
    all << limit;
    Statement s(*this, sql, all);
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
    Statement s(*this,
                QStringLiteral("SELECT count(*) FROM %1 WHERE %2")
                    .arg(quoted(m_def->sqlName), where.join(QStringLiteral(" AND "))),
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

// --- counts ------------------------------------------------------------------------

qint64 Table::recordCount() const {
    requireOpen();
    if (m_hasRowCounter) {
        Statement s(*this, QStringLiteral("SELECT n FROM %1").arg(QLatin1String(kRowCountTable)),
                    {});
        if (s.next())
            return s.value(0).toLongLong();
    }
    Statement s(*this, QStringLiteral("SELECT count(*) FROM %1").arg(quoted(m_def->sqlName)), {});
    return s.next() ? s.value(0).toLongLong() : 0;
}

// --- field values ------------------------------------------------------------------

int Table::fieldCount() const {
    return m_def ? int(m_def->fields.size()) : 0;
}

int Table::fieldIndex(const QString &name) const {
    return m_def ? m_def->fieldIndex(name) : -1;
}

QString Table::fieldName(int position) const {
    if (!m_def || position < 0 || position >= m_def->fields.size())
        throw StoreError(texts::noField(QString::number(position), displayName()));
    return m_def->fields[position].name;
}

int Table::requireField(const QString &name) const {
    const int i = def().fieldIndex(name);
    if (i < 0)
        throw StoreError(texts::noField(name, displayName()));
    return i;
}

QVariant Table::value(const QString &field) const {
    return value(requireField(field));
}

QVariant Table::value(int position) const {
    requireOpen();
    fieldName(position); // raises for a position outside the table
    return visibleRow().values.value(position);
}

qint64 Table::asInteger(const QString &field) const {
    const QVariant v = value(field);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return qRound64(v.toDouble());
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok)
        throw StoreError(texts::badValue(v.toString(), field));
    return n;
}

double Table::asFloat(const QString &field) const {
    const QVariant v = value(field);
    if (v.isNull())
        return 0.0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        throw StoreError(texts::badValue(v.toString(), field));
    return d;
}

QString Table::asString(const QString &field) const {
    const QVariant v = value(field);
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    if (v.typeId() == QMetaType::QTime)
        return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    return v.toString();
}

QDate Table::asDate(const QString &field) const {
    return value(field).toDate();
}

QTime Table::asTime(const QString &field) const {
    return value(field).toTime();
}

Row Table::currentRow() const {
    return visibleRow();
}

// Conversion of an interface value to the form stored in the file; raises
// for a value the field cannot hold. An empty value stores NULL.
QVariant Table::toStorage(int field, const QVariant &value) const {
    const FieldDef &f = m_def->fields[field];
    if (!value.isValid() || value.isNull())
        return QVariant();
    const int type = value.typeId();
    auto bad = [&]() -> QVariant { throw StoreError(texts::badValue(value.toString(), f.name)); };
    switch (f.type) {
    case FieldType::Date: {
        QDate d;
        if (type == QMetaType::QDate)
            d = value.toDate();
        else if (type == QMetaType::QDateTime)
            d = value.toDateTime().date();
        else if (type == QMetaType::QString)
            d = QDate::fromString(value.toString().trimmed(), Qt::ISODate);
        if (!d.isValid())
            return bad();
        return d.toString(Qt::ISODate);
    }
    case FieldType::Time: {
        QTime t;
        if (type == QMetaType::QTime)
            t = value.toTime();
        else if (type == QMetaType::QDateTime)
            t = value.toDateTime().time();
        else if (type == QMetaType::QString)
            t = QTime::fromString(value.toString().trimmed(), Qt::ISODate);
        if (!t.isValid())
            return bad();
        return t.toString(QStringLiteral("HH:mm:ss"));
    }
    case FieldType::AutoInc:
    case FieldType::Short:
    case FieldType::Integer: {
        qint64 n = 0;
        bool ok = false;
        if (type == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            n = s.toLongLong(&ok);
        } else if (type == QMetaType::Double || type == QMetaType::Float) {
            const double d = value.toDouble();
            ok = d > -9.2e18 && d < 9.2e18;
            n = ok ? qRound64(d) : 0;
        } else if (type == QMetaType::QDate || type == QMetaType::QTime) {
            ok = false;
        } else {
            n = value.toLongLong(&ok);
        }
        const qint64 low = f.type == FieldType::Short     ? -32768
                           : f.type == FieldType::Integer ? std::numeric_limits<qint32>::min()
                                                          : std::numeric_limits<qint64>::min();
        const qint64 high = f.type == FieldType::Short     ? 32767
                            : f.type == FieldType::Integer ? std::numeric_limits<qint32>::max()
                                                           : std::numeric_limits<qint64>::max();
        if (!ok || n < low || n > high)
            return bad();
        return n;
    }
    case FieldType::Float: {
        bool ok = false;
        double d = 0;
        if (type == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            d = s.toDouble(&ok);
        } else if (type != QMetaType::QDate && type != QMetaType::QTime) {
            d = value.toDouble(&ok);
        }
        if (!ok)
            return bad();
        return d;
    }
    case FieldType::Text: {
        QString s;
        if (type == QMetaType::QDate)
            s = value.toDate().toString(Qt::ISODate);
        else if (type == QMetaType::QTime)
            s = value.toTime().toString(QStringLiteral("HH:mm:ss"));
        else
            s = value.toString();
        if (f.size > 0 && s.size() > f.size)
            s.truncate(f.size);
        return s;
    }
    }
    return QVariant();
}

QVariant Table::fromStorage(int field, const QVariant &stored) const {
    if (stored.isNull())
        return QVariant();
    switch (m_def->fields[field].type) {
    case FieldType::Date:
        return QDate::fromString(stored.toString(), Qt::ISODate);
    case FieldType::Time:
        return QTime::fromString(stored.toString(), Qt::ISODate);
    case FieldType::AutoInc:
    case FieldType::Short:
    case FieldType::Integer:
        return stored.toLongLong();
    case FieldType::Float:
        return stored.toDouble();
    case FieldType::Text:
        return stored.toString();
    }
    return stored;
}

// --- changing rows -----------------------------------------------------------------

void Table::edit() {
    requireWritable();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (!m_hasCurrent) {
        append(); // editing an empty table starts a new row
        return;
    }
    m_edit = m_current;
    m_set = QList<bool>(m_def->fields.size(), false);
    m_modified = false;
    setState(State::Edit);
}

void Table::append() {
    requireWritable();
    checkBrowseMode();
    m_edit = Row();
    m_edit.values = QVariantList(m_def->fields.size());
    m_set = QList<bool>(m_def->fields.size(), false);
    m_modified = false;
    if (m_master && m_detailField >= 0) {
        const QVariant v = masterValue();
        if (!v.isNull()) {
            m_edit.values[m_detailField] = fromStorage(m_detailField, v);
            m_set[m_detailField] = true;
        }
    }
    setState(State::Insert);
    emit currentChanged();
}

void Table::setValue(const QString &field, const QVariant &value) {
    setValue(requireField(field), value);
}

void Table::setValue(int position, const QVariant &value) {
    requireWritable();
    if (m_state != State::Edit && m_state != State::Insert)
        throw StoreError(texts::notEditing(displayName()));
    const QString name = fieldName(position);
    if (m_def->fields[position].type == FieldType::AutoInc)
        throw StoreError(texts::readOnlyField(name));
    m_edit.values[position] = fromStorage(position, toStorage(position, value));
    m_set[position] = true;
    m_modified = true;
    emit fieldChanged(name);
}

void Table::post() {
    requireOpen();
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    const QString table = quoted(m_def->sqlName);
    QStringList cols;
    QVariantList binds;
    for (int i = 0; i < m_set.size(); ++i) {
        if (m_set[i]) {
            cols << quoted(m_def->fields[i].name);
            binds << toStorage(i, m_edit.values[i]);
        }
    }
    if (m_state == State::Insert) {
        QString sql;
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
        } else {
            QStringList marks(cols.size(), QStringLiteral("?"));
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(table, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        }
        Statement s(*this, sql, binds);
        m_edit.rowId = s.query().lastInsertId().toLongLong();
        if (m_def->hasAutoInc())
            m_edit.values[0] = m_edit.rowId;
    } else if (!cols.isEmpty()) {
        QStringList sets;
        for (const QString &c : cols)
            sets << c + QStringLiteral(" = ?");
        binds << m_edit.rowId;
        Statement s(*this,
                    QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                        .arg(table, sets.join(QLatin1Char(','))),
                    binds);
    }
    const bool changed = m_state == State::Insert || !cols.isEmpty();
    setCurrent(m_edit);
    m_eof = m_bof = false;
    m_modified = false;
    setState(State::Browse);
    if (changed)
        emit tableChanged();
    notifyMoved();
}

void Table::cancel() {
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    m_modified = false;
    setState(State::Browse);
    notifyMoved();
}

void Table::appendRecord(const QVariantList &values) {
    append();
    try {
        for (int i = 0; i < values.size() && i < m_def->fields.size(); ++i) {
            if (m_def->fields[i].type != FieldType::AutoInc)
                setValue(i, values[i]);
        }
        post();
    } catch (...) {
        cancel();
        throw;
    }
}

void Table::deleteRecord() {
    requireWritable();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit) {
        m_modified = false;
        setState(State::Browse);
    }
    if (!m_hasCurrent)
        throw StoreError(texts::noCurrentRow(displayName()));
    const Row gone = m_current;
    {
        Statement s(*this,
                    QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(m_def->sqlName)),
                    {gone.rowId});
    }
    moveToNeighbour(gone);
    emit tableChanged();
    notifyMoved();
}

// --- recording support -----------------------------------------------------------

qint64 Table::trimTo(qint64 keep) {
    requireWritable();
    checkBrowseMode();
    if (!m_def->hasAutoInc())
        throw StoreError(texts::noRecordNumber(displayName()));
    keep = std::max<qint64>(keep, 0);
    const qint64 excess = recordCount() - keep;
    if (excess <= 0)
        return 0;
    const QString table = quoted(m_def->sqlName);
    const QString key = quoted(m_def->fields[0].name);
    qint64 cutoff = 0;
    {
        // The newest of the rows to go; a skip along the record-number key.
        Statement s(
            *this, QStringLiteral("SELECT %1 FROM %2 ORDER BY %1 LIMIT 1 OFFSET ?").arg(key, table),
            {excess - 1});
        if (!s.next())
            return 0;
        cutoff = s.value(0).toLongLong();
    }
    qint64 deleted = 0;
    {
        Statement s(*this, QStringLiteral("DELETE FROM %1 WHERE %2 <= ?").arg(table, key),
                    {cutoff});
        deleted = s.query().numRowsAffected();
    }
    emit tableChanged();
    if (m_hasCurrent && m_current.rowId <= cutoff)
        first();
    return deleted;
}

void Table::beginTransaction() {
    requireWritable();
    checkBrowseMode();
    { Statement done(*this, QStringLiteral("BEGIN IMMEDIATE"), {}); }
    m_inTransaction = true;
}

void Table::commit() {
    requireOpen();
    checkBrowseMode();
    { Statement done(*this, QStringLiteral("COMMIT"), {}); }
    m_inTransaction = false;
}

void Table::rollback() {
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert) {
        m_modified = false;
        setState(State::Browse);
    }
    { Statement done(*this, QStringLiteral("ROLLBACK"), {}); }
    m_inTransaction = false;
    refresh();
}

} // namespace orvex::store
