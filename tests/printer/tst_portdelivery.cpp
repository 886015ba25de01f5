#include "printer/FdPort.h"
#include "printer/TcpPort.h"

#include "tests/printer/Loopback.h"
#include "tests/support/DataTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// A write counts only once the far end has every byte: a device or a network
// printer that accepts the bytes into a buffer and then takes no more must
// fail the strip within the port's time limit.

namespace {

// Generous: a hang would be minutes; the ports give up in well under this.
constexpr qint64 kBoundMs = 10000;

QByteArray pattern(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('A' + i % 23);
    return bytes;
}

// Reads from fd in chunks of chunk bytes, pausing pauseMs after each, until
// it has read limit bytes (limit < 0: all) or the stream ends; after its limit
// it keeps the descriptor open and reads nothing more. finish() waits for the
// end of the stream or the limit, so close the writing end first.
class Reader {
public:
    Reader(int fd, qsizetype chunk, int pauseMs, qsizetype limit)
        : fd_(fd), thread_([=, this] { run(chunk, pauseMs, limit); }) {}
    ~Reader() {
        abort_ = true;
        finish();
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    const QByteArray& finish() {
        if (thread_.joinable())
            thread_.join();
        return got_;
    }

private:
    void run(qsizetype chunk, int pauseMs, qsizetype limit) {
        QByteArray buf(chunk, Qt::Uninitialized);
        while (!abort_ && (limit < 0 || got_.size() < limit)) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            const qsizetype want = limit < 0 ? chunk : std::min(chunk, limit - got_.size());
            const ssize_t n = ::read(fd_, buf.data(), want);
            if (n == 0)
                return;
            if (n > 0)
                got_.append(buf.constData(), n);
            if (pauseMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
    }

    int fd_;
    std::atomic<bool> abort_{false};
    QByteArray got_;
    std::thread thread_;
};

// Writes bytes to the port and closes it: whether the write succeeded, how
// long it took, and what the reader took in the end.
struct Delivery {
    bool ok;
    qint64 took;
    QByteArray got;
};
Delivery deliver(Port& port, const QByteArray& bytes, Reader& printer) {
    QElapsedTimer clock;
    clock.start();
    const bool ok = port.write(bytes);
    const qint64 took = clock.elapsed();
    port.close();
    return {ok, took, printer.finish()};
}

} // namespace

class TestPortDelivery : public QObject {
    Q_OBJECT
private slots:
    // A FIFO stands in for the printer device; its reader is the printer.
    void device_data() {
        // failure: empty: the write succeeds
        DataTable<qsizetype, qsizetype, int, qsizetype, int, QString>(
            {"size", "chunk", "pauseMs", "readLimit", "timeoutMs", "failure"})
            .row("reader takes nothing", qsizetype(3000), qsizetype(512), 0, qsizetype(0), 300,
                 "The printer did not take the strip within 0.3 s (0 of 3000 bytes taken)")
            .row("reader stops partway", qsizetype(3000), qsizetype(250), 0, qsizetype(1000), 300,
                 "The printer did not take the strip within 0.3 s (1000 of 3000 bytes taken)")
            .row("reader stops after a full pipe", qsizetype(200000), qsizetype(4096), 0,
                 qsizetype(70000), 300, "The printer did not take the strip within 0.3 s")
            .row("slow reader finishes", qsizetype(3000), qsizetype(100), 5, qsizetype(-1), 5000,
                 QString())
            .row("slow reader, more than a pipe holds", qsizetype(200000), qsizetype(8192), 5,
                 qsizetype(-1), 5000, QString());
    }
    void device() {
        QFETCH(qsizetype, size);
        QFETCH(qsizetype, chunk);
        QFETCH(int, pauseMs);
        QFETCH(qsizetype, readLimit);
        QFETCH(int, timeoutMs);
        QFETCH(QString, failure);
        QTemporaryDir dir;
        const QString path = dir.filePath("lp");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        FdPort port(path, FdPort::Mode::Device, timeoutMs);
        QVERIFY2(port.open(), qPrintable(port.errorText()));
        const QByteArray bytes = pattern(size);
        Reader printer(reader, chunk, pauseMs, readLimit);
        const auto [ok, took, got] = deliver(port, bytes, printer);
        ::close(reader);
        QVERIFY(took < kBoundMs);
        if (failure.isEmpty()) {
            QVERIFY2(ok, qPrintable(port.errorText()));
            QCOMPARE(got, bytes);
        } else {
            QVERIFY(!ok);
            QVERIFY(took >= timeoutMs - 5);
            QVERIFY2(port.errorText().startsWith(failure), qPrintable(port.errorText()));
        }
    }

    // A listener that accepts the connection: a printer that reads everything,
    // or one that reads nothing and lets its small receive buffer fill. Bytes
    // the peer's system acknowledged count as taken; only the rest fail.
    void tcp_data() {
        DataTable<qsizetype, bool, bool>({"size", "reads", "succeeds"})
            .row("reading printer, large strip", qsizetype(400000), true, true)
            .row("reading printer, small strip", qsizetype(300), true, true)
            .row("silent printer, small strip acknowledged", qsizetype(300), false, true)
            .row("silent printer, window full", qsizetype(40000), false, false)
            .row("silent printer, more than the buffers hold", qsizetype(400000), false, false);
    }
    void tcp() {
        QFETCH(qsizetype, size);
        QFETCH(bool, reads);
        QFETCH(bool, succeeds);
        quint16 number = 0;
        const int server = loopback::listen(&number, 4096);
        TcpPort port(QStringLiteral("127.0.0.1"), number, 1000, 1000);
        QVERIFY2(port.open(), qPrintable(port.errorText()));
        const int peer = ::accept(server, nullptr, nullptr);
        QVERIFY(peer >= 0);
        const QByteArray bytes = pattern(size);
        Reader printer(peer, 65536, 0, reads ? size : 0);
        const auto [ok, took, got] = deliver(port, bytes, printer);
        ::close(peer);
        ::close(server);
        QVERIFY(took < kBoundMs);
        QCOMPARE(ok, succeeds);
        if (reads)
            QCOMPARE(got, bytes);
        if (!succeeds)
            QVERIFY2(port.errorText().startsWith("The printer did not take the strip within 1 s ("),
                     qPrintable(port.errorText()));
    }
};

QTEST_GUILESS_MAIN(TestPortDelivery)
#include "tst_portdelivery.moc"
