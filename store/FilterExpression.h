// The filter expressions of the views: terms "Field op number" (op one of
// = <> < > <= >=) joined by " and ", e.g. "UnitNo=3 and Alarm>1". An
// expression is parsed into field names, SQL comparison operators and
// numbers; the numbers are bound as parameters, never pasted into SQL.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace orvex::store {

struct FilterTerm {
    QString field;  // as written; the handle matches it to a field
    QString op;     // "=", "!=", "<", ">", "<=" or ">="
    QVariant value; // qint64, or double when written with a decimal point
};

// The terms of `expression`; an empty or blank expression has none. Raises
// StoreError naming the expression when any term is malformed.
QList<FilterTerm> parseFilter(const QString &expression);

} // namespace orvex::store
