#include "StripFixture.h"

#include "printer/TcpPort.h"
#include "printer/VirtualTcpPrinter.h"

#include <QTest>

#include <mutex>

// Faults of the networked virtual printer switched while it runs, as a soak
// run switches them at random, and the strips it reports as printed.

namespace {

VirtualTcpPrinterOptions fast() {
    VirtualTcpPrinterOptions o;
    o.port = 0;
    o.inchesPerSecond = 200; // 2 ms a strip
    return o;
}

bool startPrinter(VirtualTcpPrinter& printer) {
    QString error;
    if (printer.start(&error))
        return true;
    qWarning("the virtual printer did not start: %s", qPrintable(error));
    return false;
}

std::unique_ptr<TcpPort> connectTo(const VirtualTcpPrinter& printer) {
    auto port = std::make_unique<TcpPort>("127.0.0.1", printer.port(), 2000, 2000);
    return port->open() ? std::move(port) : nullptr;
}

void flip(VirtualTcpPrinter& printer, bool paperOut, bool on) {
    if (paperOut)
        printer.setPaperOut(on);
    else
        printer.setPaused(on);
}

} // namespace

class TestVirtualPrinterSwitches : public QObject {
    Q_OBJECT

    QByteArray strip_;

private slots:
    void initTestCase() {
        strip_ = drawStrip({defaultColumn(0, "SK000101"), defaultColumn(1, "SK000102")},
                           StripFormat::Barcode);
        QVERIFY(strip_.contains("\x02L"));
    }

    // Switched on, the printer holds what it receives and says why; switched
    // off, it prints what waited.
    void holdsUntilSwitchedOff_data() {
        QTest::addColumn<bool>("paperOut"); // else paused
        QTest::addColumn<QByteArray>("flags");
        QTest::newRow("paper out") << true << QByteArray("NYNYNNNN");
        QTest::newRow("paused") << false << QByteArray("NNNYNYNN");
    }
    void holdsUntilSwitchedOff() {
        QFETCH(bool, paperOut);
        QFETCH(QByteArray, flags);
        VirtualTcpPrinter printer(fast());
        QVERIFY(startPrinter(printer));
        auto port = connectTo(printer);
        QVERIFY(port);
        QVERIFY2(port->write(strip_), qPrintable(port->errorText()));
        QVERIFY(printer.waitPrinted(1, 2000));

        flip(printer, paperOut, true);
        for (int i = 0; i < 2; ++i)
            QVERIFY2(port->write(strip_), qPrintable(port->errorText()));
        QTRY_COMPARE_WITH_TIMEOUT(printer.received(), 3, 2000);
        auto status = port->askStatus(1000);
        QVERIFY2(status, qPrintable(port->errorText()));
        QCOMPARE(status->flagText(), flags);
        QCOMPARE(printer.printed(), 1);
        QCOMPARE(printer.waiting(), 2);

        flip(printer, paperOut, false);
        QVERIFY(printer.waitPrinted(3, 5000));
        status = port->askStatus(1000);
        QVERIFY2(status, qPrintable(port->errorText()));
        QCOMPARE(status->flagText(), QByteArray("NNNNNNNN"));
    }

    // Muted, a request gets no answer, not even a late one; unmuted, the next
    // request is answered.
    void mutedAndBack() {
        VirtualTcpPrinter printer(fast());
        QVERIFY(startPrinter(printer));
        auto port = connectTo(printer);
        QVERIFY(port);
        QVERIFY2(port->askStatus(1000), qPrintable(port->errorText()));
        printer.setMuted(true);
        QVERIFY(!port->askStatus(150));
        QCOMPARE(port->errorText(),
                 QStringLiteral("The printer did not answer the status request within 150 ms"));
        printer.setMuted(false);
        const auto status = port->askStatus(1000);
        QVERIFY2(status, qPrintable(port->errorText()));
        QCOMPARE(status->flagText(), QByteArray("NNNNNNNN"));
        QCOMPARE(printer.statusRequests(), 3);
    }

    // The next strip drops its connection and is not printed; the strip after
    // it, on a new connection, prints: the drop happens once.
    void dropsTheNextStripOnce() {
        VirtualTcpPrinter printer(fast());
        QVERIFY(startPrinter(printer));
        auto port = connectTo(printer);
        QVERIFY(port);
        QVERIFY2(port->write(strip_), qPrintable(port->errorText()));
        QVERIFY(printer.waitPrinted(1, 2000));
        // Status requests are no strip: they pass.
        printer.dropNextConnection();
        QVERIFY2(port->askStatus(1000), qPrintable(port->errorText()));
        const bool wrote = port->write(strip_);
        if (wrote)
            QVERIFY(!port->askStatus(1000));
        QVERIFY2(!port->errorText().isEmpty(), "no reason given");
        QCOMPARE(printer.received(), 1);

        port = connectTo(printer);
        QVERIFY(port);
        QVERIFY2(port->write(strip_), qPrintable(port->errorText()));
        QVERIFY(printer.waitPrinted(2, 2000));
        QCOMPARE(printer.received(), 2);
    }

    // Every strip that comes out is handed over once, in the order printed,
    // with the barcodes it carried; strips held by a fault only once they
    // print.
    void reportsPrintedStrips() {
        std::mutex mutex;
        QList<QByteArray> fields;
        VirtualTcpPrinterOptions o = fast();
        o.printedStrip = [&](const DecodedLabel& label) {
            std::lock_guard lock(mutex);
            for (const DecodedBarcode& b : label.barcodes)
                fields << decodeCode128Field(b.field).value_or("?");
        };
        const auto taken = [&] {
            std::lock_guard lock(mutex);
            return fields;
        };
        VirtualTcpPrinter printer(o);
        QVERIFY(startPrinter(printer));
        auto port = connectTo(printer);
        QVERIFY(port);
        const QByteArray second = drawStrip({defaultColumn(0, "SK000103")}, StripFormat::Barcode);
        QVERIFY2(port->write(strip_), qPrintable(port->errorText()));
        QVERIFY(printer.waitPrinted(1, 2000));
        printer.setPaperOut(true);
        QVERIFY2(port->write(second), qPrintable(port->errorText()));
        QTRY_COMPARE_WITH_TIMEOUT(printer.received(), 2, 2000);
        QCOMPARE(taken(), (QList<QByteArray>{"000101", "000102"}));
        printer.setPaperOut(false);
        QVERIFY(printer.waitPrinted(2, 2000));
        QCOMPARE(taken(), (QList<QByteArray>{"000101", "000102", "000103"}));
    }
};

QTEST_MAIN(TestVirtualPrinterSwitches)
#include "tst_virtualprinterswitches.moc"
