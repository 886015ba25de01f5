#include "ScriptedStatusPeer.h"
#include "StripFixture.h"

#include "printer/TcpPort.h"
#include "printer/VirtualPrinter.h"
#include "printer/VirtualTcpPrinter.h"
#include "tests/support/DataTable.h"
#include "tests/support/NetworkPrinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The networked virtual printer, driven through the station's own TcpPort.

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestVirtualTcpPrinter : public QObject {
    Q_OBJECT

    QByteArray strip_;

    static VirtualTcpPrinterOptions fast() { return networkPrinter(200); } // 2 ms a strip
    static std::unique_ptr<TcpPort> connectTo(const VirtualTcpPrinter& printer) {
        auto port = std::make_unique<TcpPort>("127.0.0.1", printer.port(), 2000, 2000);
        return port->open() ? std::move(port) : nullptr;
    }
    // Starts printer and connects to it; null when either fails.
    static std::unique_ptr<TcpPort> startAndConnect(VirtualTcpPrinter& printer) {
        return started(printer) ? connectTo(printer) : nullptr;
    }

private slots:
    void initTestCase() {
        strip_ = drawStrip({defaultColumn(0, "01A0B1C2"), defaultColumn(1, "01A0B1C3")},
                           StripFormat::Barcode);
        QVERIFY(strip_.contains("\x02L"));
    }

    void readyWhenIdle() {
        VirtualTcpPrinter printer(fast());
        auto port = startAndConnect(printer);
        QVERIFY(port);
        const auto status = port->askStatus(1000);
        QVERIFY2(status, qPrintable(port->errorText()));
        QCOMPARE(status->flagText(), QByteArray("NNNNNNNN"));
        QVERIFY(status->ready());
        QCOMPARE(printer.statusRequests(), 1);
    }

    // Strips queue up and print at the printer's speed; it answers while it
    // prints, and in the middle of a format.
    void busyWhilePrinting() {
        VirtualTcpPrinterOptions o = fast();
        o.inchesPerSecond = 2; // about 200 ms a strip
        VirtualTcpPrinter printer(o);
        auto port = startAndConnect(printer);
        QVERIFY(port);
        const qsizetype half = strip_.indexOf("\x02L") + 8;
        QVERIFY(port->write(strip_.left(half)));
        auto status = port->askStatus(1000);
        QVERIFY2(status, qPrintable(port->errorText()));
        QCOMPARE(status->flagText(), QByteArray("YNNNNNNN")); // reading a format
        QVERIFY(port->write(strip_.mid(half)));
        QVERIFY(port->write(strip_));
        status = port->askStatus(1000);
        QVERIFY2(status, qPrintable(port->errorText()));
        QVERIFY(status->has(StatusFlag::BusyPrinting));
        QVERIFY(status->has(StatusFlag::PrintingBatch));
        QVERIFY(status->busy());
        QVERIFY(status->ready());
        QCOMPARE(printer.printed(), 0);
        QCOMPARE(printer.received(), 2);
        QVERIFY(printer.waitPrinted(2, 5000));
        status = port->askStatus(1000);
        QVERIFY2(status, qPrintable(port->errorText()));
        QCOMPARE(status->flagText(), QByteArray("NNNNNNNN"));
        QCOMPARE(printer.waiting(), 0);
    }

    void stopsPrinting_data() {
        DataTable<int, int, int, QByteArray, QString>(
            {"paperOutAfter", "pauseAfter", "printed", "flags", "words"})
            .row("paper out after 2", 2, -1, 2, QByteArray("NYNYNNNN"),
                 "the printer is out of paper or has a fault")
            .row("paper out at once", 0, -1, 0, QByteArray("NYNYNNNN"),
                 "the printer is out of paper or has a fault")
            .row("paused after 1", -1, 1, 1, QByteArray("NNNYNYNN"), "the printer is paused");
    }
    void stopsPrinting() {
        QFETCH(int, paperOutAfter);
        QFETCH(int, pauseAfter);
        QFETCH(int, printed);
        QFETCH(QByteArray, flags);
        QFETCH(QString, words);
        VirtualTcpPrinterOptions o = fast();
        o.paperOutAfter = paperOutAfter;
        o.pauseAfter = pauseAfter;
        VirtualTcpPrinter printer(o);
        auto port = startAndConnect(printer);
        QVERIFY(port);
        // The bytes go through whole: the printer takes them into its memory.
        for (int i = 0; i < 4; ++i)
            QVERIFY2(port->write(strip_), qPrintable(port->errorText()));
        QTRY_COMPARE_WITH_TIMEOUT(printer.received(), 4, 2000);
        QVERIFY(printer.waitPrinted(printed, 2000));
        // Thirty strips' time: nothing more comes out.
        QVERIFY(!printer.waitPrinted(printed + 1, 60));
        QCOMPARE(printer.printed(), printed);
        QCOMPARE(printer.waiting(), 4 - printed);
        const auto status = port->askStatus(1000);
        QVERIFY2(status, qPrintable(port->errorText()));
        QCOMPARE(status->flagText(), flags);
        QVERIFY(!status->ready());
        QCOMPARE(describeStatus(*status, 437), words);

        // Started again, it has paper and is not paused, unless it runs out
        // before the first strip.
        port->close();
        printer.stop();
        QVERIFY(started(printer));
        port = connectTo(printer);
        QVERIFY(port);
        const auto fresh = port->askStatus(1000);
        QVERIFY2(fresh, qPrintable(port->errorText()));
        QCOMPARE(fresh->has(StatusFlag::PaperOut), paperOutAfter == 0);
        QCOMPARE(fresh->has(StatusFlag::Paused), pauseAfter == 0);
        QCOMPARE(printer.printed(), 0);
    }

    void muteNeverAnswers() {
        VirtualTcpPrinterOptions o = fast();
        o.mute = true;
        VirtualTcpPrinter printer(o);
        auto port = startAndConnect(printer);
        QVERIFY(port);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!port->askStatus(150));
        QVERIFY(clock.elapsed() >= 150);
        QCOMPARE(port->errorText(),
                 QStringLiteral("The printer did not answer the status request within 150 ms"));
        QCOMPARE(printer.statusRequests(), 1);
        // It still prints.
        QVERIFY(port->write(strip_));
        QVERIFY(printer.waitPrinted(1, 2000));
    }

    // An answer later than the caller waits fails that request; it arrives
    // afterwards unasked, fails the next one, and is gone for the one after.
    void slowAnswers() {
        VirtualTcpPrinterOptions o = fast();
        o.statusLatencyMs = 80;
        VirtualTcpPrinter printer(o);
        auto port = startAndConnect(printer);
        QVERIFY(port);
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(port->askStatus(1000), qPrintable(port->errorText()));
        QVERIFY(clock.elapsed() >= 80);
        QVERIFY(!port->askStatus(20));
        QVERIFY(port->errorText().contains("did not answer the status request within 20 ms"));
        QTest::qWait(150);
        QVERIFY(!port->askStatus(1000));
        QVERIFY2(port->errorText().contains("sent 9 bytes before it was asked"),
                 qPrintable(port->errorText()));
        QVERIFY2(port->askStatus(1000), qPrintable(port->errorText()));
    }

    // The printer drops the connection in the middle of the second strip.
    void dropMidStrip() {
        VirtualTcpPrinterOptions o = fast();
        o.dropAfter = 1;
        VirtualTcpPrinter printer(o);
        auto port = startAndConnect(printer);
        QVERIFY(port);
        QVERIFY2(port->write(strip_), qPrintable(port->errorText()));
        QVERIFY(printer.waitPrinted(1, 2000));
        const bool wrote = port->write(strip_);
        if (wrote) {
            QVERIFY(!port->askStatus(1000));
            QVERIFY2(!port->errorText().isEmpty(), "no reason given");
        } else {
            QVERIFY2(port->errorText().contains("reset") || port->errorText().contains("closed"),
                     qPrintable(port->errorText()));
        }
        QVERIFY(!printer.waitPrinted(2, 100));
        QCOMPARE(printer.received(), 1);
        // Once only: a new connection prints.
        port = connectTo(printer);
        QVERIFY(port);
        QVERIFY2(port->write(strip_), qPrintable(port->errorText()));
        QVERIFY(printer.waitPrinted(2, 2000));
    }

    // A printer that answers garbage gives no status.
    void garbageAnswer() {
        ScriptedStatusPeer peer(ScriptedStatusPeer::Line::Tcp,
                                {{}, QByteArray("\x7f\x13NN garbage\r"), 0, false});
        TcpPort port("127.0.0.1", peer.tcpPort(), 2000, 2000);
        QVERIFY2(port.open(), qPrintable(port.errorText()));
        QVERIFY(!port.askStatus(1000));
        QCOMPARE(port.errorText(), QStringLiteral("The printer's status answer "
                                                  "\"<x7F><x13>NN garbage<CR>\" has \"<x7F>\" "
                                                  "where a Y or N belongs (character 1)"));
    }

    // Every strip printed leaves the files "preview:" would make of it; a
    // status request in the middle of the strip is no part of them.
    void savesStrips() {
        QTemporaryDir out;
        QTemporaryDir preview;
        VirtualTcpPrinterOptions o = fast();
        o.outDir = out.path();
        VirtualTcpPrinter printer(o);
        auto port = startAndConnect(printer);
        QVERIFY(port);
        const qsizetype half = strip_.size() / 2;
        QVERIFY(port->write(strip_.left(half)));
        QVERIFY2(port->askStatus(1000), qPrintable(port->errorText()));
        QVERIFY(port->write(strip_.mid(half)));
        QVERIFY(port->write(strip_));
        QVERIFY(printer.waitPrinted(2, 5000));
        QVERIFY(printer.errors().isEmpty());

        VirtualPrinterPort reference(preview.path());
        QVERIFY(reference.open());
        QVERIFY(reference.write(strip_ + strip_));
        const QStringList names{"strip-000001.png", "strip-000001.ppla", "strip-000002.png",
                                "strip-000002.ppla"};
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), names);
        for (const QString& name : names) {
            const QByteArray got = readAll(QDir(out.path()).filePath(name));
            QVERIFY(!got.isEmpty());
            QCOMPARE(got, readAll(QDir(preview.path()).filePath(name)));
        }
    }
};

QTEST_MAIN(TestVirtualTcpPrinter)
#include "tst_virtualtcpprinter.moc"
