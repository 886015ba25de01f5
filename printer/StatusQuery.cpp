#include "printer/StatusQuery.h"

#include "printer/FdPort.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

std::optional<PrinterStatus> failWith(QString* error, QString text) {
    if (error)
        *error = std::move(text);
    return std::nullopt;
}

// Reads whatever is waiting without waiting for more. False with the reason
// when reading fails; *closed when the far end has closed.
bool takeWaiting(int fd, QByteArray* into, bool* closed, QString* error) {
    *closed = false;
    char buf[256];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            // A printer that talks on and on is not answering anything.
            if (into->size() < 4096)
                into->append(buf, n);
            continue;
        }
        if (n == 0) {
            *closed = true;
            return true;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return true;
        *error = systemError(errno);
        return false;
    }
}

bool onlyLineEnds(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\n'; });
}

} // namespace

std::optional<PrinterStatus> askStatusOnFd(int fd, int timeoutMs, QString* error, bool* spoke) {
    bool ignored = false;
    bool& talked = spoke ? *spoke : ignored;
    talked = false;
    QDeadlineTimer deadline(timeoutMs);
    QString why;
    QByteArray stale;
    bool closed = false;
    if (!takeWaiting(fd, &stale, &closed, &why))
        return failWith(error, why);
    if (closed)
        return failWith(error, QStringLiteral("Connection closed by the printer"));
    talked = !onlyLineEnds(stale);
    if (talked)
        return failWith(error,
                        QStringLiteral("The printer sent %1 bytes before it was asked for its "
                                       "status (\"%2\"); they were thrown away")
                            .arg(stale.size())
                            .arg(visibleBytes(stale.left(MaxStatusAnswerBytes))));

    Delivery request(fd, backlogOf(fd), timeoutMs, 2);
    if (!request.send(QByteArrayView(StatusRequest, 2)))
        return failWith(error, request.error());

    QByteArray answer;
    char buf[MaxStatusAnswerBytes + 1];
    while (!answer.contains('\r')) {
        if (answer.size() > MaxStatusAnswerBytes)
            return failWith(error, QStringLiteral("The printer's status answer ran past %1 bytes "
                                                  "without its CR (\"%2\")")
                                       .arg(MaxStatusAnswerBytes)
                                       .arg(visibleBytes(answer)));
        pollfd p{fd, POLLIN, 0};
        const int wait = static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 0, 3600000));
        const int r = wait > 0 ? ::poll(&p, 1, wait) : 0;
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return failWith(error, systemError(errno));
        if (r == 0) {
            if (answer.isEmpty())
                return failWith(error, QStringLiteral("The printer did not answer the status "
                                                      "request within %1 ms")
                                           .arg(timeoutMs));
            return failWith(error, QStringLiteral("The printer's status answer stopped after "
                                                  "%1 bytes (\"%2\") without its CR within %3 ms")
                                       .arg(answer.size())
                                       .arg(visibleBytes(answer))
                                       .arg(timeoutMs));
        }
        const ssize_t n =
            ::read(fd, buf, static_cast<size_t>(MaxStatusAnswerBytes + 1 - answer.size()));
        if (n > 0) {
            answer.append(buf, n);
            talked = true;
            continue;
        }
        if (n == 0)
            return failWith(error, answer.isEmpty()
                                       ? QStringLiteral("Connection closed by the printer "
                                                        "before it answered the status request")
                                       : QStringLiteral("Connection closed by the printer in the "
                                                        "middle of its status answer (\"%1\")")
                                             .arg(visibleBytes(answer)));
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return failWith(error, systemError(errno));
    }
    return parsePrinterStatus(answer, error);
}
