#pragma once

#include "journal/JournalTypes.h"
#include "printing/StripRun.h"

#include <QString>

#include <cstdint>
#include <optional>

class PplaApi;
class PrintJournal;
class PrinterFeedback;
struct StripPlan;

// Printing a strip of the history again, on purpose and with a reason. The
// strip is the plan the journal holds (not what today's layout would make of
// its records), sent to the layout's port of now through the one-strip print
// job. It is journaled as a reprint of its entry with the reason; nothing in
// the label database changes: its records keep their mark and print time.

// The plan to print again: the journaled plan on portName; with a column
// (0, 1, 2), a strip holding only that label, in its own column.
StripPlan reprintPlan(const JournalEntry& original, const QString& portName,
                      std::optional<int> column);

struct ReprintRequest {
    QString portName;          // the layout's port
    std::optional<int> column; // one label only; none: the whole strip
    QString reason;            // why, in the operator's words; required
    int32_t codePage = 437;    // the language of the messages
};

struct ReprintResult {
    qint64 entry = 0;                       // the reprint's journal entry
    QString port;                           // where it went
    QString labels;                         // the label texts printed, left to right
    bool printed = false;                   // the printer took it (and confirmed it, where asked)
    StripState state = StripState::Sending; // the last step journaled
    QString failure;                        // why not, in the operator's words
};

// Prints the strip again and journals it: "sending" (kind reprint, with the
// reason) before its first byte, then "sent" with the hash of its bytes,
// "confirmed" where the printer can answer, or "failed" / "uncertain" with
// why. A reason of blanks only, a column without a label and a strip of an
// unreadable plan raise AppError before anything is written or sent; so does
// a journal that cannot be written.
ReprintResult reprintStrip(PrintJournal& journal, PplaApi& ppla, const JournalEntry& original,
                           const ReprintRequest& request, PrinterFeedback* feedback = nullptr,
                           const FeedbackSettings& settings = {});

// What the operator is told once it ended: "Printed again on USB1: VA000001,
// VA000002." or the failure.
QString reprintResultText(const ReprintResult& result, int32_t codePage);
