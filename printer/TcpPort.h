#pragma once

#include "printer/DescriptorPort.h"

// Raw TCP to a network printer (port 9100 by default). The connection is made
// at open within connectTimeoutMs; a write succeeds when the printer has
// acknowledged every byte within writeTimeoutMs.
class TcpPort : public DescriptorPort {
public:
    TcpPort(QString host, quint16 port, int connectTimeoutMs, int writeTimeoutMs);
    ~TcpPort() override;

    bool open() override;
    bool write(QByteArrayView bytes) override;
    void close() override;
    QString describe() const override;
    bool canAskStatus() const override { return fd_ >= 0; }
    std::optional<PrinterStatus> askStatus(int timeoutMs = DefaultStatusTimeoutMs) override;

private:
    bool connectTo(const void* addr, unsigned addrLen, int family, QString* error);

    QString host_;
    quint16 port_;
    int connectTimeoutMs_;
    int writeTimeoutMs_;
};
