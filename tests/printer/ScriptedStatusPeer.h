#pragma once

#include <QByteArray>
#include <QDeadlineTimer>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

// What a scripted printer does with the one status request it waits for.
struct PeerScript {
    QByteArray early;  // sent as soon as the line is up, before any request
    QByteArray answer; // sent once the two request bytes came, after delayMs
    int delayMs = 0;
    bool hangUp = false; // close the line after the answer (at once if none)
};

// A printer at the far end of a real line that answers as scripted: a TCP
// connection on 127.0.0.1 or a pseudo terminal in raw mode. It records every
// byte it receives.
class ScriptedStatusPeer {
public:
    enum class Line { Tcp, Pty };

    ScriptedStatusPeer(Line line, PeerScript script) : script_(std::move(script)) {
        if (line == Line::Tcp)
            listenTcp();
        else
            openPty();
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptedStatusPeer() {
        stop_ = true;
        thread_.join();
        for (int fd : {listener_, conn_, slave_})
            if (fd >= 0)
                ::close(fd);
    }
    ScriptedStatusPeer(const ScriptedStatusPeer&) = delete;
    ScriptedStatusPeer& operator=(const ScriptedStatusPeer&) = delete;

    quint16 tcpPort() const { return port_; }
    const QByteArray& ptyPath() const { return ptyPath_; }

    // Waits until the early bytes went out.
    bool waitEarlySent(int ms) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return earlySent_; });
    }
    QByteArray received() {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    void listenTcp() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, 1) != 0)
            std::abort();
        socklen_t len = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }

    // The slave side stays open here too, so that its settings (raw) hold
    // while the port opens and closes it.
    void openPty() {
        conn_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (conn_ < 0 || ::grantpt(conn_) != 0 || ::unlockpt(conn_) != 0)
            std::abort();
        ptyPath_ = ::ptsname(conn_);
        slave_ = ::open(ptyPath_.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0)
            std::abort();
        ::cfmakeraw(&t);
        ::tcsetattr(slave_, TCSANOW, &t);
    }

    // Waits up to ms for fd to become readable; false when stopping.
    bool readable(int fd, int ms) {
        const QDeadlineTimer until(ms);
        while (!stop_ && !until.hasExpired()) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0)
                return true;
        }
        return false;
    }

    void take() {
        char buf[256];
        const ssize_t n = ::read(conn_, buf, sizeof buf);
        if (n > 0) {
            std::lock_guard lock(mutex_);
            received_.append(buf, n);
        }
    }

    // A socket whose reader left must not raise SIGPIPE in the test.
    void put(const QByteArray& bytes) {
        if (bytes.isEmpty())
            return;
        if (listener_ >= 0)
            (void)!::send(conn_, bytes.constData(), bytes.size(), MSG_NOSIGNAL);
        else
            (void)!::write(conn_, bytes.constData(), bytes.size());
    }

    void run() {
        if (listener_ >= 0) {
            while (!stop_ && !readable(listener_, 1000)) {
            }
            if (stop_)
                return;
            conn_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        }
        put(script_.early);
        {
            std::lock_guard lock(mutex_);
            earlySent_ = true;
        }
        cv_.notify_all();
        while (!stop_ && received().size() < 2) {
            if (readable(conn_, 50))
                take();
        }
        const QDeadlineTimer pause(script_.delayMs);
        while (!stop_ && !pause.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (stop_)
            return;
        put(script_.answer);
        if (script_.hangUp) {
            ::close(conn_);
            conn_ = -1;
            return;
        }
        while (!stop_) {
            if (readable(conn_, 50))
                take();
        }
    }

    PeerScript script_;
    int listener_ = -1;
    int conn_ = -1;
    int slave_ = -1;
    quint16 port_ = 0;
    QByteArray ptyPath_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable cv_;
    bool earlySent_ = false;
    QByteArray received_;
    std::thread thread_;
};
