// The table handle: set-up, opening and closing, range and filter, and the
// kept row count. The cursor's moves and pages are in TableCursor.cpp, the
// reading and changing of rows in TableRows.cpp; the engine's SQL is in its
// SqlDialect.
#include "store/Table.h"

#include "store/Connection.h"
#include "store/FieldCodec.h"
#include "store/Location.h"
#include "store/SqlDialect.h"
#include "store/StoreTexts.h"

#include <algorithm>

namespace orvex::store {

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
    for (BoundTerm &term : m_filterTerms)
        term.field = m_def ? m_def->fieldIndex(term.term.field) : -1;
    if (!m_def)
        return;
    for (const BoundTerm &term : m_filterTerms) {
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
    const DatabaseLocation location = locateDatabase(m_databaseName);
    std::shared_ptr<const SqlDialect> dialect = dialectFor(location);
    const QString poolKey = location.isServer()
                                ? QStringLiteral("%1\n%2\n%3")
                                      .arg(location.server.connection, location.server.schema)
                                      .arg(m_readOnly)
                                : QString();
    std::shared_ptr<Connection> conn = Connection::shared(poolKey);
    if (!conn) {
        auto fresh = std::make_unique<Connection>(*dialect, t.fileName);
        fresh->setPoolKey(poolKey);
        conn = Connection::share(std::move(fresh));
    }
    conn->setTableName(t.fileName);
    dialect->open(*conn, location, t, m_readOnly);
    m_conn = std::move(conn);
    m_knownCount = -1;
    m_dialect = std::move(dialect);
    // A server's tables by the URI of their schema: a name that opens them
    // again (the journal beside them does).
    m_folder = location.isServer() ? serverDatabaseName(location.server) : location.folder;
    try {
        connectAndCheck();
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

// Sets the connection up as the engine wants it, checks that the table has
// the fields in their order and notes whether its row count is kept.
void Table::connectAndCheck() {
    conn().setSessionSetup(m_dialect->sessionSetup(m_readOnly));
    conn().runSessionSetup();
    checkStructure();
    QVariantList binds;
    const QString sql = m_dialect->rowCounterPresentQuery(*m_def, binds);
    Statement s(conn(), sql, binds);
    m_hasRowCounter = s.next() && s.value(0).toInt() > 0;
}

void Table::checkStructure() {
    const TableDef &t = *m_def;
    QVariantList binds;
    const QString sql = m_dialect->columnsQuery(t, binds);
    QStringList columns;
    {
        Statement s(conn(), sql, binds);
        while (s.next())
            columns << s.value(0).toString();
    }
    bool same = columns.size() == t.fields.size();
    for (int i = 0; same && i < columns.size(); ++i)
        same = columns[i].compare(t.fields[i].name, Qt::CaseInsensitive) == 0;
    if (!same)
        throw DatabaseError(texts::wrongStructure(t.fileName));
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
            conn().rollback();
        } catch (...) {
        }
        m_inTransaction = false;
    }
    // The last handle of a shared connection leaves it idle for the next.
    m_conn.reset();
    m_state = State::Inactive;
    m_modified = false;
    clearCurrent();
    emit stateChanged(m_state);
    notifyMoved();
    if (pending)
        std::rethrow_exception(pending);
}

Connection &Table::conn() const {
    m_conn->setTableName(m_def->fileName);
    return *m_conn;
}

bool Table::sharesConnectionWith(const Table &other) const {
    return m_conn && m_conn == other.m_conn;
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
    QList<BoundTerm> terms;
    for (const FilterTerm &term : parseFilter(expression))
        terms << BoundTerm{term, -1};
    const QList<BoundTerm> previous = m_filterTerms;
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

// --- counts ------------------------------------------------------------------------

// The kept count is one single-row read, or none just after a write that
// returned it; a file made before the store kept counts is counted.
qint64 Table::recordCount() const {
    requireOpen();
    // The count the last write of this handle returned, while nothing was
    // written on the connection since.
    if (m_knownCount >= 0 && m_knownCountAt == m_conn->changes())
        return m_knownCount;
    if (m_hasRowCounter) {
        QVariantList binds;
        const QString sql = m_dialect->rowCount(*m_def, binds);
        Statement s(conn(), sql, binds);
        if (s.next())
            return s.value(0).toLongLong();
    }
    Statement s(conn(), QStringLiteral("SELECT count(*) FROM %1").arg(m_dialect->table(*m_def)),
                {});
    return s.next() ? s.value(0).toLongLong() : 0;
}

} // namespace orvex::store
