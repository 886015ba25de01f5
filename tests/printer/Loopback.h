#pragma once

// Raw sockets on 127.0.0.1 for the port tests: a listener that the test
// drives by hand (accepting, reading or not), and a port nothing listens on.

#include <QtGlobal>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace loopback {

inline sockaddr_in anyPort() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

inline quint16 portOf(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

// A listening socket whose connections get a receive buffer of rcvbuf bytes
// (0: the system's default); its port in *port.
inline int listen(quint16* port, int rcvbuf = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (rcvbuf > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    sockaddr_in a = anyPort();
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, 4);
    *port = portOf(fd);
    return fd;
}

// A TCP port that nothing listens on.
inline quint16 closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = anyPort();
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    const quint16 port = portOf(fd);
    ::close(fd);
    return port;
}

} // namespace loopback
