// Conversion between the values of the store's interface (QDate, QTime,
// integers, doubles, texts) and the storage form every engine binds and
// compares: ISO text for dates ("yyyy-MM-dd") and times ("HH:mm:ss"), a
// 64-bit integer for number fields, a double for floats, a text cut to the
// field's size. Keys, ranges and pages compare storage forms, so one form for
// all engines keeps the cursor's logic the same on each.
#pragma once

#include "store/Schema.h"

#include <QVariant>

namespace orvex::store {

// The storage form of `value` for field `f`. An empty value (invalid, null,
// or an empty text for a number field) stores NULL. Raises StoreError for a
// value the field cannot hold: a text that is no date, a number out of the
// field's range, a date given for a number.
QVariant toStorage(const FieldDef &f, const QVariant &value);

// The interface value of a stored one: QDate, QTime, qint64, double or
// QString by field type; NULL reads as an empty QVariant. An engine that
// returns native dates and times is read as well as one that returns text.
QVariant fromStorage(const FieldDef &f, const QVariant &stored);

} // namespace orvex::store
