#pragma once

#include "journal/JournalTypes.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class QSqlDatabase;

// The print journal: the station's own append-only SQLite file (WAL, a
// connection of its own) in which every strip is written, on the disk, before
// its first byte goes out, and each later step of it is added as it happens.
// After a crash it tells which strips may have printed without being marked;
// the history window reads it.
//
// Tables: entries (one row a strip: kind, time, port, device, database, plan
// JSON, reprint reason), records (its labels' Iden_ids and texts), events
// (each state with its time, reason and byte hash) and undecided (the strips
// a person still has to decide about; a row leaves when the strip reaches a
// final state). Rows of entries, records and events are never changed.
//
// Every method raises AppError naming the file and the reason when the file
// cannot be read or written: "Print journal /path/vornell-journal.db: cannot
// be written (database or disk is full)". A caller that gets it must not send
// the strip.
class PrintJournal {
public:
    PrintJournal();
    ~PrintJournal();
    PrintJournal(const PrintJournal&) = delete;
    PrintJournal& operator=(const PrintJournal&) = delete;

    // Opens the file, making it and its tables when missing, and removes the
    // entries created more than keepDays days ago that nobody has to decide
    // about any more. Raises AppError when the file cannot be opened, read or
    // written (read-only, full disk, not a journal).
    void open(const QString& path, int keepDays = 90);
    bool isOpen() const;
    const QString& path() const { return path_; }

    // Writes a strip with its state "sending", durably, and returns its id.
    qint64 begin(const NewStrip& strip);
    // A strip printed again on purpose from the history: an entry of kind
    // Reprint pointing at the one printed again, with the reason.
    qint64 beginReprint(qint64 reprintOf, const QString& reason, NewStrip strip);
    // Adds a step: its state, the reason (for Failed, Uncertain, Released)
    // and, once the bytes are known, their hex SHA-256. On return the file
    // holds it, so a crash of the process does not lose it; it reaches the
    // disk (safe from a power cut) with the next begin() or flush(). Waiting
    // for the disk here would cost two more syncs a strip.
    // evidence, when given, is what proves the strip came out (confirmed,
    // delivered, network), kept with it.
    void note(qint64 entry, StripState state, const QString& reason = {},
              const QString& sha256 = {}, const QString& evidence = {});
    // Whether the printer behind device has ever answered a status request,
    // and noting that it has.
    bool hasAnswered(const QString& device) const;
    void noteAnswered(const QString& device);
    // Brings every step noted so far to the disk; a run calls it at its end.
    void flush();

    // Strips a person has to decide about, oldest first: the label list's
    // strips in "sending", "sent", "confirmed" or "uncertain", and other
    // strips in "sending" or "uncertain" (for them "sent" and "confirmed" are
    // final: nothing is marked).
    QList<JournalEntry> unfinished() const;
    // The Iden_ids of the unfinished strips: no run prints them until decided.
    QSet<qint64> heldIds() const;
    // The history: entries matching the filter, newest first.
    QList<JournalEntry> entries(const JournalFilter& filter) const;
    std::optional<JournalEntry> entry(qint64 id) const;

    // The entries removed by the last open.
    int prunedAtOpen() const { return pruned_; }
    // Whether the last open found no journal (a missing or empty file) and
    // made a new one: it knows nothing of strips printed before.
    bool madeAtOpen() const { return madeAtOpen_; }

private:
    QSqlDatabase db() const;
    [[noreturn]] void fail(const QString& what, const QString& reason) const;
    QList<JournalEntry> load(const QString& where, const QVariantList& bindings,
                             const QString& order, int limit = -1) const;
    void exec(const QString& sql, const QVariantList& bindings = {}) const;
    void waitForDisk(bool wait);
    EntryKind kindOf(qint64 entry);

    QString path_;
    QString connection_;
    int pruned_ = 0;
    bool madeAtOpen_ = false;
    bool synced_ = true;   // commits wait for the disk (synchronous=FULL)
    bool pending_ = false; // steps the file holds that may not be on the disk
    // The kind of each strip begun here and not yet final: note() needs it.
    QHash<qint64, EntryKind> kinds_;
    struct Statements;
    std::unique_ptr<Statements> st_;
};
