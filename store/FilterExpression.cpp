// Parsing the views' filter expressions.
#include "store/FilterExpression.h"

#include "store/StoreError.h"
#include "store/StoreTexts.h"

#include <QRegularExpression>

namespace orvex::store {
namespace {

const QRegularExpression &termPattern() {
    static const QRegularExpression re(QStringLiteral(
        "^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*(<=|>=|<>|=|<|>)\\s*(-?[0-9]+(?:\\.[0-9]+)?)\\s*$"));
    return re;
}

const QRegularExpression &andSeparator() {
    static const QRegularExpression re(QStringLiteral("\\s+and\\s+"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

} // namespace

QList<FilterTerm> parseFilter(const QString &expression) {
    QList<FilterTerm> terms;
    const QString text = expression.trimmed();
    if (text.isEmpty())
        return terms;
    for (const QString &part : text.split(andSeparator())) {
        const QRegularExpressionMatch m = termPattern().match(part);
        if (!m.hasMatch())
            throw StoreError(texts::badFilter(expression));
        FilterTerm term;
        term.field = m.captured(1);
        term.op = m.captured(2) == QLatin1String("<>") ? QStringLiteral("!=") : m.captured(2);
        const QString number = m.captured(3);
        if (number.contains(QLatin1Char('.')))
            term.value = number.toDouble();
        else
            term.value = number.toLongLong();
        terms << term;
    }
    return terms;
}

} // namespace orvex::store
