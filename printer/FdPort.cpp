#include "printer/FdPort.h"

#include "printer/StatusQuery.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
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

int openRetrying(const char* path, int flags) {
    int fd;
    do {
        fd = ::open(path, flags, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 0, 60 * 60 * 1000));
}

} // namespace

QString systemError(int errnum) {
    return QString::fromLocal8Bit(std::strerror(errnum));
}

Backlog backlogOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return Backlog::Transfer;
    if (S_ISREG(st.st_mode))
        return Backlog::None;
    if (S_ISFIFO(st.st_mode))
        return Backlog::Unread;
    if (S_ISSOCK(st.st_mode) || ::isatty(fd))
        return Backlog::Queued;
    return Backlog::Transfer;
}

Delivery::Delivery(int fd, Backlog backlog, int timeoutMs, qsizetype total)
    : fd_(fd), backlog_(backlog), timeoutMs_(timeoutMs), total_(total), deadline_(timeoutMs) {
    struct stat st {};
    socket_ = ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

bool Delivery::failWith(QString text) {
    error_ = std::move(text);
    return false;
}

bool Delivery::send(QByteArrayView bytes) {
    SigpipeBlock guard;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const char* from = bytes.data() + done;
        const size_t size = static_cast<size_t>(bytes.size() - done);
        const ssize_t n =
            socket_ ? ::send(fd_, from, size, MSG_NOSIGNAL) : ::write(fd_, from, size);
        if (n > 0) {
            done += n;
            accepted_ += n;
            lastCall_ = n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return failWith(systemError(errno));
        if (deadline_.hasExpired())
            return timedOut();
        pollfd p{fd_, POLLOUT, 0};
        const int r = ::poll(&p, 1, remainingMs(deadline_));
        if (r < 0 && errno != EINTR)
            return failWith(systemError(errno));
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT))
            return hungUp();
    }
    return true;
}

bool Delivery::pending(qsizetype* bytes) {
    *bytes = 0;
    int n = 0;
    switch (backlog_) {
    case Backlog::None:
        return true;
    case Backlog::Unread:
        if (::ioctl(fd_, FIONREAD, &n) != 0)
            return failWith(systemError(errno));
        break;
    case Backlog::Queued:
        // For a TCP socket the same request (SIOCOUTQ) counts the bytes the
        // peer has not acknowledged yet.
        if (::ioctl(fd_, TIOCOUTQ, &n) != 0)
            return failWith(systemError(errno));
        break;
    case Backlog::Transfer: {
        pollfd p{fd_, POLLOUT, 0};
        const int r = ::poll(&p, 1, 0);
        if (r < 0 && errno != EINTR)
            return failWith(systemError(errno));
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return hungUp();
        n = r > 0 && (p.revents & POLLOUT) ? 0 : static_cast<int>(lastCall_);
        break;
    }
    }
    *bytes = std::min<qsizetype>(n, accepted_);
    return true;
}

bool Delivery::waitTaken() {
    // Nothing announces that a pipe, a terminal or a socket has emptied: look
    // again after a short nap, a little longer each time. A device that
    // completes transfers announces it with POLLOUT.
    int nap = 1;
    for (;;) {
        qsizetype left = 0;
        if (!pending(&left))
            return false;
        if (left == 0)
            return true;
        if (deadline_.hasExpired())
            return timedOut();
        const bool transfer = backlog_ == Backlog::Transfer;
        pollfd p{fd_, static_cast<short>(transfer ? POLLOUT : 0), 0};
        const int wait = transfer ? remainingMs(deadline_) : std::min(nap, remainingMs(deadline_));
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR)
            return failWith(systemError(errno));
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            // The far end went away; it may have taken everything first.
            if (!pending(&left))
                return false;
            return left == 0 || hungUp();
        }
        nap = std::min(nap * 2, 16);
    }
}

bool Delivery::timedOut() {
    qsizetype left = 0;
    if (!pending(&left))
        return false;
    return failWith(QStringLiteral("The printer did not take the strip within %1 s (%2 of %3 "
                                   "bytes taken)")
                        .arg(QString::number(timeoutMs_ / 1000.0))
                        .arg(accepted_ - left)
                        .arg(total_));
}

bool Delivery::hungUp() {
    if (socket_) {
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError)
            return failWith(systemError(soError));
        return failWith(QStringLiteral("Connection closed by the printer"));
    }
    switch (backlog_) {
    case Backlog::Unread:
        return failWith(systemError(EPIPE));
    case Backlog::Queued:
        return failWith(systemError(EIO));
    default:
        return failWith(systemError(ENODEV));
    }
}

FdPort::FdPort(QString path, Mode mode, int timeoutMs)
    : path_(std::move(path)), mode_(mode), timeoutMs_(timeoutMs) {}

FdPort::FdPort(QString path, const SerialSettings& settings, int timeoutMs)
    : path_(std::move(path)), mode_(Mode::Device), timeoutMs_(timeoutMs), serial_(settings) {}

FdPort::~FdPort() {
    close();
}

bool FdPort::open() {
    close();
    const QByteArray native = QFile::encodeName(path_);
    constexpr int common = O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (mode_ == Mode::Append) {
        fd_ = openRetrying(native.constData(), O_WRONLY | O_APPEND | O_CREAT | common);
    } else {
        // Read-write where the device allows it, so that the printer's answers
        // can come back the same way; write-only where it refuses reading. A
        // FIFO opens write-only: read-write, the port would be its own reader
        // and the open would not fail when no printer reads.
        struct stat st {};
        const bool fifo = ::stat(native.constData(), &st) == 0 && S_ISFIFO(st.st_mode);
        fd_ = openRetrying(native.constData(), (fifo ? O_WRONLY : O_RDWR) | common);
        if (fd_ < 0 && !fifo &&
            (errno == EACCES || errno == EPERM || errno == EROFS || errno == EINVAL))
            fd_ = openRetrying(native.constData(), O_WRONLY | common);
    }
    if (fd_ < 0)
        return fail(systemError(errno));
    if (serial_ && !setUpSerial()) {
        const QString why = errorText();
        close();
        return fail(why);
    }
    backlog_ = backlogOf(fd_);
    const int flags = ::fcntl(fd_, F_GETFL);
    readable_ = mode_ == Mode::Device && flags >= 0 && (flags & O_ACCMODE) == O_RDWR;
    return true;
}

bool FdPort::setUpSerial() {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0)
        return fail(QStringLiteral("not a serial port: %1").arg(systemError(errno)));
    ::cfmakeraw(&t);
    static const QHash<int, speed_t> speeds{{1200, B1200},   {2400, B2400},    {4800, B4800},
                                            {9600, B9600},   {19200, B19200},  {38400, B38400},
                                            {57600, B57600}, {115200, B115200}};
    const speed_t speed = speeds.value(serial_->baud, B9600);
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= sizes[serial_->dataBits - 5] | CLOCAL | CREAD;
    if (serial_->parity != 'N')
        t.c_cflag |= PARENB | (serial_->parity == 'O' ? PARODD : 0);
    if (serial_->stopBits == 2)
        t.c_cflag |= CSTOPB;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (serial_->flow == SerialSettings::Flow::XonXoff)
        t.c_iflag |= IXON | IXOFF;
    else if (serial_->flow == SerialSettings::Flow::RtsCts)
        t.c_cflag |= CRTSCTS;
    // With the descriptor non-blocking, a read with nothing waiting fails
    // with EAGAIN (VMIN 0 would read 0 bytes, as an end of the line would).
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd_, TCSANOW, &t) != 0)
        return fail(QStringLiteral("cannot set the serial port to %1: %2")
                        .arg(serial_->text(), systemError(errno)));
    ::tcflush(fd_, TCIFLUSH); // answers left from before are no answers to us
    return true;
}

std::optional<PrinterStatus> FdPort::askStatus(int timeoutMs) {
    if (fd_ < 0) {
        fail(QStringLiteral("port is not open"));
        return std::nullopt;
    }
    if (!readable_)
        return Port::askStatus(timeoutMs);
    QString why;
    std::optional<PrinterStatus> status = askStatusOnFd(fd_, timeoutMs, &why, &spoke_);
    if (!status)
        fail(why);
    return status;
}

bool FdPort::write(QByteArrayView bytes) {
    if (fd_ < 0)
        return fail(QStringLiteral("port is not open"));
    if (backlog_ == Backlog::None)
        return writeFile(bytes);
    // A device may accept the bytes long before it has them: usblp queues a
    // transfer and returns, and closing the port cancels the transfer. The
    // strip counts only once the device has taken every byte.
    Delivery delivery(fd_, backlog_, timeoutMs_, bytes.size());
    const bool taken = delivery.send(bytes) && delivery.waitTaken();
    anyAccepted_ = delivery.accepted() > 0;
    return taken || fail(delivery.error());
}

bool FdPort::writeFile(QByteArrayView bytes) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return fail(systemError(errno));
    const off_t start = st.st_size;
    Delivery delivery(fd_, Backlog::None, timeoutMs_, bytes.size());
    QString why;
    const bool sent = delivery.send(bytes);
    anyAccepted_ = delivery.accepted() > 0;
    if (!sent)
        why = delivery.error();
    else if (::fsync(fd_) != 0)
        why = systemError(errno);
    else
        return true;
    // A strip cut short would run into the next one: the file keeps whole
    // strips only.
    if (mode_ == Mode::Append && ::ftruncate(fd_, start) != 0)
        why +=
            QStringLiteral("; the part written could not be removed: %1").arg(systemError(errno));
    return fail(why);
}

void FdPort::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    readable_ = false;
}

QString FdPort::describe() const {
    if (serial_)
        return QStringLiteral("serial:%1 (%2)").arg(path_, serial_->text());
    return mode_ == Mode::Append ? QStringLiteral("file:") + path_ : path_;
}
