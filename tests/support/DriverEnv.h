#pragma once

#include "printer/PplaPrinter.h"

#include <QString>
#include <map>

// Driver options whose process environment holds only env: the variables
// that say what a port number reaches (VORNELL_PRINTER_USB1 = "tcp:...",
// "preview:...", "file:..."; VORNELL_PRINTER_USB1_STATUS = "on" ...).
inline PplaPrinterOptions withEnv(std::map<QString, QString> env, PplaPrinterOptions o = {}) {
    o.env = [env = std::move(env)](const QString& name) {
        const auto it = env.find(name);
        return it == env.end() ? QString() : it->second;
    };
    return o;
}

// Driver options under which USB1 reaches target and nothing else is set.
inline PplaPrinterOptions usb1At(const QString& target) {
    return withEnv({{QStringLiteral("VORNELL_PRINTER_USB1"), target}});
}

// The address of a TCP printer listening on the loopback port.
inline QString loopbackTarget(quint16 port) {
    return QStringLiteral("tcp:127.0.0.1:%1").arg(port);
}
