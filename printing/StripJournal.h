#pragma once

#include "journal/JournalTypes.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QSet>
#include <QString>

#include <memory>

class PrintJournal;
struct LabelRow;
struct StripPlan;

// The print journal as the print runs write it (journal/PrintJournal.h): each
// strip's plan as JSON, its records, the port and its device, the database
// (never a login), the SHA-256 of the bytes sent and each state.
//
// A journal that could not be opened is kept as its failure: every run then
// stops before its first strip with that text, so nothing is ever printed
// without being journaled.
class StripJournal {
public:
    // Writes into an open journal.
    StripJournal(PrintJournal& journal, QString database);
    // Opens the journal at path, keeping keepDays days of it; a failure is kept.
    StripJournal(const QString& path, int keepDays, QString database);
    ~StripJournal();
    StripJournal(const StripJournal&) = delete;
    StripJournal& operator=(const StripJournal&) = delete;

    // The station's journal: VORNELL_JOURNAL, else vornell-journal.db in
    // settingsDir, keeping VORNELL_JOURNAL_DAYS (90) days. A bad setting is a
    // failure too.
    static std::unique_ptr<StripJournal>
    forStation(const QProcessEnvironment& env, const QString& settingsDir, const QString& database);

    // Why it cannot be used, naming the file and the reason; empty when it can.
    const QString& failure() const { return failure_; }
    // Null when it could not be opened.
    PrintJournal* journal() const { return journal_; }
    // Raises AppError with failure() when the journal cannot be used.
    void check() const;
    // The records no run may print until a person decided about their strips.
    QSet<qint64> held() const;

    // A run is about to start on the layout's port: check(), and note the
    // device the port reaches.
    void beginRun(const QString& portName);
    // The run ended: every step it noted reaches the disk.
    void endRun();
    // Writes the strip with state "sending", durably; its id.
    qint64 sending(const StripPlan& plan);
    // The printer took the strip: "sent" with the SHA-256 of bytes, and what
    // that proves ("delivered" or "network").
    void sent(qint64 entry, const QByteArray& bytes, const QString& evidence);
    // Any later step: confirmed, marked, failed or uncertain (with the reason);
    // evidence when the step proves more ("confirmed").
    void note(qint64 entry, StripState state, const QString& reason = {},
              const QString& evidence = {});
    // Whether the printer behind the run's device has answered a status
    // request before (its strips then count only when it confirms them), and
    // noting that it has.
    bool portAnswered() const;
    void notePortAnswered();

    // Whether a strip holds records of the label list (else it is hand-typed).
    static bool hasRecords(const LabelRow& row);

private:
    StripJournal() = default;

    std::unique_ptr<PrintJournal> owned_;
    PrintJournal* journal_ = nullptr;
    QString failure_;
    QString database_;
    QString port_;
    QString device_;
};
