#pragma once

#include <QList>
#include <QMap>
#include <QString>

// The USB printers the usblp driver shows: /dev/usb/lpN, each with the IEEE 1284
// device id at <sysfs>/lpN/device/ieee1284_id ("MFG:...;MDL:...;CMD:PPLA,...;").
struct UsbPrinter {
    QString model;      // MDL / MODEL, or "lpN" when the id names none
    QString devicePath; // /dev/usb/lpN
    bool speaksPpla = false;
};

// Keys and values of a device id; keys upper-case, values trimmed.
QMap<QString, QString> parseIeee1284Id(const QString& id);

// The printers present, those whose command set lists PPLA first, then by
// device number. sysfsDir is normally /sys/class/usbmisc, devDir /dev/usb.
QList<UsbPrinter> findUsbPrinters(const QString& sysfsDir = QStringLiteral("/sys/class/usbmisc"),
                                  const QString& devDir = QStringLiteral("/dev/usb"));
