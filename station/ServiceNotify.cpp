#include "station/ServiceNotify.h"

#include <QByteArray>

#include <systemd/sd-daemon.h>

#include <ctime>

namespace {

int64_t monotonicUsec() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// STATUS= is one line.
QByteArray statusLine(const QString& status) {
    QByteArray line = status.toUtf8();
    line.replace('\n', ' ');
    return "STATUS=" + line;
}

} // namespace

ServiceNotify::ServiceNotify() {
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0)
        watchdogUsec_ = int64_t(usec);
}

void ServiceNotify::ready(const QString& status) {
    sd_notify(0, ("READY=1\n" + statusLine(status)).constData());
    alive();
}

void ServiceNotify::status(const QString& status) {
    sd_notify(0, statusLine(status).constData());
}

void ServiceNotify::alive() {
    if (watchdogUsec_ <= 0)
        return;
    const int64_t now = monotonicUsec();
    if (lastPingUsec_ != 0 && now - lastPingUsec_ < watchdogUsec_ / 4)
        return;
    lastPingUsec_ = now;
    sd_notify(0, "WATCHDOG=1");
}

int ServiceNotify::alivePeriodMs() const {
    return int(watchdogUsec_ / 4000);
}
