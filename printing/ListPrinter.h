#pragma once

#include "printing/LabelRow.h"

#include <QString>

class ExecQuery;
class LabelList;
class PplaApi;
class PrintProgress;
class Prompts;
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
    Prompts& prompts;
    const TLabelLayout& layout;
    LabelFormat format;
    PrintProgress& progress;
};

// How a run ended.
struct ListPrintResult {
    int stripsPrinted = 0; // printed and marked
    bool completed = false;
};

// PrintLabelList: prints the open list from its first record, three records
// per strip in list order, and marks each strip's records printed before the
// next strip is read; the list's current record follows the run. limit, when
// 0 or more, prints only that many records from the top. The run ends at the
// first strip that did not reach the printer (nothing of it marked), when the
// operator stops it (after the strip in hand, which is marked), or when a
// marking fails (AppError naming the unmarked records).
ListPrintResult PrintLabelList(const ListPrintContext& ctx, int limit = -1);
