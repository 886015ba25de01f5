#pragma once

#include <QString>

#include <cstdint>

// What the unattended station tells systemd (a Type=notify service):
// READY=1 once it checked its database and port at start, STATUS= one line
// after every run, and WATCHDOG=1 from the print loop itself, so that a loop
// stuck longer than WatchdogSec= (a printer that takes no bytes, a database
// call that never returns) gets the station restarted. Outside systemd
// (no NOTIFY_SOCKET) nothing is sent.
class ServiceNotify {
public:
    ServiceNotify();

    void ready(const QString& status);
    void status(const QString& status);
    // The loop is alive: WATCHDOG=1, at most every quarter of the interval.
    void alive();
    // How long the loop may wait between two alive() calls; 0 without a
    // watchdog.
    int alivePeriodMs() const;

private:
    int64_t watchdogUsec_ = 0;
    int64_t lastPingUsec_ = 0;
};
