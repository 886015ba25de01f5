#pragma once

#include "journal/JournalTypes.h"

#include <QList>
#include <QSet>
#include <QString>

#include <cstdint>

class ExecQuery;
class PrintJournal;
class StripJournal;

// The strips a crash, a fault or a failed mark left unfinished, as the
// "Unfinished strips" dialog lists them, and the operator's two answers.
// Until a strip is decided its records are held: no run prints them.

// One line of the dialog.
struct UnfinishedStrip {
    qint64 entry = 0;
    JournalEntry journaled;
    QString known; // what is known of it, in the operator's words
    QString line;  // time, port, label texts, what is known
};

// What is known of a strip in its present state: "sent, printer confirmed
// it", "sent, no confirmation", "printer fault while in flight: ...", or, for
// a strip the station was sending when it stopped, that it may or may not
// have come out.
QString knownOfStrip(const JournalEntry& entry, int32_t codePage);

// The unfinished strips, oldest first.
QList<UnfinishedStrip> unfinishedStrips(const PrintJournal& journal, int32_t codePage);

// "Mark printed": marks the records of each strip printed (SetPrintFlag,
// the way a run marks them) and journals it "marked". A hand-typed strip is
// only journaled. A failed mark raises AppError; the strips before it stay
// decided.
void markStripsPrinted(PrintJournal& journal, ExecQuery& qryEXEC, const QList<qint64>& entries);

// "Print again": the records stay unprinted, so that a later run prints
// them; each strip is journaled "released".
void releaseStrips(PrintJournal& journal, const QList<qint64>& entries);

// The status line's word on held records ("3 records held: see Unfinished
// strips"), empty when none.
QString heldRecordsText(int count, int32_t codePage);

// The status line's word on the station's journal: why it cannot be used, or
// the held records; empty when it is fine and holds none.
QString journalStatusText(const StripJournal& journal, int32_t codePage);
