#include "printing/ManualList.h"

QString normaliseManualList(const QString& text) {
    static const QString separators[] = {
        QString::fromUtf8("，"), QStringLiteral("\r\n"), QStringLiteral("\n\r"),
        QStringLiteral("\r"),    QStringLiteral("\n"),   QStringLiteral(";"),
        QString::fromUtf8("；"), QStringLiteral("\\"),   QStringLiteral("/"),
    };
    QString out = text;
    for (const QString& s : separators)
        out.replace(s, QStringLiteral(","));
    return out;
}

std::vector<LabelRow> manualListStrips(const QString& text) {
    const QString list = normaliseManualList(text);
    std::vector<LabelRow> strips;
    qsizetype pos = 0; // start of the remaining text
    const qsizetype end = list.size();
    while (pos < end) {
        LabelRow& row = strips.emplace_back();
        for (LabelSlot& slot : row.labels) {
            if (pos >= end)
                break; // the remaining text is empty: the next items are empty
            const qsizetype comma = list.indexOf(QLatin1Char(','), pos);
            if (comma < 0) {
                slot.text = list.mid(pos);
                pos = end;
            } else {
                slot.text = list.mid(pos, comma - pos);
                pos = comma + 1;
            }
        }
    }
    return strips;
}
