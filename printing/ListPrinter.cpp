#include "printing/ListPrinter.h"

#include "core/Text.h"
#include "db/LabelList.h"
#include "printing/PrintMarking.h"
#include "printing/PrintProgress.h"

QString printedLabelText(const QString& labelText) {
    return trimBlanks(labelText).left(54);
}

namespace {

struct EndProgress {
    PrintProgress& p;
    ~EndProgress() { p.end(); }
};

// The open list from its top, three records a strip; the current record
// follows the run.
class ListStrips : public StripSource {
public:
    ListStrips(LabelList& list, ExecQuery& qryEXEC, int records)
        : list_(list), qryEXEC_(qryEXEC), records_(records) {}

    LabelRow next() override {
        LabelRow row;
        for (LabelSlot& slot : row.labels) {
            if (next_ >= records_)
                break;
            slot.id = list_.value(next_, LabelList::Iden_id).toLongLong();
            slot.text = printedLabelText(list_.value(next_, LabelList::LabelText).toString());
            ++next_;
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
    LabelList& list_;
    ExecQuery& qryEXEC_;
    int records_;
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
                               const FeedbackSettings& settings) {
    LabelList& list = ctx.list;
    const int records = limit >= 0 ? qMin(limit, list.count()) : list.count();
    if (!list.isOpen() || records == 0) {
        ListPrintResult result;
        result.completed = true;
        return result;
    }
    EndProgress endProgress{ctx.progress};
    ctx.progress.begin(stripsFor(records));
    list.setCurrentRow(0);
    ListStrips strips(list, ctx.qryEXEC, records);
    return runStrips(strips, ctx.layout, ctx.format, ctx.ppla, ctx.progress, feedback, settings);
}

ListPrintResult printHandTypedList(const std::vector<LabelRow>& strips, const TLabelLayout& layout,
                                   LabelFormat format, PplaApi& ppla, PrintProgress& progress,
                                   PrinterFeedback* feedback, const FeedbackSettings& settings) {
    EndProgress endProgress{progress};
    progress.begin(int(strips.size()));
    HandTypedStrips source(strips);
    return runStrips(source, layout, format, ppla, progress, feedback, settings);
}
