// The hand-typed list: every item between separators lands in one slot, in
// order, none holding a comma; only empty slots follow the last item.
#include "FuzzCheck.h"
#include "printing/ManualList.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString list = normaliseManualList(text);
    const std::vector<LabelRow> strips = manualListStrips(text);
    QStringList texts;
    for (const LabelRow& row : strips)
        for (const LabelSlot& slot : row.labels) {
            FUZZ_CHECK(!slot.text.contains(QLatin1Char(',')));
            FUZZ_CHECK(slot.id == 0);
            texts << slot.text;
        }
    const QString joined = texts.join(QLatin1Char(','));
    // A separator at the very end adds no strip, so no slot follows it.
    // (Compared by hand: a null string does not start with an empty one.)
    const auto startsWith = [](const QString& s, const QString& head) {
        return s.size() >= head.size() && QStringView(s).left(head.size()) == head;
    };
    QString items = list;
    if (!startsWith(joined, items) && items.endsWith(QLatin1Char(',')))
        items.chop(1);
    FUZZ_CHECK(startsWith(joined, items));
    for (QChar c : QStringView(joined).mid(items.size()))
        FUZZ_CHECK(c == QLatin1Char(','));
    FUZZ_CHECK(list.isEmpty() == strips.empty());
    // The last strip holds at least one character of the list or one item.
    if (!strips.empty())
        FUZZ_CHECK(joined.size() - list.size() <= 2);
    return 0;
}
