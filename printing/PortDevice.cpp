#include "printing/PortDevice.h"

#include "printer/PortConfig.h"
#include "settings/PortNames.h"

namespace {

QString targetText(const PortTarget& t) {
    switch (t.kind) {
    case PortTarget::Kind::Device:
        return t.path;
    case PortTarget::Kind::Tcp:
        return QStringLiteral("tcp:%1:%2").arg(t.host).arg(t.tcpPort);
    case PortTarget::Kind::File:
        return QStringLiteral("file:") + t.path;
    case PortTarget::Kind::Preview:
        return QStringLiteral("preview:") + t.path;
    case PortTarget::Kind::Serial:
        return QStringLiteral("serial:%1 (%2)").arg(t.path, t.serial.text());
    case PortTarget::Kind::None:
        break;
    }
    return t.error.isEmpty() ? QStringLiteral("not configured")
                             : QStringLiteral("not configured (%1)").arg(t.error);
}

} // namespace

QString portDevice(const QString& printerName, const PortConfig& config) {
    const int number = portNumber(printerName);
    if (number == kUsbSearchPort) {
        const PortTarget over = config.usbxOverride();
        return over.value.isEmpty() ? QStringLiteral("USB search") : targetText(over);
    }
    return targetText(config.forPortNumber(QString::number(number)));
}
