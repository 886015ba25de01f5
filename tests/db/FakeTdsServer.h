#pragma once

// A local server that speaks just enough TDS 7.x to capture a login: it
// answers the client's PRELOGIN with its version and an encryption choice,
// reads the LOGIN7 record that may follow, decodes the user name and the
// password from it, and closes the connection. It runs on a thread of its own
// because the ODBC driver connects synchronously on the caller's thread.

#include <QByteArray>
#include <QString>

#include <arpa/inet.h>
#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

class FakeTdsServer {
public:
    // The ENCRYPTION byte of the PRELOGIN answer.
    enum Encryption : unsigned char { EncryptOff = 0, EncryptOn = 1, EncryptNotSupported = 2 };

    struct Capture {
        int connections = 0;
        int prelogins = 0;
        int logins = 0;              // LOGIN7 records received
        QByteArray clientEncryption; // the ENCRYPTION byte of each PRELOGIN
        QString user;
        QString password;
    };

    explicit FakeTdsServer(Encryption answer) : answer_(answer) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, 4) != 0)
            return;
        socklen_t len = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeTdsServer() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(listener_);
    }
    FakeTdsServer(const FakeTdsServer&) = delete;
    FakeTdsServer& operator=(const FakeTdsServer&) = delete;

    int port() const { return port_; }
    Capture capture() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return capture_;
    }

    // The password as TDS carries it: each byte's nibbles swapped, then XOR 0xA5.
    static QString decodePassword(QByteArrayView ucs2) {
        QByteArray plain(ucs2.size(), '\0');
        for (qsizetype i = 0; i < ucs2.size(); ++i) {
            const auto b = static_cast<unsigned char>(ucs2[i]) ^ 0xA5;
            plain[i] = static_cast<char>(((b << 4) | (b >> 4)) & 0xFF);
        }
        return ucs2String(plain);
    }

private:
    static QString ucs2String(QByteArrayView bytes) {
        QString s;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            s += QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return s;
    }

    static bool readAll(int fd, char* buf, size_t n) {
        while (n > 0) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20000) <= 0)
                return false;
            const ssize_t got = ::read(fd, buf, n);
            if (got <= 0)
                return false;
            buf += got;
            n -= static_cast<size_t>(got);
        }
        return true;
    }

    // One message: packets up to the one whose status has end-of-message.
    static bool readMessage(int fd, unsigned char* type, QByteArray* payload) {
        payload->clear();
        for (;;) {
            unsigned char header[8];
            if (!readAll(fd, reinterpret_cast<char*>(header), 8))
                return false;
            const int length = (header[2] << 8) | header[3];
            if (length < 8)
                return false;
            QByteArray body(length - 8, '\0');
            if (!readAll(fd, body.data(), static_cast<size_t>(body.size())))
                return false;
            *type = header[0];
            *payload += body;
            if (header[1] & 0x01)
                return true;
        }
    }

    void sendPreloginAnswer(int fd) {
        // Options: VERSION (6 bytes), ENCRYPTION (1 byte), terminator.
        const unsigned char options[] = {0x00, 0x00, 11, 0x00, 6, 0x01, 0x00, 17, 0x00, 1, 0xFF};
        QByteArray body(reinterpret_cast<const char*>(options), sizeof options);
        body += QByteArray("\x0f\x00\x07\xd0\x00\x00", 6); // 15.0.2000
        body += static_cast<char>(answer_);
        QByteArray packet("\x04\x01\x00\x00\x00\x00\x01\x00", 8);
        const int length = static_cast<int>(packet.size() + body.size());
        packet[2] = static_cast<char>(length >> 8);
        packet[3] = static_cast<char>(length & 0xFF);
        packet += body;
        (void)!::write(fd, packet.constData(), static_cast<size_t>(packet.size()));
    }

    static quint16 le16(const QByteArray& b, int at) {
        return static_cast<quint16>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8));
    }

    void readLogin(const QByteArray& login) {
        if (login.size() < 48)
            return;
        const int userAt = le16(login, 40), userLen = le16(login, 42);
        const int pwAt = le16(login, 44), pwLen = le16(login, 46);
        if (userAt + 2 * userLen > login.size() || pwAt + 2 * pwLen > login.size())
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        ++capture_.logins;
        capture_.user = ucs2String(login.mid(userAt, 2 * userLen));
        capture_.password = decodePassword(login.mid(pwAt, 2 * pwLen));
    }

    void handle(int fd) {
        unsigned char type = 0;
        QByteArray payload;
        if (!readMessage(fd, &type, &payload) || type != 0x12)
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++capture_.prelogins;
            // Find the client's ENCRYPTION option.
            for (int i = 0;
                 i + 4 < payload.size() && static_cast<unsigned char>(payload[i]) != 0xFF; i += 5) {
                const int at = (static_cast<unsigned char>(payload[i + 1]) << 8) |
                               static_cast<unsigned char>(payload[i + 2]);
                if (payload[i] == 0x01 && at < payload.size())
                    capture_.clientEncryption += payload[at];
            }
        }
        sendPreloginAnswer(fd);
        if (readMessage(fd, &type, &payload) && type == 0x10)
            readLogin(payload);
    }

    void serve() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ++capture_.connections;
            }
            handle(fd);
            ::close(fd);
        }
    }

    Encryption answer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    Capture capture_;
};
