// Reading the current row of a table handle, editing, appending, posting and
// deleting rows, trimming for the recording, and explicit transactions.
#include "store/Table.h"

#include "store/Connection.h"
#include "store/FieldCodec.h"
#include "store/SqlDialect.h"
#include "store/StoreTexts.h"

#include <algorithm>

namespace orvex::store {

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

QVariant Table::toStorage(int field, const QVariant &value) const {
    return store::toStorage(m_def->fields[field], value);
}

QVariant Table::fromStorage(int field, const QVariant &stored) const {
    return store::fromStorage(m_def->fields[field], stored);
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
    const QString table = m_dialect->table(*m_def);
    QStringList cols;
    QVariantList binds;
    for (int i = 0; i < m_set.size(); ++i) {
        if (m_set[i]) {
            cols << m_dialect->quoted(m_def->fields[i].name);
            binds << toStorage(i, m_edit.values[i]);
        }
    }
    if (m_state == State::Insert) {
        Statement s(conn(), m_dialect->insert(*m_def, cols), binds);
        m_edit.rowId = m_dialect->insertedKey(s);
        if (m_hasRowCounter && s.query().isValid())
            learnCount(s.value(1));
        if (m_def->hasAutoInc())
            m_edit.values[0] = m_edit.rowId;
    } else if (!cols.isEmpty()) {
        QStringList sets;
        for (const QString &c : cols)
            sets << c + QStringLiteral(" = ?");
        binds << m_edit.rowId;
        Statement::run(conn(),
                       QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                           .arg(table, sets.join(QLatin1Char(',')), m_dialect->rowKey(*m_def)),
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
    Statement::run(conn(),
                   QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                       .arg(m_dialect->table(*m_def), m_dialect->rowKey(*m_def)),
                   {gone.rowId});
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
    QVariantList trimBinds;
    const QString trim = m_hasRowCounter ? m_dialect->trim(*m_def, trimBinds, keep) : QString();
    if (!trim.isEmpty()) {
        qint64 deleted = 0;
        qint64 cutoff = 0;
        {
            Statement s(conn(), trim, trimBinds);
            if (s.next()) {
                deleted = s.value(0).toLongLong();
                cutoff = s.value(1).toLongLong();
                learnCount(s.value(2));
            }
        }
        if (deleted > 0) {
            emit tableChanged();
            if (m_hasCurrent && m_current.rowId <= cutoff)
                first();
        }
        return deleted;
    }
    const qint64 excess = recordCount() - keep;
    if (excess <= 0)
        return 0;
    const QString table = m_dialect->table(*m_def);
    const QString key = m_dialect->quoted(m_def->fields[0].name);
    qint64 cutoff = 0;
    {
        // The newest of the rows to go; a skip along the record-number key.
        Statement s(
            conn(),
            QStringLiteral("SELECT %1 FROM %2 ORDER BY %1 LIMIT 1 OFFSET ?").arg(key, table),
            {excess - 1});
        if (!s.next())
            return 0;
        cutoff = s.value(0).toLongLong();
    }
    qint64 deleted = 0;
    {
        Statement s(conn(), QStringLiteral("DELETE FROM %1 WHERE %2 <= ?").arg(table, key),
                    {cutoff});
        deleted = s.query().numRowsAffected();
    }
    emit tableChanged();
    if (m_hasCurrent && m_current.rowId <= cutoff)
        first();
    return deleted;
}

void Table::learnCount(const QVariant &count) {
    m_knownCount = count.isValid() && !count.isNull() ? count.toLongLong() : -1;
    m_knownCountAt = m_conn->changes();
}

void Table::beginTransaction() {
    requireWritable();
    checkBrowseMode();
    conn().begin(m_dialect->beginWrite());
    m_inTransaction = true;
}

void Table::commit() {
    requireOpen();
    checkBrowseMode();
    if (!m_inTransaction) {
        Statement::run(conn(), QStringLiteral("COMMIT"));
        return;
    }
    try {
        conn().commit();
    } catch (...) {
        // A commit that failed and left the transaction open is rolled back.
        m_inTransaction = m_conn->inTransaction();
        throw;
    }
    m_inTransaction = false;
}

void Table::rollback() {
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert) {
        m_modified = false;
        setState(State::Browse);
    }
    bool ended = true;
    if (m_inTransaction) {
        m_inTransaction = false;
        ended = conn().rollback();
    } else {
        Statement::run(conn(), QStringLiteral("ROLLBACK"));
    }
    // A joined part leaves the rows to the outermost rollback.
    if (ended)
        refresh();
}

TransactionGroup::TransactionGroup(std::initializer_list<Table *> tables) {
    // The open handles that can write; a closed one fails at its own step,
    // which then rolls the others back.
    for (Table *t : tables) {
        if (t->isOpen() && !t->isReadOnly())
            m_tables << t;
    }
    bool shared = m_tables.size() > 1;
    for (Table *t : m_tables)
        shared = shared && t->sharesConnectionWith(*m_tables[0]);
    if (!shared)
        return;
    Table &first = *m_tables[0];
    first.checkBrowseMode();
    first.conn().begin(first.m_dialect->beginWrite());
    m_shared = true;
}

TransactionGroup::~TransactionGroup() {
    if (!m_shared || m_done)
        return;
    Connection &c = m_tables[0]->conn();
    try {
        if (c.inTransaction())
            c.rollback();
    } catch (...) {
        // A destructor cannot report; the transaction is over anyway.
    }
    // The cursors leave the rows that were rolled back (re-read when the
    // connection is back: a lost one would only be tried again in vain).
    if (c.isLost())
        return;
    for (Table *t : m_tables) {
        try {
            if (t->isOpen())
                t->refresh();
        } catch (...) {
        }
    }
}

void TransactionGroup::commit() {
    if (m_shared) {
        m_tables[0]->checkBrowseMode();
        m_tables[0]->conn().commit();
    }
    m_done = true;
}

} // namespace orvex::store
