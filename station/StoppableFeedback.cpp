#include "station/StoppableFeedback.h"

#include "station/StopSignal.h"

#include <algorithm>

int StoppableFeedback::allowedMs(int timeoutMs, QString* error) const {
    if (!StopSignal::requested())
        return timeoutMs;
    const long long left = graceMs_ - StopSignal::msSinceRequest();
    if (left <= 0) {
        if (error)
            *error = QStringLiteral("the station was stopped before the printer confirmed it");
        return 0;
    }
    return int(std::min<long long>(timeoutMs, left));
}

std::optional<PrinterStatus> StoppableFeedback::askStatus(int portNumber, int timeoutMs,
                                                          QString* error) {
    const int ms = allowedMs(timeoutMs, error);
    asked_ = ms > 0;
    if (ms <= 0)
        return std::nullopt;
    return inner_.askStatus(portNumber, ms, error);
}

std::optional<PrinterStatus> StoppableFeedback::askOpenPort(int timeoutMs, QString* error) {
    const int ms = allowedMs(timeoutMs, error);
    asked_ = ms > 0;
    if (ms <= 0)
        return std::nullopt;
    return inner_.askOpenPort(ms, error);
}
