// Value conversion between the store's interface and its storage form.
#include "store/FieldCodec.h"

#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <limits>

namespace orvex::store {
namespace {

const QString kTimeFormat = QStringLiteral("HH:mm:ss");

[[noreturn]] void refuse(const FieldDef &f, const QVariant &value) {
    throw StoreError(texts::badValue(value.toString(), f.name));
}

QVariant dateToStorage(const FieldDef &f, const QVariant &value) {
    const int type = value.typeId();
    QDate d;
    if (type == QMetaType::QDate)
        d = value.toDate();
    else if (type == QMetaType::QDateTime)
        d = value.toDateTime().date();
    else if (type == QMetaType::QString)
        d = QDate::fromString(value.toString().trimmed(), Qt::ISODate);
    if (!d.isValid())
        refuse(f, value);
    return d.toString(Qt::ISODate);
}

QVariant timeToStorage(const FieldDef &f, const QVariant &value) {
    const int type = value.typeId();
    QTime t;
    if (type == QMetaType::QTime)
        t = value.toTime();
    else if (type == QMetaType::QDateTime)
        t = value.toDateTime().time();
    else if (type == QMetaType::QString)
        t = QTime::fromString(value.toString().trimmed(), Qt::ISODate);
    if (!t.isValid())
        refuse(f, value);
    return t.toString(kTimeFormat);
}

QVariant integerToStorage(const FieldDef &f, const QVariant &value) {
    const int type = value.typeId();
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
        refuse(f, value);
    return n;
}

QVariant floatToStorage(const FieldDef &f, const QVariant &value) {
    const int type = value.typeId();
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
        refuse(f, value);
    return d;
}

QVariant textToStorage(const FieldDef &f, const QVariant &value) {
    const int type = value.typeId();
    QString s;
    if (type == QMetaType::QDate)
        s = value.toDate().toString(Qt::ISODate);
    else if (type == QMetaType::QTime)
        s = value.toTime().toString(kTimeFormat);
    else
        s = value.toString();
    if (f.size > 0 && s.size() > f.size)
        s.truncate(f.size);
    return s;
}

} // namespace

QVariant toStorage(const FieldDef &f, const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (f.type) {
    case FieldType::Date:
        return dateToStorage(f, value);
    case FieldType::Time:
        return timeToStorage(f, value);
    case FieldType::AutoInc:
    case FieldType::Short:
    case FieldType::Integer:
        return integerToStorage(f, value);
    case FieldType::Float:
        return floatToStorage(f, value);
    case FieldType::Text:
        return textToStorage(f, value);
    }
    return QVariant();
}

QVariant fromStorage(const FieldDef &f, const QVariant &stored) {
    if (stored.isNull())
        return QVariant();
    switch (f.type) {
    case FieldType::Date:
        if (stored.typeId() == QMetaType::QDate)
            return stored;
        return QDate::fromString(stored.toString(), Qt::ISODate);
    case FieldType::Time:
        if (stored.typeId() == QMetaType::QTime)
            return stored;
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

} // namespace orvex::store
