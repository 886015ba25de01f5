#pragma once

#include <QString>

class PortConfig;

// What a port name of the layout reaches, for the operator's status line:
// "/dev/usb/lp0", "tcp:10.0.0.7:9100", "file:/tmp/out.ppla", "preview:printed",
// "USB search" for USBX without a configured device, or "not configured"
// with the reason.
QString portDevice(const QString& printerName, const PortConfig& config);
