#pragma once

#include <QHostAddress>
#include <QTcpServer>

// A loopback TCP port nobody listens on: one that was free a moment ago.
// 0 when no port could be had.
inline quint16 closedLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
