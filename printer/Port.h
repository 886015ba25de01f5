#pragma once

#include "printer/PrinterStatus.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Where the bytes of a strip go. A port is opened by A_CreatePrn, written at
// print-out and feed, closed by A_ClosePrn. Every failure is reported with the
// system's reason in errorText(); nothing is swallowed.
class Port {
public:
    virtual ~Port() = default;
    virtual bool open() = 0;
    // True only when the device has taken every byte within the port's time
    // limit: accepted into a buffer on this side does not count.
    virtual bool write(QByteArrayView bytes) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // What the port reaches, e.g. "/dev/usb/lp0" or "tcp:10.0.0.7:9100".
    virtual QString describe() const = 0;
    QString errorText() const { return error_; }
    // Whether any byte of the last write left this side (the system took
    // it): a write that failed before its first byte sent nothing at all.
    bool anyAccepted() const { return anyAccepted_; }

    // Whether the printer behind the open port can be asked for its status:
    // a TCP printer, a device opened for reading too. Files, previews and
    // memory cannot answer.
    virtual bool canAskStatus() const { return false; }
    // Sends the immediate status request and reads the printer's answer
    // within timeoutMs. nullopt with the reason in errorText() when the port
    // cannot ask or no whole, well-formed answer came in time: a status that
    // is not known is never taken for a ready printer.
    virtual std::optional<PrinterStatus> askStatus(int timeoutMs = DefaultStatusTimeoutMs) {
        Q_UNUSED(timeoutMs);
        fail(QStringLiteral("%1 cannot ask the printer for its status").arg(describe()));
        return std::nullopt;
    }

    // Whether the printer sent anything in answer to the last request, even
    // when it could not be read: a printer that talks is not one-way.
    bool printerSpoke() const { return spoke_; }

protected:
    bool spoke_ = false;
    bool anyAccepted_ = true; // a port that does not tell: assume it may have
    bool fail(QString text) {
        error_ = std::move(text);
        return false;
    }

private:
    QString error_;
};

// Keeps everything written in memory, for previews and tests: the bytes of a
// strip are available without any device.
class MemoryPort : public Port {
public:
    bool open() override {
        open_ = true;
        return true;
    }
    bool write(QByteArrayView bytes) override {
        if (!open_)
            return fail(QStringLiteral("port is not open"));
        bytes_.append(bytes.data(), bytes.size());
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    QString describe() const override { return QStringLiteral("memory"); }

    const QByteArray& bytes() const { return bytes_; }
    QByteArray takeBytes() { return std::exchange(bytes_, {}); }

private:
    bool open_ = false;
    QByteArray bytes_;
};
