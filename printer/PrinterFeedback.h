#pragma once

#include "printer/PortConfig.h"
#include "printer/PrinterStatus.h"

#include <QElapsedTimer>
#include <QString>

#include <map>
#include <optional>

// Asking the printer behind a port for its status, apart from the ten
// operations: those open and close the port per strip, while a status request
// needs a port of its own for the moment it takes.
class PrinterFeedback {
public:
    virtual ~PrinterFeedback() = default;

    // Whether the printer a port number reaches is asked ("0" ... "6" as
    // A_CreatePrn(0, number) opens them, 12 for the USB search): the port's
    // _STATUS setting, and Off for a port that cannot answer at all (a file,
    // a preview, a port that is not configured).
    virtual StatusMode feedbackMode(int portNumber) = 0;

    // Opens the port the number reaches, sends the status request, reads the
    // answer within timeoutMs and closes the port again. nullopt with the
    // reason in *error when the port does not open, cannot ask, or no whole,
    // well-formed answer came in time.
    virtual std::optional<PrinterStatus> askStatus(int portNumber, int timeoutMs,
                                                   QString* error) = 0;

    // Asks on the port the ten operations have open, after a strip's
    // print-out and before its close. The printer reads its input in order,
    // so an answer here means it has read the whole strip; a printer that
    // dropped the connection in the middle of it gives none. nullopt with the
    // reason in *error when no port is open, it cannot ask, or no answer came.
    virtual std::optional<PrinterStatus> askOpenPort(int timeoutMs, QString* error) = 0;

    // After a request that failed: whether the printer sent anything at all
    // (a garbled or cut-short answer), as against silence or no port.
    virtual bool printerSpoke() const = 0;

    // Faults come in runs (a roll running out, a jam being cleared): the
    // last time a print run met a fault of the printer behind a port, so
    // that the runs after it put fewer strips at risk at a time.
    void noteFault(int portNumber) { faults_[portNumber].start(); }
    // Milliseconds since then; -1 when none was seen.
    qint64 msSinceFault(int portNumber) const {
        const auto it = faults_.find(portNumber);
        return it == faults_.end() ? -1 : it->second.elapsed();
    }

private:
    std::map<int, QElapsedTimer> faults_;
};
