#pragma once

#include "printer/Port.h"

// A port on a file descriptor: a device file (/dev/usb/lpN, a FIFO) or a plain
// file the bytes are appended to. Opened without blocking, so a FIFO without a
// reader fails at once instead of hanging; writes wait for the device at most
// timeoutMs in all.
class FdPort : public Port {
public:
    enum class Mode { Device, Append };
    FdPort(QString path, Mode mode, int timeoutMs);
    ~FdPort() override;

    bool open() override;
    bool write(QByteArrayView bytes) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    QString describe() const override;

private:
    QString path_;
    Mode mode_;
    int timeoutMs_;
    int fd_ = -1;
};

// Writes all of bytes to a non-blocking descriptor within timeoutMs. On failure
// returns false with the reason in *error. Used by the file and TCP ports.
bool writeAllWithin(int fd, QByteArrayView bytes, int timeoutMs, bool socket, QString* error);
QString systemError(int errnum);
