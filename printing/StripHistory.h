#pragma once

#include "journal/JournalTypes.h"

#include <QDate>
#include <QList>
#include <QProcessEnvironment>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class PrintJournal;
class StripPreviewer;
struct StripPlan;
struct StripPreviewResult;

// The history of printed strips as the History window shows it: finding
// journal entries, the line of each, and the picture of a strip drawn from
// the plan the journal holds.

// The station's journal opened for the history: VORNELL_JOURNAL, else
// vornell-journal.db in dir (the settings file's folder), keeping
// VORNELL_JOURNAL_DAYS days. Raises AppError naming the file and the reason.
std::unique_ptr<PrintJournal> openHistoryJournal(const QProcessEnvironment& env,
                                                 const QString& dir);

// What the operator searches by; every condition given must hold.
struct HistorySearch {
    QString textPart;                // part of one of the strip's label texts
    QDate from;                      // the first day (invalid: any)
    QDate to;                        // the last day, taken whole (invalid: any)
    std::optional<StripState> state; // its present state (none: any)
};

// The journal's filter for a search: blanks around the text are dropped, the
// last day runs to midnight.
JournalFilter historyFilter(const HistorySearch& search);

// The entries found, newest first.
QList<JournalEntry> findStrips(const PrintJournal& journal, const HistorySearch& search);

// The states the state choice offers after "any", in the order a strip
// passes them.
QList<StripState> historyStates();

// The words the window shows; Chinese under code page 936, else English.
QString stateText(StripState state, int32_t codePage);
QString kindText(EntryKind kind, int32_t codePage);
QString anyStateText(int32_t codePage);

// One line of the list.
struct HistoryLine {
    QString time; // yyyy-MM-dd HH:mm:ss
    QString kind;
    QString port;
    QString labels; // the label texts, left to right
    QString state;
    // What proves the strip came out: confirmed by the printer, taken by a
    // port that cannot answer, or a network acknowledgement only.
    QString evidence;
    // Why: a reprint's reason, else the reason of the latest step that has one
    // (a failure, a fault).
    QString reason;
};

// The journal's evidence word ("confirmed", "delivered", "network") for the
// operator; another word as it stands.
QString evidenceText(const QString& evidence, int32_t codePage);

HistoryLine historyLine(const JournalEntry& entry, int32_t codePage);

// What can be printed again of an entry: the whole strip (column -1), then
// each label that holds a text ("Label 2: VA000002").
struct ReprintChoice {
    QString text;
    int column = -1;
};
QList<ReprintChoice> reprintChoices(const JournalEntry& entry, int32_t codePage);

// The plan the entry was printed from. Raises AppError when it cannot be read.
StripPlan journaledPlan(const JournalEntry& entry);

// The strip as it was printed, drawn by the virtual printer from its plan.
StripPreviewResult journaledPicture(StripPreviewer& previewer, const JournalEntry& entry);
