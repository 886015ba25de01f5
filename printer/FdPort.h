#pragma once

#include "printer/PortConfig.h"

#include "printer/DescriptorPort.h"

#include <QDeadlineTimer>

// How a descriptor shows bytes it accepted that have not reached the far end.
enum class Backlog {
    None,     // a plain file: what write() took is in the file
    Unread,   // a pipe or FIFO: FIONREAD counts what the reader has not read
    Queued,   // a terminal or TCP socket: TIOCOUTQ (SIOCOUTQ) counts what is not
              // sent, or for TCP not acknowledged by the peer
    Transfer, // another device, e.g. usblp: it accepts a transfer at once and
              // shows POLLOUT only when the transfer has completed
};

// Which Backlog an open descriptor has.
Backlog backlogOf(int fd);

// One delivery of bytes to a non-blocking descriptor within a time limit
// counted from its construction. send() may be called for several pieces;
// waitTaken() then waits until the far end has taken every byte sent. Both
// return false with the reason in error().
class Delivery {
public:
    Delivery(int fd, Backlog backlog, int timeoutMs, qsizetype total);

    bool send(QByteArrayView bytes);
    bool waitTaken();
    const QString& error() const { return error_; }
    // Bytes the system accepted from this side so far (0: none left it).
    qsizetype accepted() const { return accepted_; }

private:
    bool pending(qsizetype* bytes);
    bool timedOut();
    bool hungUp();
    bool failWith(QString text);

    int fd_;
    Backlog backlog_;
    int timeoutMs_;
    qsizetype total_;
    QDeadlineTimer deadline_;
    qsizetype accepted_ = 0;
    qsizetype lastCall_ = 0; // what the last write() call accepted
    bool socket_ = false;
    QString error_;
};

// A port on a file descriptor: a device file (/dev/usb/lpN, a FIFO, a tty) or
// a plain file the bytes are appended to. Opened without blocking, so a FIFO
// without a reader fails at once instead of hanging. A write succeeds only
// when the device has taken every byte, or the file holds them on disk, within
// timeoutMs; a strip that fails is cut back out of a plain file.
class FdPort : public DescriptorPort {
public:
    enum class Mode { Device, Append };
    FdPort(QString path, Mode mode, int timeoutMs);
    // A serial device, set up with settings when it opens.
    FdPort(QString path, const SerialSettings& settings, int timeoutMs);
    ~FdPort() override;

    bool open() override;
    bool write(QByteArrayView bytes) override;
    void close() override;
    QString describe() const override;
    // A device opened read-write: a FIFO and a device that refused reading
    // cannot answer.
    bool canAskStatus() const override { return fd_ >= 0 && readable_; }
    std::optional<PrinterStatus> askStatus(int timeoutMs = DefaultStatusTimeoutMs) override;

private:
    bool writeFile(QByteArrayView bytes);
    bool setUpSerial();

    QString path_;
    Mode mode_;
    int timeoutMs_;
    Backlog backlog_ = Backlog::None;
    bool readable_ = false;
    std::optional<SerialSettings> serial_;
};

QString systemError(int errnum);
