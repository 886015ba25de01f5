#include "printer/TcpPort.h"

#include "printer/FdPort.h"
#include "printer/StatusQuery.h"

#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

TcpPort::TcpPort(QString host, quint16 port, int connectTimeoutMs, int writeTimeoutMs)
    : host_(std::move(host)), port_(port), connectTimeoutMs_(connectTimeoutMs),
      writeTimeoutMs_(writeTimeoutMs) {}

TcpPort::~TcpPort() {
    close();
}

QString TcpPort::describe() const {
    return QStringLiteral("tcp:%1:%2").arg(host_).arg(port_);
}

bool TcpPort::connectTo(const void* addr, unsigned addrLen, int family, QString* error) {
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = systemError(errno);
        return false;
    }
    if (::connect(fd, static_cast<const sockaddr*>(addr), addrLen) == 0) {
        fd_ = fd;
        return true;
    }
    if (errno != EINPROGRESS) {
        *error = systemError(errno);
        ::close(fd);
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = connectTimeoutMs_ - clock.elapsed();
        if (left <= 0) {
            *error = QStringLiteral("Connection timed out after %1 ms").arg(connectTimeoutMs_);
            ::close(fd);
            return false;
        }
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            *error = systemError(errno);
            ::close(fd);
            return false;
        }
        if (r == 0)
            continue;
        int soError = 0;
        socklen_t len = sizeof soError;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
        if (soError) {
            *error = systemError(soError);
            ::close(fd);
            return false;
        }
        fd_ = fd;
        return true;
    }
}

bool TcpPort::open() {
    close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const QByteArray host = host_.toUtf8();
    const QByteArray service = QByteArray::number(port_);
    const int rc = ::getaddrinfo(host.constData(), service.constData(), &hints, &found);
    if (rc != 0)
        return fail(QString::fromLocal8Bit(::gai_strerror(rc)));
    QString why = QStringLiteral("no address");
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (connectTo(a->ai_addr, a->ai_addrlen, a->ai_family, &why))
            break;
    }
    ::freeaddrinfo(found);
    if (fd_ < 0)
        return fail(why);
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return true;
}

// A printer that closed or reset its end shows it as end of stream or an
// error on reading; it never ends the connection by itself while we print.
static bool peerGone(int fd, QString* error) {
    char byte;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n == 0) {
        *error = QStringLiteral("Connection closed by the printer");
        return true;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        *error = systemError(errno);
        return true;
    }
    return false;
}

bool TcpPort::write(QByteArrayView bytes) {
    if (fd_ < 0)
        return fail(QStringLiteral("port is not open"));
    QString why;
    if (peerGone(fd_, &why))
        return fail(why);
    Delivery delivery(fd_, Backlog::Queued, writeTimeoutMs_, bytes.size());
    // Small pieces: a peer that has gone answers the first one with a reset,
    // and the next piece then fails instead of vanishing into the send buffer.
    constexpr qsizetype piece = 1024;
    anyAccepted_ = false;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        const bool sent = delivery.send(bytes.sliced(at, std::min(piece, bytes.size() - at)));
        anyAccepted_ = delivery.accepted() > 0;
        if (!sent)
            return fail(delivery.error());
    }
    // The send buffer takes the bytes at once; a printer that accepted the
    // connection and reads nothing never acknowledges them. The strip counts
    // only once the printer's system acknowledged every byte.
    if (!delivery.waitTaken())
        return fail(delivery.error());
    if (peerGone(fd_, &why))
        return fail(why);
    return true;
}

std::optional<PrinterStatus> TcpPort::askStatus(int timeoutMs) {
    if (fd_ < 0) {
        fail(QStringLiteral("port is not open"));
        return std::nullopt;
    }
    QString why;
    std::optional<PrinterStatus> status = askStatusOnFd(fd_, timeoutMs, &why, &spoke_);
    if (!status)
        fail(why);
    return status;
}

void TcpPort::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
