#include "printing/ListPrinter.h"

#include "core/Text.h"
#include "db/LabelList.h"
#include "printing/PrintMarking.h"
#include "printing/PrintProgress.h"
#include "printing/StripJournal.h"

QString printedLabelText(const QString& labelText) {
    return trimBlanks(labelText).left(54);
}

namespace {

struct EndProgress {
    PrintProgress& p;
    ~EndProgress() { p.end(); }
};

// The open list from its top, three records a strip; the current record
// follows the run. Held records (strips not yet decided) are passed over.
class ListStrips : public StripSource {
public:
    ListStrips(LabelList& list, ExecQuery& qryEXEC, int records, QSet<qint64> held)
        : list_(list), qryEXEC_(qryEXEC), records_(records), held_(std::move(held)) {
        skipHeld();
    }

    LabelRow next() override {
        LabelRow row;
        for (LabelSlot& slot : row.labels) {
            if (next_ >= records_)
                break;
            slot.id = list_.value(next_, LabelList::Iden_id).toLongLong();
            slot.text = printedLabelText(list_.value(next_, LabelList::LabelText).toString());
            ++next_;
            skipHeld();
            list_.setCurrentRow(qMin(next_, list_.count() - 1));
        }
        return row;
    }
    bool more() const override {
        return next_ < records_ && list_.isOpen() && next_ < list_.count();
    }
    bool complete() const override { return next_ >= records_; }
    void printed(const LabelRow& row) override {
        SetPrintFlag(qryEXEC_, row.labels[0].id, row.labels[1].id, row.labels[2].id);
    }

private:
    void skipHeld() {
        while (!held_.isEmpty() && next_ < records_ && next_ < list_.count() &&
               held_.contains(list_.value(next_, LabelList::Iden_id).toLongLong()))
            ++next_;
    }

    LabelList& list_;
    ExecQuery& qryEXEC_;
    int records_;
    QSet<qint64> held_;
    int next_ = 0;
};

class HandTypedStrips : public StripSource {
public:
    explicit HandTypedStrips(const std::vector<LabelRow>& strips) : strips_(strips) {}
    LabelRow next() override { return strips_[next_++]; }
    bool more() const override { return next_ < strips_.size(); }
    bool complete() const override { return !more(); }
    void printed(const LabelRow&) override {}

private:
    const std::vector<LabelRow>& strips_;
    size_t next_ = 0;
};

} // namespace

ListPrintResult PrintLabelList(const ListPrintContext& ctx, int limit, PrinterFeedback* feedback,
                               const FeedbackSettings& settings, StripJournal* journal) {
    LabelList& list = ctx.list;
    const int records = limit >= 0 ? qMin(limit, list.count()) : list.count();
    if (!list.isOpen() || records == 0) {
        ListPrintResult result;
        result.completed = true;
        return result;
    }
    const QSet<qint64> held = journal ? journal->held() : QSet<qint64>();
    int heldHere = 0;
    for (int i = 0; !held.isEmpty() && i < records; ++i)
        heldHere += held.contains(list.value(i, LabelList::Iden_id).toLongLong()) ? 1 : 0;
    EndProgress endProgress{ctx.progress};
    ctx.progress.begin(stripsFor(records - heldHere));
    list.setCurrentRow(0);
    ListStrips strips(list, ctx.qryEXEC, records, held);
    return runStrips(strips, ctx.layout, ctx.format, ctx.ppla, ctx.progress, feedback, settings,
                     journal);
}

ListPrintResult printHandTypedList(const std::vector<LabelRow>& strips, const TLabelLayout& layout,
                                   LabelFormat format, PplaApi& ppla, PrintProgress& progress,
                                   PrinterFeedback* feedback, const FeedbackSettings& settings,
                                   StripJournal* journal) {
    EndProgress endProgress{progress};
    progress.begin(int(strips.size()));
    HandTypedStrips source(strips);
    return runStrips(source, layout, format, ppla, progress, feedback, settings, journal);
}
