#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What the print journal knows of a strip, step by step. A strip's state is
// the last one noted for it.
enum class StripState {
    Sending,   // on disk before the first byte went out: may or may not have come out
    Sent,      // the printer took every byte
    Confirmed, // the printer reported it finished without a fault
    Marked,    // its records were marked printed in the database
    Failed,    // it ended before any of it went out: nothing came out
    Uncertain, // bytes went out, then a fault: not known whether it came out
    Released,  // the operator chose "Print again": its records print in a later run
};

// The word stored for a state: "sending", "sent", "confirmed", "marked",
// "failed", "uncertain", "released".
QString stateName(StripState state);
std::optional<StripState> stateFromName(const QString& name);

// Where a strip came from.
enum class EntryKind {
    List,      // records of the label list: marked printed once they came out
    HandTyped, // texts typed by hand: nothing to mark, "sent" or "confirmed" ends it
    Reprint,   // records printed again on purpose (with a reason): nothing to mark
    // A person's decision on records only the label database held (another
    // station's strip, or one whose journal was lost): nothing was sent.
    Decision,
};

QString kindName(EntryKind kind); // "list", "typed", "reprint", "decision"

// One label of a strip: the record's Iden_id (0 for a hand-typed text) and
// the text printed.
struct JournalRecord {
    qint64 idenId = 0;
    QString text;
};

// What is written when a strip is about to be sent.
struct NewStrip {
    EntryKind kind = EntryKind::List;
    QString port;                 // the layout's port name, e.g. "USB1"
    QString device;               // what the port reaches, e.g. "file:/tmp/out.ppla"
    QString database;             // where the records live (never a login)
    QString planJson;             // the strip's plan, as the printing layer wrote it
    QList<JournalRecord> records; // the labels, left to right, empty slots left out
    qint64 reprintOf = 0;         // Reprint: the entry printed again
    QString reason;               // Reprint: why
};

// One step noted for a strip.
struct JournalEvent {
    StripState state = StripState::Sending;
    QDateTime at;   // local time
    QString reason; // Failed, Uncertain, Released and the like: why, in the operator's words
    QString sha256; // Sent and later: the hex SHA-256 of the bytes sent (empty when unknown)
};

// A strip as the journal holds it.
struct JournalEntry {
    qint64 id = 0;
    EntryKind kind = EntryKind::List;
    QDateTime created; // local time of its "sending"
    QString port;
    QString device;
    QString database;
    QString planJson;
    QList<JournalRecord> records;
    qint64 reprintOf = 0;
    QString reprintReason;
    QList<JournalEvent> events; // oldest first; never empty
    // What proves it came out: "confirmed" (an answer of the printer after
    // it), "delivered" (the device took every byte; the port has no
    // answers), "network" (a TCP peer acknowledged the bytes); empty until
    // it is known.
    QString evidence;
    StripState state() const { return events.last().state; }
    // Whether a person still has to decide about it (see PrintJournal::unfinished).
    bool undecided = false;
    // The hex SHA-256 of the bytes sent, from the last event that has one.
    QString sha256() const;
    // Whether the printer confirmed the strip at some step.
    bool wasConfirmed() const;
};

// What the history lists: every condition given must hold.
struct JournalFilter {
    QString textPart;                // part of one of the strip's label texts
    QDateTime from;                  // created at or after (invalid: any)
    QDateTime to;                    // created before (invalid: any)
    std::optional<StripState> state; // its present state
    int limit = 1000;                // newest first, at most this many
};
