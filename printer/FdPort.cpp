#include "printer/FdPort.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Writing to a pipe or socket whose reader is gone raises SIGPIPE, which would
// end the program. Block it on this thread while writing, and consume one that
// became pending, so the write reports EPIPE instead.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe, &old_);
    }
    ~SigpipeBlock() {
        if (!wasPending_) {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            const timespec zero{0, 0};
            while (sigtimedwait(&pipe, nullptr, &zero) > 0) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

private:
    sigset_t old_;
    bool wasPending_ = false;
};

} // namespace

QString systemError(int errnum) {
    return QString::fromLocal8Bit(std::strerror(errnum));
}

bool writeAllWithin(int fd, QByteArrayView bytes, int timeoutMs, bool socket, QString* error) {
    SigpipeBlock guard;
    QElapsedTimer clock;
    clock.start();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = socket
                              ? ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL)
                              : ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            *error = systemError(errno);
            return false;
        }
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) {
            *error = QStringLiteral("Write timed out (%1 of %2 bytes taken)")
                         .arg(done)
                         .arg(bytes.size());
            return false;
        }
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno != EINTR) {
            *error = systemError(errno);
            return false;
        }
        if (r > 0 && (p.revents & (POLLERR | POLLHUP)) && !(p.revents & POLLOUT)) {
            int soError = 0;
            socklen_t len = sizeof soError;
            if (socket && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError)
                *error = systemError(soError);
            else
                *error = systemError(EPIPE);
            return false;
        }
    }
    return true;
}

FdPort::FdPort(QString path, Mode mode, int timeoutMs)
    : path_(std::move(path)), mode_(mode), timeoutMs_(timeoutMs) {}

FdPort::~FdPort() {
    close();
}

bool FdPort::open() {
    close();
    const QByteArray native = QFile::encodeName(path_);
    int flags = O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (mode_ == Mode::Append)
        flags |= O_APPEND | O_CREAT;
    do {
        fd_ = ::open(native.constData(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        return fail(systemError(errno));
    return true;
}

bool FdPort::write(QByteArrayView bytes) {
    if (fd_ < 0)
        return fail(QStringLiteral("port is not open"));
    QString why;
    if (!writeAllWithin(fd_, bytes, timeoutMs_, false, &why))
        return fail(why);
    return true;
}

void FdPort::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

QString FdPort::describe() const {
    return mode_ == Mode::Append ? QStringLiteral("file:") + path_ : path_;
}
