#pragma once

#include "journal/JournalTypes.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>

class ExecQuery;
class RecordClaims;
class PrintJournal;
class StripJournal;

// The strips a crash, a fault or a failed mark left unfinished, as the
// "Unfinished strips" dialog lists them, and the operator's two answers.
// Until a strip is decided its records are held: no run prints them.

// One line of the dialog.
struct UnfinishedStrip {
    qint64 entry = 0; // the journal's entry; 0: a strip only the database holds
    JournalEntry journaled;
    QList<qint64> ids; // a strip the database holds: its records
    QStringList texts; // and their label texts
    QString station;   // and the station that holds it
    QString known;     // what is known of it, in the operator's words
    QString line;      // time, port (or station), label texts, what is known
};

// What is known of a strip in its present state: "sent, printer confirmed
// it", "sent, no confirmation", "printer fault while in flight: ...", or, for
// a strip the station was sending when it stopped, that it may or may not
// have come out.
QString knownOfStrip(const JournalEntry& entry, int32_t codePage);

// The unfinished strips of the journal, oldest first.
QList<UnfinishedStrip> unfinishedStrips(const PrintJournal& journal, int32_t codePage);
// Those of the journal (when there is one), then the strips the label
// database holds for a person that the journal does not list: any station's,
// and this station's own when its journal lost them.
QList<UnfinishedStrip> unfinishedStrips(const PrintJournal* journal, RecordClaims& claims,
                                        int32_t codePage);

// "Mark printed": marks the records of each strip printed (the marking
// statement of a run) and releases their claims in the same transaction,
// then journals it "marked". A hand-typed strip is only journaled. A failed
// mark raises AppError; the strips before it stay decided.
// note: what the journal keeps of the decision (who and why); empty: the
// window's "marked printed by the operator" / "to be printed again".
void markStripsPrinted(PrintJournal& journal, RecordClaims& claims, const QList<qint64>& entries,
                       const QString& note = {});

// "Print again": the records stay unprinted and their claims are released,
// so that a later run prints them; each strip is journaled "released".
void releaseStrips(PrintJournal& journal, const QList<qint64>& entries,
                   RecordClaims* claims = nullptr, const QString& note = {});

// The same two decisions for strips of either kind.
void decideStrips(PrintJournal* journal, RecordClaims& claims, const QList<UnfinishedStrip>& strips,
                  bool markPrinted, const QString& note = {});

// The status line's word on held records ("3 records held: see Unfinished
// strips"), empty when none.
QString heldRecordsText(int count, int32_t codePage);

// The status line's word on the station's journal: why it cannot be used, or
// the held records; empty when it is fine and holds none.
QString journalStatusText(const StripJournal& journal, int32_t codePage);
// The same with the records the label database holds at any station counted
// in (journal may be null).
QString heldStatusText(const StripJournal* journal, RecordClaims& claims, int32_t codePage);
