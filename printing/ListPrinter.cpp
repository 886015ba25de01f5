#include "printing/ListPrinter.h"

#include "core/AppError.h"
#include "core/TestAbort.h"
#include "core/Text.h"
#include "db/LabelList.h"
#include "db/RecordClaims.h"
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
// follows the run. Held records (strips the journal holds undecided) are
// passed over. Each strip's records are claimed in the label database before
// it goes out (RecordClaims); records another station printed, claimed or
// holds are passed over and counted, and the strip is filled from the records
// after them. A strip that came out is marked and released in one
// transaction; one that did not go out gives its records back; one that may
// have come out keeps them, held for a person.
class ListStrips : public StripSource {
public:
    ListStrips(LabelList& list, RecordClaims& claims, int records, QSet<qint64> held)
        : list_(list), claims_(claims), records_(records), held_(std::move(held)) {}
    ~ListStrips() override { finish(); }

    LabelRow next() override {
        prepare();
        const LabelRow row = prepared_->row;
        for (const LabelSlot& slot : row.labels)
            if (slot.id != 0)
                keyOf_.insert(slot.id, prepared_->key);
        prepared_.reset();
        list_.setCurrentRow(qMin(next_, list_.count() - 1));
        return row;
    }
    bool more() const override { return prepare(); }
    bool complete() const override { return !prepared_ && next_ >= records_; }
    void printed(const LabelRow& row) override {
        const QList<int64_t> ids = idsOf(row);
        const QString key = keyOf_.value(ids.value(0));
        try {
            claims_.markAndRelease(ids, key);
        } catch (const AppError& e) {
            forget(ids);
            // Its records stay claimed, so no station prints them again.
            const QString text = markingFailedText(ids, e.text());
            try {
                claims_.hold(ids, key, text);
            } catch (const AppError&) {
            }
            throw AppError(text);
        }
        abortAt("released");
        forget(ids);
    }
    void notPrinted(const LabelRow& row, bool mayHaveComeOut, const QString& reason) override {
        const QList<int64_t> ids = idsOf(row);
        if (ids.isEmpty())
            return;
        const QString key = keyOf_.value(ids.first());
        forget(ids);
        // When this fails the claims stay as they are: the records are
        // printed by no station until a person decides.
        try {
            if (mayHaveComeOut)
                claims_.hold(ids, key, reason);
            else
                claims_.release(ids, key);
        } catch (const AppError&) {
        }
    }

    // A strip claimed and not handed out gives its records back.
    void finish() {
        if (!prepared_)
            return;
        const Prepared p = *prepared_;
        prepared_.reset();
        next_ = p.from;
        try {
            claims_.release(idsOf(p.row), p.key);
        } catch (const AppError&) {
        }
    }
    int skipped() const { return skipped_; }
    int claimedElsewhere() const { return elsewhere_; }

private:
    struct Prepared {
        LabelRow row;
        QString key;
        int from = 0;
    };

    static QList<int64_t> idsOf(const LabelRow& row) {
        QList<int64_t> ids;
        for (const LabelSlot& slot : row.labels)
            if (slot.id != 0)
                ids << slot.id;
        return ids;
    }
    void forget(const QList<int64_t>& ids) {
        for (int64_t id : ids)
            keyOf_.remove(id);
    }

    // Claims the next strip's records into prepared_; false at the end.
    bool prepare() const {
        if (prepared_)
            return true;
        const int end = qMin(records_, list_.count());
        if (!list_.isOpen() || next_ >= end)
            return false;
        Prepared p;
        p.key = RecordClaims::newStripKey();
        p.from = next_;
        int filled = 0;
        while (filled < 3 && next_ < end) {
            QList<int64_t> window;
            QList<int> rows;
            for (; window.size() < 3 - filled && next_ < end; ++next_) {
                const int64_t candidate = id(next_);
                if (held_.contains(candidate))
                    continue;
                window << candidate;
                rows << next_;
            }
            if (window.isEmpty())
                continue;
            const ClaimOutcome got = claims_.take(window, p.key);
            skipped_ += int(got.printed.size());
            elsewhere_ += int(got.elsewhere.size());
            for (qsizetype i = 0; i < window.size(); ++i)
                if (got.claimed.contains(window[i])) {
                    p.row.labels[filled].id = window[i];
                    p.row.labels[filled].text =
                        printedLabelText(list_.value(rows[i], LabelList::LabelText).toString());
                    ++filled;
                }
        }
        if (filled == 0)
            return false;
        abortAt("claimed");
        prepared_ = p;
        return true;
    }
    int64_t id(int row) const { return list_.value(row, LabelList::Iden_id).toLongLong(); }

    LabelList& list_;
    RecordClaims& claims_;
    int records_; // list records the run reads at most
    QSet<qint64> held_;
    mutable int next_ = 0; // the list's next record to read
    mutable int skipped_ = 0;
    mutable int elsewhere_ = 0;
    mutable std::optional<Prepared> prepared_;
    QHash<int64_t, QString> keyOf_; // the strip key of each record handed out
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
    ListStrips strips(list, ctx.claims, records, held);
    ListPrintResult result = runStrips(strips, ctx.layout, ctx.format, ctx.ppla, ctx.progress,
                                       feedback, settings, journal);
    strips.finish();
    result.printedElsewhere = strips.skipped();
    result.claimedElsewhere = strips.claimedElsewhere();
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
