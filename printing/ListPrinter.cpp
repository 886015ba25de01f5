#include "printing/ListPrinter.h"

#include "core/Text.h"
#include "db/LabelList.h"
#include "printing/PrintLabelRowJob.h"
#include "printing/PrintMarking.h"
#include "printing/PrintProgress.h"

QString printedLabelText(const QString& labelText) {
    return trimBlanks(labelText).left(54);
}

ListPrintResult PrintLabelList(const ListPrintContext& ctx, int limit) {
    ListPrintResult result;
    LabelList& list = ctx.list;
    const int records = limit >= 0 ? qMin(limit, list.count()) : list.count();
    if (!list.isOpen() || records == 0) {
        result.completed = true;
        return result;
    }
    struct EndProgress {
        PrintProgress& p;
        ~EndProgress() { p.end(); }
    } endProgress{ctx.progress};
    ctx.progress.begin(stripsFor(records));

    int next = 0;
    list.setCurrentRow(0);
    while (next < records && list.isOpen() && next < list.count()) {
        LabelRow row;
        for (LabelSlot& slot : row.labels) {
            if (next >= records)
                break;
            slot.id = list.value(next, LabelList::Iden_id).toLongLong();
            slot.text = printedLabelText(list.value(next, LabelList::LabelText).toString());
            ++next;
            list.setCurrentRow(qMin(next, list.count() - 1));
        }
        if (!PrintLabelRowJob(row, ctx.layout, ctx.format, ctx.ppla, &result.failure))
            return result;
        SetPrintFlag(ctx.qryEXEC, row.labels[0].id, row.labels[1].id, row.labels[2].id);
        ++result.stripsPrinted;
        if (!ctx.progress.advance(result.stripsPrinted) && next < records)
            return result;
    }
    result.completed = next >= records;
    return result;
}

ListPrintResult PrintHandTypedList(const std::vector<LabelRow>& strips, const TLabelLayout& layout,
                                   LabelFormat format, PplaApi& ppla, PrintProgress& progress) {
    ListPrintResult result;
    struct EndProgress {
        PrintProgress& p;
        ~EndProgress() { p.end(); }
    } endProgress{progress};
    progress.begin(int(strips.size()));
    for (const LabelRow& row : strips) {
        if (!PrintLabelRowJob(row, layout, format, ppla, &result.failure))
            return result;
        ++result.stripsPrinted;
        if (!progress.advance(result.stripsPrinted) && size_t(result.stripsPrinted) < strips.size())
            return result;
    }
    result.completed = true;
    return result;
}
