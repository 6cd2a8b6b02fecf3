// The parts of the SQL that every engine shares, and the choice of engine.
#include "store/SqlDialect.h"

#include "store/Location.h"

namespace orvex::store {

QString SqlDialect::quoted(const QString &name) const {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString SqlDialect::page(const TableDef &def, const QStringList &columns, const QStringList &where,
                         const QStringList &order) const {
    QString sql =
        QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QLatin1Char(',')), table(def));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    return sql + QStringLiteral(" ORDER BY ") + order.join(QLatin1Char(',')) +
           QStringLiteral(" LIMIT ?");
}

// A negative cache_size is a size in KiB rather than a number of pages.
QString cacheSizePragma() {
    return QStringLiteral("PRAGMA cache_size=-%1").arg(kSqliteWriterCacheKiB);
}

std::shared_ptr<const SqlDialect> dialectFor(const DatabaseLocation &location) {
    return location.isServer() ? postgresDialect(location.server.schema) : sqliteDialect();
}

} // namespace orvex::store
