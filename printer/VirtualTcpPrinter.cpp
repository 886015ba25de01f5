#include "printer/VirtualTcpPrinter.h"

#include "printer/FdPort.h"
#include "printer/PplaDecoder.h"
#include "printer/VirtualPrinter.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

constexpr char kSoh = '\x01';
constexpr char kStx = '\x02';

// One connection: its own reading of the format in hand, the requests it is
// owed answers for.
struct Connection {
    int fd = -1;
    PplaDecoder decoder;
    bool afterSoh = false; // the next byte names an immediate command
    QByteArray line;       // the record being received, for inFormat
    bool inFormat = false; // between <STX>L and E
    std::deque<Clock::time_point> answersDue;
    // Format bytes in the input buffer, not yet read by the interpreter.
    std::deque<std::pair<Clock::time_point, QByteArray>> unread;
};

} // namespace

struct VirtualTcpPrinter::State {
    VirtualTcpPrinterOptions o;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::thread thread;
    int listener = -1;
    int wake[2] = {-1, -1};
    bool stopping = false;
    bool running = false;
    quint16 port = 0;

    std::list<Connection> conns;
    std::deque<DecodedLabel> queue;
    bool printing = false;
    Clock::time_point doneAt;
    DecodedLabel current;
    std::unique_ptr<VirtualPrinterPort> files;
    bool paperOut = false;
    bool paused = false;
    bool muted = false;    // switched by setMuted
    bool dropNext = false; // set by dropNextConnection
    bool dropped = false;
    int printed = 0;
    int received = 0;
    int requests = 0;
    int accepted = 0;
    QStringList errors;

    void log(const QString& text) const {
        if (o.log)
            o.log(text);
    }
    PrinterStatus statusNow() const;
    bool hung() const { return o.hangAfter >= 0 && printed >= o.hangAfter; }
    qsizetype unreadBytes() const;
    void run();
    void advance(Clock::time_point now);
    void answer(Clock::time_point now);
    void readFrom(Connection& c);
    void take(Connection& c, QByteArrayView bytes);
    void interpret(Connection& c, const QByteArray& plain);
    void closeConnection(Connection& c, bool abort);
    int pollTimeout(Clock::time_point now) const;
    // Switches a fault under the lock and wakes the printer's thread.
    void toggle(bool State::*flag, bool on, const QString& what);
};

PrinterStatus VirtualTcpPrinter::State::statusNow() const {
    PrinterStatus s;
    // Bytes still waiting in the input buffer show in no flag.
    for (const Connection& c : conns)
        if (c.inFormat && o.interpretDelayMs == 0)
            s.set(StatusFlag::InterpreterBusy);
    s.set(StatusFlag::PaperOut, paperOut);
    s.set(StatusFlag::PrintingBatch, printing || !queue.empty());
    s.set(StatusFlag::BusyPrinting, printing);
    s.set(StatusFlag::Paused, paused);
    return s;
}

int VirtualTcpPrinter::stripMs(const VirtualTcpPrinterOptions& options) {
    const double inches = double(options.picture.labelHeightDots) / options.picture.dpi;
    return std::max(1, int(1000.0 * inches / options.inchesPerSecond + 0.5));
}

// Finishes the strip under the head when its time has come and starts the
// next one the paper and the operator allow.
void VirtualTcpPrinter::State::advance(Clock::time_point now) {
    if (hung())
        return;
    for (Connection& c : conns)
        while (!c.unread.empty() && c.unread.front().first <= now) {
            const QByteArray plain = std::move(c.unread.front().second);
            c.unread.pop_front();
            interpret(c, plain);
        }
    if (printing && now >= doneAt) {
        printing = false;
        if (files && !files->write(current.raw))
            errors.append(files->errorText());
        if (o.printedStrip)
            o.printedStrip(current);
        current = DecodedLabel{};
        ++printed;
        log(QStringLiteral("strip %1 printed").arg(printed));
        if (o.paperOutAfter >= 0 && printed >= o.paperOutAfter && !paperOut) {
            paperOut = true;
            log(QStringLiteral("out of paper"));
        }
        if (o.pauseAfter >= 0 && printed >= o.pauseAfter && !paused) {
            paused = true;
            log(QStringLiteral("paused"));
        }
        changed.notify_all();
    }
    if (!printing && !queue.empty() && !paperOut && !paused && !hung()) {
        current = std::move(queue.front());
        queue.pop_front();
        printing = true;
        doneAt = now + Ms(VirtualTcpPrinter::stripMs(o));
    }
}

qsizetype VirtualTcpPrinter::State::unreadBytes() const {
    qsizetype n = 0;
    for (const Connection& c : conns)
        for (const auto& [due, bytes] : c.unread)
            n += bytes.size();
    return n;
}

void VirtualTcpPrinter::State::answer(Clock::time_point now) {
    if (hung())
        return;
    for (Connection& c : conns) {
        while (!c.answersDue.empty() && c.answersDue.front() <= now) {
            c.answersDue.pop_front();
            const QByteArray bytes =
                o.garble ? QByteArrayLiteral("Y?N#7\r") : statusNow().flagText() + '\r';
            // A few bytes always fit a socket's buffer; a client that reads
            // nothing for so long that they do not would lose the answer.
            (void)!::send(c.fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
        }
    }
}

int VirtualTcpPrinter::State::pollTimeout(Clock::time_point now) const {
    Clock::time_point next = now + Ms(1000);
    if (hung())
        return 1000; // what is owed stays owed; stop() wakes it
    if (printing)
        next = std::min(next, doneAt);
    for (const Connection& c : conns) {
        if (!c.answersDue.empty())
            next = std::min(next, c.answersDue.front());
        if (!c.unread.empty())
            next = std::min(next, c.unread.front().first);
    }
    const auto left = std::chrono::ceil<Ms>(next - now).count();
    return int(std::max<qint64>(0, left));
}

void VirtualTcpPrinter::State::closeConnection(Connection& c, bool abort) {
    if (abort) {
        // Closing with a zero linger resets the connection, as a printer
        // that is switched off or loses its link mid-strip.
        const linger reset{1, 0};
        ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    ::close(c.fd);
    c.fd = -1;
}

void VirtualTcpPrinter::State::take(Connection& c, QByteArrayView bytes) {
    QByteArray plain;
    plain.reserve(bytes.size());
    for (char b : bytes) {
        if (c.afterSoh) {
            c.afterSoh = false;
            if (b == 'A') {
                ++requests;
                const bool silent = muted || o.mute || (o.muteAfter >= 0 && printed >= o.muteAfter);
                if (!silent)
                    c.answersDue.push_back(Clock::now() + Ms(o.statusLatencyMs));
            }
            continue; // other immediate commands are not answered
        }
        if (b == kSoh) {
            c.afterSoh = true;
            continue;
        }
        const bool lineEnd = b == '\r' || b == '\n';
        const bool dropDue = dropNext || (o.dropAfter >= 0 && !dropped && received >= o.dropAfter);
        if (dropDue && !lineEnd) {
            if (dropNext)
                dropNext = false;
            else
                dropped = true;
            log(QStringLiteral("connection dropped in the middle of strip %1").arg(received + 1));
            closeConnection(c, true);
            return;
        }
        plain += b;
        if (lineEnd || b == kStx) {
            if (c.line == "\x02L")
                c.inFormat = true;
            else if (c.inFormat && c.line == "E")
                c.inFormat = false;
            c.line.clear();
        }
        if (!lineEnd)
            c.line += b;
    }
    if (o.interpretDelayMs > 0)
        c.unread.emplace_back(Clock::now() + Ms(o.interpretDelayMs), std::move(plain));
    else
        interpret(c, plain);
}

void VirtualTcpPrinter::State::interpret(Connection& c, const QByteArray& plain) {
    c.decoder.feed(plain);
    for (DecodedLabel& label : c.decoder.takeLabels()) {
        ++received;
        queue.push_back(std::move(label));
    }
}

void VirtualTcpPrinter::State::readFrom(Connection& c) {
    char buf[16384];
    for (;;) {
        const ssize_t n = ::recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            take(c, QByteArrayView(buf, n));
            if (c.fd < 0)
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // The station closed its end: a format it left unfinished is dropped
        // with the connection, as a printer that times out a partial job.
        closeConnection(c, false);
        return;
    }
}

void VirtualTcpPrinter::State::run() {
    std::unique_lock lock(mutex);
    while (!stopping) {
        const Clock::time_point now = Clock::now();
        advance(now);
        answer(now);
        // What a closed connection left in the input buffer is still read.
        conns.remove_if([](const Connection& c) { return c.fd < 0 && c.unread.empty(); });
        // Hung, or with a full input buffer, it takes nothing from the
        // network: fds of -1 are left alone by poll.
        const bool full = o.inputBufferBytes > 0 && unreadBytes() >= o.inputBufferBytes;
        std::vector<pollfd> fds{{wake[0], POLLIN, 0}, {hung() ? -1 : listener, POLLIN, 0}};
        for (const Connection& c : conns)
            fds.push_back({hung() || full ? -1 : c.fd, POLLIN, 0});
        const int timeout = pollTimeout(now);
        lock.unlock();
        const int r = ::poll(fds.data(), fds.size(), timeout);
        lock.lock();
        if (r <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            char drained[64];
            while (::read(wake[0], drained, sizeof drained) > 0) {
            }
        }
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0) {
                ++accepted;
                log(QStringLiteral("connection %1 accepted").arg(accepted));
                conns.emplace_back().fd = fd;
            }
        }
        size_t i = 2;
        for (Connection& c : conns) {
            if (i >= fds.size())
                break;
            // A closed connection's fd is negative: poll leaves it alone.
            if (fds[i++].revents & (POLLIN | POLLHUP | POLLERR))
                readFrom(c);
        }
    }
    for (Connection& c : conns)
        closeConnection(c, false);
    conns.clear();
}

VirtualTcpPrinter::VirtualTcpPrinter(VirtualTcpPrinterOptions options)
    : d_(std::make_unique<State>()) {
    d_->o = std::move(options);
}

VirtualTcpPrinter::~VirtualTcpPrinter() {
    stop();
}

bool VirtualTcpPrinter::start(QString* error) {
    stop();
    State& d = *d_;
    if (!(d.o.inchesPerSecond > 0)) {
        *error = QStringLiteral("the speed must be above 0 inches a second");
        return false;
    }
    if (!d.o.outDir.isEmpty()) {
        d.files = std::make_unique<VirtualPrinterPort>(d.o.outDir, d.o.picture);
        if (!d.files->open()) {
            *error = d.files->errorText();
            d.files.reset();
            return false;
        }
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const QByteArray host = d.o.host.toUtf8();
    const QByteArray service = QByteArray::number(d.o.port);
    const int rc = ::getaddrinfo(host.constData(), service.constData(), &hints, &found);
    if (rc != 0) {
        *error = QStringLiteral("%1: %2").arg(d.o.host, QString::fromLocal8Bit(::gai_strerror(rc)));
        return false;
    }
    QString why = QStringLiteral("no address");
    for (addrinfo* a = found; a && d.listener < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, 0);
        const int one = 1;
        if (fd >= 0)
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (fd >= 0 && ::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 8) == 0) {
            d.listener = fd;
            break;
        }
        why = systemError(errno);
        if (fd >= 0)
            ::close(fd);
    }
    ::freeaddrinfo(found);
    if (d.listener < 0) {
        *error = QStringLiteral("cannot listen on %1:%2: %3").arg(d.o.host).arg(d.o.port).arg(why);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    ::getsockname(d.listener, reinterpret_cast<sockaddr*>(&bound), &len);
    char serv[NI_MAXSERV] = {};
    ::getnameinfo(reinterpret_cast<sockaddr*>(&bound), len, nullptr, 0, serv, sizeof serv,
                  NI_NUMERICSERV);
    d.port = quint16(QByteArray(serv).toUInt());
    if (::pipe2(d.wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        *error = systemError(errno);
        ::close(d.listener);
        d.listener = -1;
        return false;
    }
    d.stopping = false;
    d.paperOut = d.o.paperOutAfter == 0;
    d.paused = d.o.pauseAfter == 0;
    d.dropped = d.printing = d.muted = d.dropNext = false;
    d.printed = d.received = d.requests = d.accepted = 0;
    d.queue.clear();
    d.errors.clear();
    d.running = true;
    d.thread = std::thread([&d] { d.run(); });
    return true;
}

void VirtualTcpPrinter::stop() {
    State& d = *d_;
    if (!d.running)
        return;
    {
        std::lock_guard lock(d.mutex);
        d.stopping = true;
    }
    (void)!::write(d.wake[1], "x", 1);
    d.thread.join();
    for (int* fd : {&d.listener, &d.wake[0], &d.wake[1]}) {
        ::close(*fd);
        *fd = -1;
    }
    d.files.reset();
    d.running = false;
    d.changed.notify_all();
}

bool VirtualTcpPrinter::isRunning() const {
    return d_->running;
}

quint16 VirtualTcpPrinter::port() const {
    return d_->port;
}

int VirtualTcpPrinter::printed() const {
    std::lock_guard lock(d_->mutex);
    return d_->printed;
}

int VirtualTcpPrinter::received() const {
    std::lock_guard lock(d_->mutex);
    return d_->received;
}

int VirtualTcpPrinter::waiting() const {
    std::lock_guard lock(d_->mutex);
    return int(d_->queue.size()) + (d_->printing ? 1 : 0);
}

int VirtualTcpPrinter::statusRequests() const {
    std::lock_guard lock(d_->mutex);
    return d_->requests;
}

int VirtualTcpPrinter::connections() const {
    std::lock_guard lock(d_->mutex);
    return d_->accepted;
}

bool VirtualTcpPrinter::waitPrinted(int count, int timeoutMs) const {
    std::unique_lock lock(d_->mutex);
    return d_->changed.wait_for(lock, Ms(timeoutMs), [&] { return d_->printed >= count; });
}

PrinterStatus VirtualTcpPrinter::status() const {
    std::lock_guard lock(d_->mutex);
    return d_->statusNow();
}

QStringList VirtualTcpPrinter::errors() const {
    std::lock_guard lock(d_->mutex);
    return d_->errors;
}

void VirtualTcpPrinter::State::toggle(bool State::*flag, bool on, const QString& what) {
    {
        std::lock_guard lock(mutex);
        if (this->*flag == on)
            return;
        this->*flag = on;
        log(what);
    }
    if (running)
        (void)!::write(wake[1], "x", 1);
}

void VirtualTcpPrinter::setPaperOut(bool out) {
    d_->toggle(&State::paperOut, out,
               out ? QStringLiteral("out of paper") : QStringLiteral("paper loaded"));
}

void VirtualTcpPrinter::setPaused(bool paused) {
    d_->toggle(&State::paused, paused,
               paused ? QStringLiteral("paused") : QStringLiteral("printing resumed"));
}

void VirtualTcpPrinter::setMuted(bool muted) {
    d_->toggle(&State::muted, muted,
               muted ? QStringLiteral("status muted") : QStringLiteral("status answered again"));
}

void VirtualTcpPrinter::dropNextConnection() {
    d_->toggle(&State::dropNext, true, QStringLiteral("the next strip's connection will drop"));
}
