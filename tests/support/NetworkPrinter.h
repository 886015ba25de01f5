#pragma once

#include "printer/VirtualTcpPrinter.h"

#include <QtGlobal>

// Options of a networked virtual printer listening on a free loopback port
// and printing inchesPerSecond.
inline VirtualTcpPrinterOptions networkPrinter(double inchesPerSecond) {
    VirtualTcpPrinterOptions o;
    o.port = 0;
    o.inchesPerSecond = inchesPerSecond;
    return o;
}

// Starts a virtual printer, saying why when it cannot.
inline bool started(VirtualTcpPrinter& device) {
    QString error;
    const bool ok = device.start(&error);
    if (!ok)
        qWarning("the virtual printer did not start: %s", qPrintable(error));
    return ok;
}
