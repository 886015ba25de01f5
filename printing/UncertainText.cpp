#include "printing/UncertainText.h"

#include <QStringList>

QString uncertainRecords(const QList<UncertainStrip>& strips) {
    QStringList out;
    for (const UncertainStrip& s : strips)
        for (const LabelSlot& slot : s.row.labels) {
            if (slot.id != 0)
                out << QStringLiteral("%1 (Iden_id %2)").arg(slot.text).arg(slot.id);
            else if (!slot.text.isEmpty())
                out << slot.text;
        }
    return out.join(QStringLiteral(", "));
}

QString withUncertain(const QString& text, const QList<UncertainStrip>& uncertain, bool chinese) {
    if (uncertain.isEmpty())
        return text;
    bool records = false;
    for (const UncertainStrip& s : uncertain)
        for (const LabelSlot& slot : s.row.labels)
            records = records || slot.id != 0;
    if (!records) // hand-typed strips: nothing to mark
        return (chinese ? QStringLiteral(u"%1。无法确定以下标签是否已打出：%2")
                        : QStringLiteral("%1. Not known whether these labels came out: %2"))
            .arg(text, uncertainRecords(uncertain));
    return (chinese ? QStringLiteral(u"%1。以下记录未标记为已打印，无法确定标签是否已打出：%2")
                    : QStringLiteral("%1. Not marked printed, not known whether their labels "
                                     "came out: %2"))
        .arg(text, uncertainRecords(uncertain));
}
