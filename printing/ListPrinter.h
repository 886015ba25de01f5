#pragma once

#include "printing/LabelRow.h"
#include "printing/StripRun.h"

#include <QString>
#include <vector>

class ExecQuery;
class LabelList;
class RecordClaims;
class PplaApi;
class PrinterFeedback;
class PrintProgress;
class StripJournal;
struct TLabelLayout;

// The label text printed for a record: its LabelText without surrounding
// blanks and control characters, cut to 54 characters.
QString printedLabelText(const QString& labelText);

// The number of strips that print count records.
inline int stripsFor(int records) {
    return (records + 2) / 3;
}

// Everything one list print needs.
struct ListPrintContext {
    LabelList& list;
    ExecQuery& qryEXEC;
    PplaApi& ppla;
    const TLabelLayout& layout;
    LabelFormat format;
    PrintProgress& progress;
    // The claims in the label database: no other station prints a record
    // this run claimed, and none is printed twice without a person deciding.
    RecordClaims& claims;
};

// The end-of-run note on records skipped because another station printed
// them: "12 records were printed by another station" (codePage 936: Chinese).
QString printedElsewhereText(int records, int32_t codePage);

// PrintLabelList: prints the open list from its first record, three records
// per strip in list order, and marks each strip's records printed before the
// next strip is read; the list's current record follows the run. limit, when
// 0 or more, prints only that many records from the top. The run ends at the
// first strip that did not reach the printer or holds a field the printer
// refuses (nothing of it marked, the reason in the result), when the
// operator stops it (after the strip in hand, which is marked), or when a
// marking fails (AppError naming the unmarked records).
//
// Each strip's records are claimed (db/RecordClaims.h) before it goes out:
// records marked printed by then are passed over and counted
// (ListPrintResult::printedElsewhere), as are records another strip claims
// or holds (claimedElsewhere); the strip is filled from the records after
// them. A claim statement that fails raises AppError. A strip that came out
// is marked and released in one transaction; one that may have come out
// stays claimed, held for a person.
//
// With feedback, a strip's records are marked only once the printer has
// finished it without a fault (see runStrips); strips not known to have come
// out are left unmarked and listed in the result's uncertain strips.
//
// With a journal, every strip is journaled (see runStrips) and the records of
// strips not yet decided after a crash or a fault are passed over.
ListPrintResult PrintLabelList(const ListPrintContext& ctx, int limit = -1,
                               PrinterFeedback* feedback = nullptr,
                               const FeedbackSettings& settings = {},
                               StripJournal* journal = nullptr);

// Prints hand-typed strips in order, without any database access. Ends at the
// first strip that did not reach the printer (the reason in the result) or
// when the operator stops it after the strip in hand.
ListPrintResult printHandTypedList(const std::vector<LabelRow>& strips, const TLabelLayout& layout,
                                   LabelFormat format, PplaApi& ppla, PrintProgress& progress,
                                   PrinterFeedback* feedback = nullptr,
                                   const FeedbackSettings& settings = {},
                                   StripJournal* journal = nullptr);
