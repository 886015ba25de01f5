#pragma once

#include "printer/Port.h"

// Raw TCP to a network printer (port 9100 by default). The connection is made
// at open within connectTimeoutMs; a write succeeds when the printer has
// acknowledged every byte within writeTimeoutMs.
class TcpPort : public Port {
public:
    TcpPort(QString host, quint16 port, int connectTimeoutMs, int writeTimeoutMs);
    ~TcpPort() override;

    bool open() override;
    bool write(QByteArrayView bytes) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    QString describe() const override;
    bool canAskStatus() const override { return fd_ >= 0; }
    std::optional<PrinterStatus> askStatus(int timeoutMs = DefaultStatusTimeoutMs) override;

private:
    bool connectTo(const void* addr, unsigned addrLen, int family, QString* error);

    QString host_;
    quint16 port_;
    int connectTimeoutMs_;
    int writeTimeoutMs_;
    int fd_ = -1;
};
