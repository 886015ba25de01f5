#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>

#include <cstdint>
#include <cstdio>

// The kinds of event a plant's monitoring looks for; under systemd each
// carries its MESSAGE_ID, so `journalctl MESSAGE_ID=...` finds every one.
enum class StationEvent { None, RunEnded, StripHeld, StripDecided, PrinterFault, DatabaseLost };

// The journal's MESSAGE_ID of an event (32 hex digits); empty for None.
const char* messageIdOf(StationEvent event);

// What an event is about, beside its text.
struct EventFields {
    QString strip;      // the strip's journal entry or claim key
    QList<int64_t> ids; // its records
};

// The unattended station's log: one line per message. Under systemd (which
// sets JOURNAL_STREAM or INVOCATION_ID for the services it starts) each line
// starts with its syslog priority, "<3>" for errors, "<4>" for warnings and
// "<6>" for information, which journald reads as the line's priority; run by
// hand the lines are plain. When standard error is the journal's own stream
// (JOURNAL_STREAM names it), messages go to the journal as entries with
// fields instead: MESSAGE_ID for the events above, VORNELL_STATION,
// VORNELL_PORT, VORNELL_STRIP and VORNELL_IDEN_IDS.
class StationLog {
public:
    enum class Level { Error = 3, Warning = 4, Info = 6 };

    // Information and warnings go to out, errors to err (the same stream
    // for both is fine).
    StationLog(std::FILE* out, std::FILE* err, bool priorities)
        : out_(out), err_(err), priorities_(priorities) {}
    // Priorities on when the environment says the program runs under systemd.
    static bool underSystemd(const QProcessEnvironment& env);
    // Entries with fields from now on when JOURNAL_STREAM is err's stream.
    void useJournalFields(const QProcessEnvironment& env);
    // The station and port every entry names.
    void setStation(const QString& station, const QString& port);

    void error(const QString& text, StationEvent event = StationEvent::None,
               const EventFields& fields = {}) {
        write(Level::Error, text, event, fields);
    }
    void warning(const QString& text, StationEvent event = StationEvent::None,
                 const EventFields& fields = {}) {
        write(Level::Warning, text, event, fields);
    }
    void info(const QString& text, StationEvent event = StationEvent::None,
              const EventFields& fields = {}) {
        write(Level::Info, text, event, fields);
    }
    void write(Level level, const QString& text, StationEvent event = StationEvent::None,
               const EventFields& fields = {});

    // The line as written, without its line end.
    QString line(Level level, const QString& text) const;

private:
    bool sendToJournal(Level level, const QString& text, StationEvent event,
                       const EventFields& fields);

    std::FILE* out_;
    std::FILE* err_;
    bool priorities_;
    bool journalFields_ = false;
    QString station_;
    QString port_;
};

// A message of the window made one line: its line breaks become blanks.
QString oneLine(const QString& text);
