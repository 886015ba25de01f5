#include "settings/PortNames.h"

namespace {

constexpr const char* kNumberedPorts[] = {"USB1", "USB2", "USB3", "USB4", "USB5", "USB6"};
constexpr const char* kUsbSearch = "USBX";

} // namespace

int portNumber(const QString& portName) {
    for (int i = 0; i < 6; ++i)
        if (portName == QLatin1String(kNumberedPorts[i]))
            return i + 1;
    if (portName == QLatin1String(kUsbSearch))
        return kUsbSearchPort;
    return 0;
}

QString defaultPortName() {
    return QLatin1String(kNumberedPorts[0]);
}

const QStringList& offeredPortNames() {
    static const QStringList names{QLatin1String(kNumberedPorts[0]),
                                   QLatin1String(kNumberedPorts[1]),
                                   QLatin1String(kNumberedPorts[2]),
                                   QLatin1String(kNumberedPorts[3]), QLatin1String(kUsbSearch)};
    return names;
}
