#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <cstdio>

// The unattended station's log: one line per message. Under systemd (which
// sets JOURNAL_STREAM or INVOCATION_ID for the services it starts) each line
// starts with its syslog priority, "<3>" for errors, "<4>" for warnings and
// "<6>" for information, which journald reads as the line's priority; run by
// hand the lines are plain.
class StationLog {
public:
    enum class Level { Error = 3, Warning = 4, Info = 6 };

    // Information and warnings go to out, errors to err (the same stream
    // for both is fine).
    StationLog(std::FILE* out, std::FILE* err, bool priorities)
        : out_(out), err_(err), priorities_(priorities) {}
    // Priorities on when the environment says the program runs under systemd.
    static bool underSystemd(const QProcessEnvironment& env);

    void error(const QString& text) { write(Level::Error, text); }
    void warning(const QString& text) { write(Level::Warning, text); }
    void info(const QString& text) { write(Level::Info, text); }
    void write(Level level, const QString& text);

    // The line as written, without its line end.
    QString line(Level level, const QString& text) const;

private:
    std::FILE* out_;
    std::FILE* err_;
    bool priorities_;
};

// A message of the window made one line: its line breaks become blanks.
QString oneLine(const QString& text);
