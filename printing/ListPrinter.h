#pragma once

#include "printing/LabelRow.h"

#include <QString>
#include <vector>

class ExecQuery;
class LabelList;
class PplaApi;
class PrintProgress;
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
};

// How a run ended.
struct ListPrintResult {
    int stripsPrinted = 0; // printed and marked
    bool completed = false;
    // Why the run ended early, in the operator's words; empty when it printed
    // everything or the operator stopped it.
    QString failure;
};

// PrintLabelList: prints the open list from its first record, three records
// per strip in list order, and marks each strip's records printed before the
// next strip is read; the list's current record follows the run. limit, when
// 0 or more, prints only that many records from the top. The run ends at the
// first strip that did not reach the printer or holds a field the printer
// refuses (nothing of it marked, the reason in the result), when the
// operator stops it (after the strip in hand, which is marked), or when a
// marking fails (AppError naming the unmarked records).
ListPrintResult PrintLabelList(const ListPrintContext& ctx, int limit = -1);

// Prints hand-typed strips in order, without any database access. Ends at the
// first strip that did not reach the printer (the reason in the result) or
// when the operator stops it after the strip in hand.
ListPrintResult PrintHandTypedList(const std::vector<LabelRow>& strips, const TLabelLayout& layout,
                                   LabelFormat format, PplaApi& ppla, PrintProgress& progress);
