#pragma once

#include <QString>
#include <QStringList>

// The port names a layout may choose and the port numbers the printer
// library opens them by.

// "USB1".."USB6" are ports 1..6; "USBX" (the USB search) is 12. Any other
// name opens port 0, the catch-all.
inline constexpr int kUsbSearchPort = 12;

// The port number of a port name, compared exactly: 1..6, 12 or 0.
int portNumber(const QString& portName);

// The name the settings file holds when it names no port.
QString defaultPortName();

// The names the settings dialog offers: USB1-USB4 and the USB search.
const QStringList& offeredPortNames();
