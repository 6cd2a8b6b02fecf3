// Parsing the connection URI of a server alias.
#include "store/ServerLocation.h"

#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QUrl>
#include <QUrlQuery>

namespace orvex::store {

namespace {

QString decode(const QString &part) {
    return QUrl::fromPercentEncoding(part.toUtf8());
}

// One "key=value" connection option; a value with blanks or quotes is
// quoted as the client library reads it.
QString option(const QString &key, const QString &value) {
    if (!value.isEmpty() && !value.contains(QLatin1Char(' ')) &&
        !value.contains(QLatin1Char('\'')) && !value.contains(QLatin1Char('\\')))
        return key + QLatin1Char('=') + value;
    QString v = value;
    v.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    v.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return key + QStringLiteral("='") + v + QLatin1Char('\'');
}

} // namespace

bool isServerUri(const QString &target) {
    const QString t = target.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

void applyServerLocation(QSqlDatabase &db, const ServerLocation &server) {
    db.setDatabaseName(server.database);
    QStringList options = server.options;
    if (!server.connection.contains(QLatin1String("connect_timeout")))
        options << QStringLiteral("connect_timeout=5");
    db.setConnectOptions(options.join(QLatin1Char(' ')));
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
    // The driver hands the database name to the client library as a keyword,
    // which does not expand a URI; so the URI is taken apart here.
    if (at >= 0)
        loc.options << option(QStringLiteral("user"), decode(authority.left(at)));
    QStringList hosts, ports;
    for (const QString &hp : authority.mid(at + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        qsizetype colon = hp.lastIndexOf(QLatin1Char(':'));
        if (hp.startsWith(QLatin1Char('[')))
            colon = hp.indexOf(QLatin1Char(':'), hp.indexOf(QLatin1Char(']')));
        QString host = colon < 0 ? hp : hp.left(colon);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        hosts << decode(host);
        ports << (colon < 0 ? QString() : hp.mid(colon + 1));
    }
    if (!hosts.isEmpty() && !hosts.join(QString()).isEmpty())
        loc.options << option(QStringLiteral("host"), hosts.join(QLatin1Char(',')));
    if (!ports.join(QString()).isEmpty())
        loc.options << option(QStringLiteral("port"), ports.join(QLatin1Char(',')));
    for (const QString &p : kept) {
        const QString key = p.section(QLatin1Char('='), 0, 0).trimmed();
        if (!isPlainIdentifier(key))
            throw DatabaseError(texts::badServerParameter(key));
        loc.options << option(key, decode(p.section(QLatin1Char('='), 1)));
    }
    loc.database = slash < 0 ? QString() : decode(base.mid(slash + 1));
    loc.connection = base;
    if (!kept.isEmpty())
        loc.connection += QLatin1Char('?') + kept.join(QLatin1Char('&'));
    const QString host = authority.isEmpty() ? QStringLiteral("localhost") : authority;
    const QString database = slash < 0 ? QString() : base.mid(slash + 1);
    loc.display = QStringLiteral("%1/%2, %3").arg(host, database, loc.schema);
    return loc;
}

QString serverDatabaseName(const ServerLocation &server) {
    const QChar glue =
        server.connection.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?');
    return server.connection + glue + QStringLiteral("schema=") + server.schema;
}

} // namespace orvex::store
