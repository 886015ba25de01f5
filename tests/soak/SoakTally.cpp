#include "tests/soak/SoakTally.h"

#include <QRegularExpression>

#include <algorithm>

QString soakLabelText(int serial) {
    return QStringLiteral("SK%1").arg(serial, 6, 10, QLatin1Char('0'));
}

QString labelTextOfBarcode(const QByteArray& carried) {
    return QStringLiteral("SK") + QString::fromLatin1(carried);
}

QString idList(const QList<qint64>& ids, int max) {
    QStringList parts;
    for (int i = 0; i < ids.size() && i < max; ++i)
        parts << QString::number(ids[i]);
    QString text = parts.join(QStringLiteral(", "));
    if (ids.size() > max)
        text += QStringLiteral(" ... (%1 in all)").arg(ids.size());
    return text;
}

SoakFigures tallySoak(const SoakObservations& o, double limitPercent) {
    SoakFigures f;
    f.labelsInserted = int(o.inserted.size());
    f.marked = int(o.marked.size());
    f.held = int(o.held.size());
    QSet<qint64> printedIds;
    for (auto it = o.printed.cbegin(); it != o.printed.cend(); ++it) {
        f.stripsLabelsPrinted += it.value();
        const auto found = o.inserted.constFind(it.key());
        if (found == o.inserted.cend()) {
            f.unknownPrinted << it.key();
            continue;
        }
        const qint64 id = found.value();
        printedIds.insert(id);
        if (it.value() > 1)
            f.duplicates << id;
        if (!o.marked.contains(id) && !o.held.contains(id))
            f.lost << id;
    }
    f.labelsPrinted = int(printedIds.size());
    for (qint64 id : o.marked)
        if (!printedIds.contains(id))
            f.notPrinted << id;
    for (qint64 id : o.inserted)
        if (!printedIds.contains(id) && !o.marked.contains(id) && !o.held.contains(id))
            ++f.leftUnprinted;
    std::sort(f.duplicates.begin(), f.duplicates.end());
    std::sort(f.lost.begin(), f.lost.end());
    std::sort(f.notPrinted.begin(), f.notPrinted.end());
    f.unknownPrinted.sort();
    if (o.rssAfterFirstMinuteKb > 0) {
        f.memoryGrowthPercent =
            100.0 * double(o.rssPeakLaterKb - o.rssAfterFirstMinuteKb) / o.rssAfterFirstMinuteKb;
        f.memoryFlat = f.memoryGrowthPercent <= limitPercent;
    }
    return f;
}

QStringList SoakFigures::failures() const {
    QStringList out;
    if (!duplicates.isEmpty())
        out << QStringLiteral("printed more than once: Iden_id %1").arg(idList(duplicates));
    if (!lost.isEmpty())
        out << QStringLiteral("printed, neither marked nor held (lost): Iden_id %1")
                   .arg(idList(lost));
    if (!notPrinted.isEmpty())
        out << QStringLiteral("marked printed, never printed: Iden_id %1").arg(idList(notPrinted));
    if (!unknownPrinted.isEmpty())
        out << QStringLiteral("printed labels nobody inserted: %1")
                   .arg(unknownPrinted.mid(0, 50).join(QStringLiteral(", ")));
    if (!memoryFlat)
        out << QStringLiteral("memory not flat: peak %1 % above its value after the first minute")
                   .arg(memoryGrowthPercent, 0, 'f', 1);
    return out;
}

QSet<qint64> heldIdsInLog(const QString& logText) {
    static const QRegularExpression id(QStringLiteral("Iden_id (\\d+)"));
    QSet<qint64> held;
    for (const QString& line : logText.split(QLatin1Char('\n'))) {
        if (!line.contains(QLatin1String("held"), Qt::CaseInsensitive) &&
            !line.contains(QLatin1String("not known whether"), Qt::CaseInsensitive))
            continue;
        for (const QRegularExpressionMatch& m : id.globalMatch(line))
            held.insert(m.captured(1).toLongLong());
    }
    return held;
}
