#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <memory>

class StationLog;
class StripJournal;
class TDMdata;

// What a command of the station opens: the label database of the
// environment (VORNELL_DB ...) and the print journal beside the working
// directory, as the window and vornell auto find them.
struct StationSession {
    std::unique_ptr<TDMdata> dm; // null: the database could not be reached (logged)
    QString database;            // where it is, as the status line names it
    std::unique_ptr<StripJournal> journal;

    StationSession();
    StationSession(StationSession&&) noexcept;
    StationSession& operator=(StationSession&&) noexcept;
    ~StationSession();
    enum class Journal {
        Open,         // opened, made when it is not there (a station that prints)
        WhereItExists // opened only when its file is there (commands that read it)
    };
    // Connects to the database; a failure is logged as an error and leaves dm
    // null. A journal that cannot be used keeps its failure.
    static StationSession open(const QProcessEnvironment& env, StationLog& log, Journal journal);
};
