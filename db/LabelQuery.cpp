#include "db/LabelQuery.h"

#include "core/Language.h"
#include "core/Text.h"

int labelQueryCount(const QString& amountText) {
    int count = 10000;
    const QString trimmed = trimBlanks(amountText);
    if (!trimmed.isEmpty()) {
        if (const auto n = parseInt32(trimmed))
            count = *n;
    }
    return count <= 0 ? 10000 : count;
}

QStringList labelQueryLines(const LabelFilter& f, Dialect dialect) {
    const int count = labelQueryCount(f.amountText);
    const bool tsql = dialect == Dialect::TSql;
    QStringList lines;
    if (tsql)
        lines << QStringLiteral("SELECT top %1 * FROM  PrintLabel    ").arg(count);
    else
        lines << QStringLiteral("SELECT * FROM  PrintLabel    ");
    lines << QStringLiteral("WHERE  1=1                                    ");
    lines << QStringLiteral("      AND  LabelSize='") + quoteDoubled(f.labelSize) +
                 QStringLiteral("' ");
    // A long text filter searches every date and both print states.
    if (ansiByteLength(f.labelLike, f.codePage) < 8) {
        lines << QStringLiteral("      AND  CreateTime >='") +
                     f.createdFrom.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
        // The embedded database indexes ifnull(), its own name for isnull().
        const QString fn = tsql ? QStringLiteral("isnull") : QStringLiteral("ifnull");
        lines << QStringLiteral("      AND  %1(PrintFlag,0) =%2                 ")
                     .arg(fn, f.toPrint ? QStringLiteral("0") : QStringLiteral("1"));
    }
    const QString like = trimBlanks(f.labelLike);
    if (!like.isEmpty())
        lines << QStringLiteral("      AND  LabelText LIKE '%") + quoteDoubled(like) +
                     QStringLiteral("%' ");
    lines << QStringLiteral("ORDER BY LabelText                              ");
    if (!tsql)
        lines << QStringLiteral("LIMIT %1").arg(count);
    return lines;
}
