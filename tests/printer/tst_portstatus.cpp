#include "ScriptedStatusPeer.h"

#include "printer/FdPort.h"
#include "printer/TcpPort.h"
#include "printer/VirtualPrinter.h"
#include "tests/support/DataTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

// Asking a port for the printer's status, against a real far end that answers
// as scripted: a TCP listener on loopback, a pseudo terminal as the device.

namespace {

constexpr char kRequest[] = "\x01"
                            "A";

// Generous: a hang would show as the whole test timing out.
constexpr qint64 kBoundMs = 5000;

} // namespace

Q_DECLARE_METATYPE(ScriptedStatusPeer::Line)

class TestPortStatus : public QObject {
    Q_OBJECT
private slots:
    void answers_data() {
        QTest::addColumn<ScriptedStatusPeer::Line>("line");
        QTest::addColumn<QByteArray>("early");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("hangUp");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QByteArray>("flags"); // empty: no status
        QTest::addColumn<QString>("reason");

        for (const auto line : {ScriptedStatusPeer::Line::Tcp, ScriptedStatusPeer::Line::Pty}) {
            const char* name = line == ScriptedStatusPeer::Line::Tcp ? "tcp" : "pty";
            auto row = [&](const char* what) -> QTestData& {
                return QTest::addRow("%s: %s", name, what);
            };
            row("ready") << line << QByteArray() << QByteArray("NNNNNNNN\r") << 0 << false << 1000
                         << QByteArray("NNNNNNNN") << QString();
            row("paper out, slowly") << line << QByteArray() << QByteArray("NYNNNNNN\r") << 60
                                     << false << 1000 << QByteArray("NYNNNNNN") << QString();
            row("more flags") << line << QByteArray() << QByteArray("NNNNNYNNNNNN\r") << 0 << false
                              << 1000 << QByteArray("NNNNNYNN") << QString();
            row("line ends waiting are no stray bytes")
                << line << QByteArray("\r\n") << QByteArray("NNYNNNNN\r") << 0 << false << 1000
                << QByteArray("NNYNNNNN") << QString();
            row("stray bytes before the request")
                << line << QByteArray("hello") << QByteArray("NNNNNNNN\r") << 0 << false << 1000
                << QByteArray() << "sent 5 bytes before it was asked for its status (\"hello\")";
            row("silence") << line << QByteArray() << QByteArray() << 0 << false << 150
                           << QByteArray()
                           << "The printer did not answer the status request within 150 ms";
            row("answer later than the limit")
                << line << QByteArray() << QByteArray("NNNNNNNN\r") << 400 << false << 100
                << QByteArray() << "did not answer the status request within 100 ms";
            row("cut short") << line << QByteArray() << QByteArray("NNNN") << 0 << false << 150
                             << QByteArray() << "stopped after 4 bytes (\"NNNN\") without its CR";
            row("garbled") << line << QByteArray() << QByteArray("N?NNNNNN\r") << 0 << false << 1000
                           << QByteArray() << "has \"?\" where a Y or N belongs";
            row("too long") << line << QByteArray() << QByteArray(200, 'N') << 0 << false << 1000
                            << QByteArray() << "ran past 64 bytes without its CR";
        }
        const auto tcp = ScriptedStatusPeer::Line::Tcp;
        QTest::newRow("tcp: closed without answering")
            << tcp << QByteArray() << QByteArray() << 0 << true << 1000 << QByteArray()
            << "Connection closed by the printer before it answered the status request";
        QTest::newRow("tcp: closed mid-answer")
            << tcp << QByteArray() << QByteArray("NNN") << 0 << true << 1000 << QByteArray()
            << "Connection closed by the printer in the middle of its status answer (\"NNN\")";
    }
    void answers() {
        QFETCH(ScriptedStatusPeer::Line, line);
        QFETCH(QByteArray, early);
        QFETCH(QByteArray, answer);
        QFETCH(int, delayMs);
        QFETCH(bool, hangUp);
        QFETCH(int, timeoutMs);
        QFETCH(QByteArray, flags);
        QFETCH(QString, reason);

        ScriptedStatusPeer peer(line, {early, answer, delayMs, hangUp});
        std::unique_ptr<Port> port;
        if (line == ScriptedStatusPeer::Line::Tcp)
            port = std::make_unique<TcpPort>("127.0.0.1", peer.tcpPort(), 2000, 2000);
        else
            port = std::make_unique<FdPort>(QString::fromLocal8Bit(peer.ptyPath()),
                                            FdPort::Mode::Device, 2000);
        QVERIFY2(port->open(), qPrintable(port->errorText()));
        QVERIFY(port->canAskStatus());
        QVERIFY(peer.waitEarlySent(2000));
        // Loopback and a terminal hand bytes over at once; a moment more makes
        // sure the early bytes wait on our side before the request goes out.
        if (!early.isEmpty())
            QTest::qWait(20);

        QElapsedTimer clock;
        clock.start();
        const std::optional<PrinterStatus> status = port->askStatus(timeoutMs);
        const qint64 took = clock.elapsed();
        QVERIFY(took < kBoundMs);
        if (flags.isEmpty()) {
            QVERIFY2(!status, status ? status->flagText().constData() : "");
            QVERIFY2(port->errorText().contains(reason), qPrintable(port->errorText()));
        } else {
            QVERIFY2(status, qPrintable(port->errorText()));
            QCOMPARE(status->flagText(), flags);
        }
        // The request is sent unless stray bytes showed the line is not clean.
        if (!reason.contains("before it was asked")) {
            QTRY_COMPARE_WITH_TIMEOUT(peer.received(), QByteArray(kRequest), 1000);
        } else {
            QCOMPARE(peer.received(), QByteArray());
            // The stray bytes are gone: the next request gets its answer.
            const std::optional<PrinterStatus> again = port->askStatus(1000);
            QVERIFY2(again, qPrintable(port->errorText()));
            QCOMPARE(again->flagText(), QByteArray("NNNNNNNN"));
        }
    }

    // Ports whose far end cannot answer say so and send nothing.
    void portsThatCannotAsk_data() {
        DataTable<QString, QString>({"kind", "reason"})
            .row("memory", "memory", "memory cannot ask the printer for its status")
            .row("file", "file", "cannot ask the printer for its status")
            .row("preview", "preview", "cannot ask the printer for its status")
            .row("FIFO, opened for writing only", "fifo", "cannot ask the printer for its status")
            .row("device not open", "closed", "port is not open")
            .row("tcp not open", "tcp closed", "port is not open");
    }
    void portsThatCannotAsk() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("target");
        int reader = -1;
        std::unique_ptr<Port> port;
        bool opens = true;
        if (kind == "memory") {
            port = std::make_unique<MemoryPort>();
        } else if (kind == "file") {
            port = std::make_unique<FdPort>(path, FdPort::Mode::Append, 1000);
        } else if (kind == "preview") {
            port = std::make_unique<VirtualPrinterPort>(path);
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
            QVERIFY(reader >= 0);
            port = std::make_unique<FdPort>(path, FdPort::Mode::Device, 1000);
        } else if (kind == "closed") {
            port = std::make_unique<FdPort>("/dev/null", FdPort::Mode::Device, 1000);
            opens = false;
        } else {
            port = std::make_unique<TcpPort>("127.0.0.1", 9, 1000, 1000);
            opens = false;
        }
        if (opens)
            QVERIFY2(port->open(), qPrintable(port->errorText()));
        QVERIFY(!port->canAskStatus());
        QVERIFY(!port->askStatus(200));
        QVERIFY2(port->errorText().contains(reason), qPrintable(port->errorText()));
        if (kind == "file")
            QCOMPARE(QFileInfo(path).size(), 0);
        if (reader >= 0) {
            // Nothing was sent; the writer is still there.
            char buf[8];
            QCOMPARE(::read(reader, buf, sizeof buf), ssize_t(-1));
            QCOMPARE(errno, EAGAIN);
            ::close(reader);
        }
    }
};

QTEST_GUILESS_MAIN(TestPortStatus)
#include "tst_portstatus.moc"
