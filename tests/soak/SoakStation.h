#pragma once

#include <QProcessEnvironment>
#include <QSet>
#include <QString>

#include <chrono>
#include <memory>

// The station a soak run drives, in one of two ways: "vornell auto" as a child
// process, or the same print loop in this process (label query, PrintLabelList
// with printer feedback from PplaPrinter, the print journal). Both read their
// settings the station's way: the environment given and Quillet.ini in dir.
class SoakStation {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~SoakStation() = default;

    // "vornell auto (PATH)" or "in process".
    virtual QString describe() const = 0;
    // False with the reason in *error when it cannot run.
    virtual bool start(QString* error) = 0;
    // Lets it print until deadline; false when it ended by itself (the reason
    // in *error).
    virtual bool runUntil(Clock::time_point deadline, QString* error) = 0;
    // Ends it the way a service manager does; its exit, when it has one.
    virtual QString stop() = 0;
    // The process whose memory is watched.
    virtual qint64 pid() const = 0;
    // Records the station said it holds for a person (beyond the journal).
    virtual QSet<qint64> heldFromLog() const = 0;
};

struct SoakStationSetup {
    QString dir;             // working directory: Quillet.ini, the log
    QProcessEnvironment env; // VORNELL_DB, VORNELL_PRINTER_USB1, VORNELL_JOURNAL ...
    int intervalMs = 2000;   // from one run's start to the next
    QString logPath;         // the station's log
    bool journal = true;     // in process: print with the journal of VORNELL_JOURNAL
};

// The one place that chooses: vornell auto when vornellPath names a program
// whose --help offers it, else the loop in process. *why says which and why.
std::unique_ptr<SoakStation> chooseStation(const SoakStationSetup& setup,
                                           const QString& vornellPath, bool forceInProcess,
                                           QString* why);

// The two, for chooseStation and for a fallback.
std::unique_ptr<SoakStation> childStation(const SoakStationSetup& setup, const QString& program);
std::unique_ptr<SoakStation> inProcessStation(const SoakStationSetup& setup);
