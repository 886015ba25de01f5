#include "printer/Port.h"
#include "printer/PplaPrinter.h"
#include "printer/PplaResult.h"

#include "tests/printer/Loopback.h"
#include "tests/support/DataTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Generous: a hang would be minutes; the ports give up in well under a second here.
constexpr qint64 kBoundMs = 10000;

PplaPrinterOptions quickOptions(QHash<QString, QString> env = {}) {
    PplaPrinterOptions o;
    o.writeTimeoutMs = 300;
    o.connectTimeoutMs = 300;
    o.env = [env](const QString& name) { return env.value(name); };
    return o;
}

// Draws a strip whose bytes are well over 4 KiB (three long text images).
void drawLongStrip(PplaPrinter& p) {
    const char* names[] = {"A3", "B3", "C3"};
    for (int c = 0; c < 3; ++c) {
        p.A_Prn_Barcode(30 + 240 * c, 30, 1, 'e', 2, 1, 30, 'N', 0, "ABC123");
        p.A_Prn_Text_TrueType(40 + 240 * c, 18, 30, "Times New Roman", 1, 400, 0, 0, 0, names[c],
                              "SN:W1M2W3M4W5M6W7M8W9", 1);
    }
}

// The driver with a long strip drawn, open on a FIFO whose reader takes the
// bytes through a 4 KiB pipe buffer: the strip cannot go in at once.
struct LongStripToFifo {
    QTemporaryDir dir;
    QByteArray fifo = QFile::encodeName(dir.filePath("lp"));
    int reader = -1;
    PplaPrinter p{quickOptions()};

    bool open() {
        if (::mkfifo(fifo.constData(), 0600) != 0)
            return false;
        reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        if (reader < 0)
            return false;
        ::fcntl(reader, F_SETPIPE_SZ, 4096);
        if (p.A_CreatePrn(12, fifo.constData()) != PplaResult::Ok)
            return false;
        drawLongStrip(p);
        return true;
    }
};

} // namespace

class TestPrinterFaults : public QObject {
    Q_OBJECT
private slots:
    void openFailsWithTheSystemsReason_data() {
        DataTable<int, QByteArray, QString>({"selection", "name", "reason"})
            .row("missing device", 12, QByteArray("/nonexistent/usb/lp7"),
                 "No such file or directory")
            .row("unconfigured port 0", 0, QByteArray("0"), "VORNELL_PRINTER_0")
            .row("missing USB3", 0, QByteArray("3"), "/dev/usb/lp2")
            .row("unknown number", 0, QByteArray("9"), "0 to 6")
            .row("malformed path", 12, QByteArray("lpt1:"), "lpt1:")
            .row("refused TCP", 12,
                 QByteArray("tcp:127.0.0.1:") + QByteArray::number(loopback::closedPort()),
                 "Connection refused");
    }
    void openFailsWithTheSystemsReason() {
        QFETCH(int, selection);
        QFETCH(QByteArray, name);
        QFETCH(QString, reason);
        // Nothing configured: USB3 reaches its default /dev/usb/lp2.
        if (QFile::exists("/dev/usb/lp2"))
            QSKIP("this machine has /dev/usb/lp2");
        PplaPrinter p(quickOptions());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(p.A_CreatePrn(selection, name.constData()), PplaResult::OpenFailed);
        QVERIFY(clock.elapsed() < kBoundMs);
        QVERIFY2(p.lastErrorText().contains(reason), qPrintable(p.lastErrorText()));
        // Nothing is open: the rest of the job fails without harm.
        QCOMPARE(p.A_Set_Darkness(12), PplaResult::NotOpen);
        QCOMPARE(p.A_Prn_Barcode(30, 30, 1, 'e', 2, 1, 30, 'N', 0, "123456"), PplaResult::NotOpen);
        QCOMPARE(
            p.A_Prn_Text_TrueType(40, 18, 30, "Times New Roman", 1, 400, 0, 0, 0, "A3", "SN:", 1),
            PplaResult::NotOpen);
        QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::NotOpen);
        QCOMPARE(p.A_Feed_Label(), PplaResult::NotOpen);
        QCOMPARE(p.A_ClosePrn(), PplaResult::NotOpen);
        QVERIFY(!p.lastErrorText().isEmpty());
    }

    void fifoWithoutReaderFailsToOpen() {
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(dir.filePath("lp"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        PplaPrinter p(quickOptions());
        QCOMPARE(p.A_CreatePrn(12, fifo.constData()), PplaResult::OpenFailed);
        QVERIFY2(p.lastErrorText().contains("No such device or address"),
                 qPrintable(p.lastErrorText()));
    }

    // The reader takes the start of the strip, then goes away.
    void readerGoneMidStrip() {
        LongStripToFifo f;
        QVERIFY(f.open());
        PplaPrinter& p = f.p;
        const int reader = f.reader;
        std::thread unplug([reader] {
            pollfd pfd{reader, POLLIN, 0};
            ::poll(&pfd, 1, 5000);
            char buf[100];
            [[maybe_unused]] const ssize_t n = ::read(reader, buf, sizeof buf);
            ::close(reader);
        });
        QElapsedTimer clock;
        clock.start();
        const int rc = p.A_Print_Out(1, 1, 1, 1);
        unplug.join();
        QCOMPARE(rc, PplaResult::WriteFailed);
        QVERIFY(clock.elapsed() < kBoundMs);
        QVERIFY2(p.lastErrorText().contains("Broken pipe"), qPrintable(p.lastErrorText()));
        QCOMPARE(p.A_ClosePrn(), PplaResult::Ok);
    }

    // A reader that stops taking data: the write gives up after its time limit.
    void stalledReaderTimesOut() {
        LongStripToFifo f;
        QVERIFY(f.open());
        PplaPrinter& p = f.p;
        const int reader = f.reader;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::WriteFailed);
        QVERIFY(clock.elapsed() < kBoundMs);
        QVERIFY2(p.lastErrorText().startsWith("The printer did not take the strip within 0.3 s"),
                 qPrintable(p.lastErrorText()));
        ::close(reader);
    }

    void deviceRefusingWrites() {
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full");
        PplaPrinter p(quickOptions());
        QCOMPARE(p.A_CreatePrn(12, "/dev/full"), PplaResult::Ok);
        drawLongStrip(p);
        QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::WriteFailed);
        QVERIFY2(p.lastErrorText().contains("No space left on device"),
                 qPrintable(p.lastErrorText()));
    }

    void tcpPeerGone_data() { DataTable<bool>({"reset"}).row("reset", true).row("closed", false); }
    void tcpPeerGone() {
        QFETCH(bool, reset);
        quint16 port = 0;
        const int server = loopback::listen(&port);
        PplaPrinter p(quickOptions());
        const QByteArray address = "tcp:127.0.0.1:" + QByteArray::number(port);
        QCOMPARE(p.A_CreatePrn(12, address.constData()), PplaResult::Ok);
        const int peer = ::accept(server, nullptr, nullptr);
        QVERIFY(peer >= 0);
        if (reset) {
            const linger abort{1, 0};
            ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        }
        ::close(peer);
        ::close(server);
        drawLongStrip(p);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::WriteFailed);
        QVERIFY(clock.elapsed() < kBoundMs);
        QVERIFY(!p.lastErrorText().isEmpty());
    }

    void tcpPrinterReceivesTheStrip() {
        quint16 port = 0;
        const int server = loopback::listen(&port);
        PplaPrinter p(
            quickOptions({{"VORNELL_PRINTER_USB4", "tcp:127.0.0.1:" + QString::number(port)}}));
        QCOMPARE(p.A_CreatePrn(0, "4"), PplaResult::Ok);
        const int peer = ::accept(server, nullptr, nullptr);
        drawLongStrip(p);
        QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::Ok);
        QCOMPARE(p.A_ClosePrn(), PplaResult::Ok);
        QByteArray got;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(peer, buf, sizeof buf)) > 0)
            got.append(buf, n);
        ::close(peer);
        ::close(server);
        QVERIFY(got.startsWith("\x02m\r"));
        QVERIFY(got.endsWith("Q0001\rE\r"));
    }

    // The print-out advances past its strip; the feeds after it send nothing.
    void feedsAfterPrintOutWasteNoLabel() {
        auto port = std::make_shared<MemoryPort>();
        PplaPrinter p(port);
        QCOMPARE(p.A_CreatePrn(0, "1"), PplaResult::Ok);
        QCOMPARE(p.A_Feed_Label(), PplaResult::Ok);
        QCOMPARE(port->takeBytes(), QByteArray("\x02"
                                               "F\r"));
        QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::Ok);
        const QByteArray strip = port->takeBytes();
        QVERIFY(strip.endsWith("E\r"));
        QCOMPARE(p.A_Feed_Label(), PplaResult::Ok);
        QCOMPARE(p.A_Feed_Label(), PplaResult::Ok);
        QCOMPARE(port->bytes(), QByteArray());
        QCOMPARE(p.A_ClosePrn(), PplaResult::Ok);
        // A new opening starts afresh: a feed advances again.
        QCOMPARE(p.A_CreatePrn(0, "1"), PplaResult::Ok);
        QCOMPARE(p.A_Feed_Label(), PplaResult::Ok);
        QCOMPARE(port->bytes(), QByteArray("\x02"
                                           "F\r"));
    }

    void fileAppends() {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.ppla");
        PplaPrinter p(quickOptions({{"VORNELL_PRINTER_0", "file:" + path}}));
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(p.A_CreatePrn(0, "0"), PplaResult::Ok);
            QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::Ok);
            QCOMPARE(p.A_ClosePrn(), PplaResult::Ok);
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count("\x02L\r"), 2);
    }
};

QTEST_MAIN(TestPrinterFaults)
#include "tst_printerfaults.moc"
