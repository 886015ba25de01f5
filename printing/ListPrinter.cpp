#include "printing/ListPrinter.h"

#include "core/AppError.h"
#include "core/TestAbort.h"
#include "core/Text.h"
#include "db/LabelList.h"
#include "db/StripClaim.h"
#include "printing/PrintMarking.h"
#include "printing/PrintProgress.h"
#include "printing/StripJournal.h"

#include <optional>
#include <utility>

QString printedLabelText(const QString& labelText) {
    return trimBlanks(labelText).left(54);
}

QString printedElsewhereText(int records, int32_t codePage) {
    if (codePage == 936)
        return QStringLiteral(u"%1 条记录已由另一台工作站打印").arg(records);
    return records == 1 ? QStringLiteral("1 record was printed by another station")
                        : QStringLiteral("%1 records were printed by another station").arg(records);
}

namespace {

struct EndProgress {
    PrintProgress& p;
    ~EndProgress() { p.end(); }
};

// The open list from its top, three records a strip; the current record
// follows the run. Held records (strips not yet decided) are passed over.
// With a claim, a strip's records are re-checked under it and those another
// station printed are passed over too, and counted; the strip is filled from
// the records after them. The claim is taken for the first strip handed out
// and given up once every strip handed out under it was marked (one strip at
// a time, or a group in flight), or when the run ends.
class ListStrips : public StripSource {
public:
    ListStrips(LabelList& list, ExecQuery& qryEXEC, int records, QSet<qint64> held,
               StripClaim* claim)
        : list_(list), qryEXEC_(qryEXEC), records_(records), held_(std::move(held)), claim_(claim) {
    }
    ~ListStrips() override {
        try {
            finish();
        } catch (const AppError&) {
            // The run is ending on an error of its own.
        }
    }

    LabelRow next() override {
        prepare();
        const LabelRow row = *prepared_;
        prepared_.reset();
        ++outstanding_;
        list_.setCurrentRow(qMin(next_, list_.count() - 1));
        return row;
    }
    bool more() const override { return prepare(); }
    bool complete() const override { return !prepared_ && next_ >= records_; }
    void printed(const LabelRow& row) override {
        SetPrintFlag(qryEXEC_, row.labels[0].id, row.labels[1].id, row.labels[2].id);
        for (const LabelSlot& slot : row.labels)
            if (slot.id != 0)
                marked_ << slot.id;
        if (--outstanding_ == 0)
            finish();
    }

    // Gives the claim up, keeping the marks made under it; a strip read under
    // it and not handed out is read again under the next one.
    void finish() {
        if (!claim_ || !claim_->held())
            return;
        if (prepared_) {
            prepared_.reset();
            next_ = preparedFrom_;
        }
        outstanding_ = 0;
        const QList<int64_t> marked = std::exchange(marked_, {});
        try {
            claim_->release(!marked.isEmpty());
        } catch (const AppError& e) {
            QStringList ids;
            for (int64_t id : marked)
                ids << QString::number(id);
            throw AppError(QStringLiteral("Labels were printed but could not be marked as "
                                          "printed (Iden_id %1). Printing stopped. %2")
                               .arg(ids.join(QStringLiteral(", ")), e.text()));
        }
    }
    int skipped() const { return skipped_; }

private:
    // Reads the next strip's records into prepared_; false at the end.
    bool prepare() const {
        if (prepared_)
            return true;
        const int end = qMin(records_, list_.count());
        if (!list_.isOpen() || next_ >= end)
            return false;
        if (claim_ && !claim_->held()) {
            claim_->claim();
            abortAt("claimed");
        }
        LabelRow row;
        int filled = 0;
        const int from = next_;
        while (filled < 3 && next_ < end) {
            QList<int64_t> window;
            for (int i = next_; i < qMin(next_ + kRecheckWindow, end); ++i)
                window << id(i);
            const QSet<int64_t> elsewhere = claim_ ? claim_->printedAmong(window) : QSet<int64_t>{};
            for (int64_t candidate : window) {
                if (filled == 3)
                    break;
                if (elsewhere.contains(candidate)) {
                    ++skipped_;
                } else if (!held_.contains(candidate)) {
                    row.labels[filled].id = candidate;
                    row.labels[filled].text =
                        printedLabelText(list_.value(next_, LabelList::LabelText).toString());
                    ++filled;
                }
                ++next_;
            }
        }
        if (filled == 0)
            return false;
        prepared_ = row;
        preparedFrom_ = from;
        return true;
    }
    int64_t id(int row) const { return list_.value(row, LabelList::Iden_id).toLongLong(); }

    // Records re-checked with one statement.
    static constexpr int kRecheckWindow = 24;

    LabelList& list_;
    ExecQuery& qryEXEC_;
    int records_; // list records the run reads at most
    QSet<qint64> held_;
    StripClaim* claim_;
    mutable int next_ = 0; // the list's next record to read
    mutable int skipped_ = 0;
    mutable std::optional<LabelRow> prepared_;
    mutable int preparedFrom_ = 0;
    int outstanding_ = 0; // strips handed out under the claim, not yet marked
    QList<int64_t> marked_;
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
    ListStrips strips(list, ctx.qryEXEC, records, held, ctx.claim);
    ListPrintResult result = runStrips(strips, ctx.layout, ctx.format, ctx.ppla, ctx.progress,
                                       feedback, settings, journal);
    strips.finish();
    result.printedElsewhere = strips.skipped();
    return result;
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
