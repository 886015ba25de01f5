#pragma once

#include "printer/PrinterFeedback.h"

// The printer's feedback as the unattended station asks it: like the printer
// it wraps, but once a stop signal came and graceMs have passed, every
// request fails at once, so that a printer that stays busy (or a stuck group
// in flight) cannot hold the stop. A group whose confirmation fails that way
// is left unmarked, like any group the printer did not confirm.
class StoppableFeedback : public PrinterFeedback {
public:
    StoppableFeedback(PrinterFeedback& inner, int graceMs) : inner_(inner), graceMs_(graceMs) {}

    StatusMode feedbackMode(int portNumber) override { return inner_.feedbackMode(portNumber); }
    std::optional<PrinterStatus> askStatus(int portNumber, int timeoutMs, QString* error) override;
    std::optional<PrinterStatus> askOpenPort(int timeoutMs, QString* error) override;
    bool printerSpoke() const override { return asked_ && inner_.printerSpoke(); }

private:
    // The time a request may still take; 0 when none may go out.
    int allowedMs(int timeoutMs, QString* error) const;

    PrinterFeedback& inner_;
    int graceMs_;
    bool asked_ = false; // the last request reached the printer
};
