#pragma once

#include "db/RecordClaims.h"
#include "printing/LabelRow.h"
#include "printing/StripReprint.h"
#include "printing/StripRun.h"

#include <QString>
#include <optional>
#include <vector>

class LabelList;
class PplaApi;
class PrinterFeedback;
class PrintJournal;
class PrintProgress;
class StripJournal;
class TDMdata;
struct TLabelLayout;

// The one way to print: a station's data module, driver, printer feedback,
// print journal, claims in the label database and interface language, put
// together once. The window, vornell auto and vornell print-list print
// through it, and so does a reprint from the history, so every list run claims its records,
// journals its strips and asks the printer the same way.
class PrintStation {
public:
    // feedback and journal may be null (no printer feedback, no journal); a
    // station without a data module prints hand-typed strips only.
    PrintStation(TDMdata* dm, PplaApi& ppla, PrinterFeedback* feedback, StripJournal* journal,
                 QString name, int32_t codePage);

    const QString& name() const { return name_; }
    // Raises AppError for a station without a data module.
    RecordClaims& claims();
    StripJournal* journal() const { return journal_; }
    PrinterFeedback* feedback() const { return feedback_; }
    int32_t codePage() const { return codePage_; }
    void setFeedbackSettings(const FeedbackSettings& settings) { settings_ = settings; }

    // Prints the open list from its top (limit records at most when 0 or
    // more): each strip's records claimed, journaled, sent, confirmed as far
    // as the port can, then marked and released together.
    ListPrintResult printList(LabelList& list, const TLabelLayout& layout, LabelFormat format,
                              PrintProgress& progress, int limit = -1);
    // Prints hand-typed strips: journaled, nothing claimed or marked.
    ListPrintResult printTyped(const std::vector<LabelRow>& strips, const TLabelLayout& layout,
                               LabelFormat format, PrintProgress& progress);
    // Strips of any source (vornell print-list reads its file as it prints).
    ListPrintResult printStrips(StripSource& strips, const TLabelLayout& layout, LabelFormat format,
                                PrintProgress& progress);

    // A strip of the history printed again with the operator's reason,
    // journaled as a reprint in the journal that holds it and confirmed as
    // far as the port can.
    ReprintResult reprint(PrintJournal& journal, const JournalEntry& original,
                          const ReprintRequest& request);

    // At start: the claims this station left when it stopped with strips in
    // flight become held for a person. The records held by this station.
    QList<ClaimedRecord> holdLeftovers();
    // What a person is told of them (empty for none): which records, that
    // the journal cannot say what became of them when it is new, and what to
    // do.
    QString leftoversText(const QList<ClaimedRecord>& mine) const;

private:
    TDMdata* dm_;
    PplaApi& ppla_;
    PrinterFeedback* feedback_;
    StripJournal* journal_;
    QString name_;
    std::optional<RecordClaims> claims_;
    int32_t codePage_;
    FeedbackSettings settings_;
};
