// Parsing the connection URI of a server alias.
#include "store/ServerLocation.h"

#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace orvex::store {

bool isServerUri(const QString &target) {
    const QString t = target.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

bool isPlainIdentifier(const QString &name) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
    return re.match(name).hasMatch();
}

ServerLocation parseServerUri(const QString &uri) {
    const QString text = uri.trimmed();
    // The query is split by hand: QUrl would re-encode the parts libpq reads.
    const qsizetype q = text.indexOf(QLatin1Char('?'));
    const QString base = q < 0 ? text : text.left(q);
    const QStringList params =
        q < 0 ? QStringList() : text.mid(q + 1).split(QLatin1Char('&'), Qt::SkipEmptyParts);
    ServerLocation loc;
    QStringList kept;
    for (const QString &p : params) {
        const QString key = p.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = QUrl::fromPercentEncoding(p.section(QLatin1Char('='), 1).toUtf8());
        if (key.compare(QLatin1String("schema"), Qt::CaseInsensitive) == 0)
            loc.schema = value.trimmed();
        else if (key.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0)
            throw DatabaseError(texts::passwordInUri());
        else
            kept << p;
    }
    // The authority is "user[:password]@host[:port],...": a ':' before the
    // '@' means a password.
    const qsizetype start = base.indexOf(QLatin1String("://")) + 3;
    const qsizetype slash = base.indexOf(QLatin1Char('/'), start);
    const QString authority = base.mid(start, slash < 0 ? -1 : slash - start);
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0 && authority.left(at).contains(QLatin1Char(':')))
        throw DatabaseError(texts::passwordInUri());
    if (!isPlainIdentifier(loc.schema))
        throw DatabaseError(texts::badSchema(loc.schema));
    loc.connection = base;
    if (!kept.isEmpty())
        loc.connection += QLatin1Char('?') + kept.join(QLatin1Char('&'));
    const QString host = authority.isEmpty() ? QStringLiteral("localhost") : authority;
    const QString database = slash < 0 ? QString() : base.mid(slash + 1);
    loc.display = QStringLiteral("%1/%2, %3").arg(host, database, loc.schema);
    return loc;
}

} // namespace orvex::store
