#include "StationProcess.h"
#include "printer/PplaDecoder.h"
#include "tests/printer/ZbarReader.h"

#include <QImage>
#include <QTemporaryDir>

// vornell print-list and vornell status run as processes: what they print,
// how they refuse bad input and what their exit codes say.

namespace {

QProcessEnvironment stationEnv(const QString& usb1) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VORNELL_PRINTER_USB1", usb1);
    env.remove("JOURNAL_STREAM");
    env.remove("INVOCATION_ID");
    return env;
}

QString text(int n) {
    return QStringLiteral("QZ%1").arg(n, 6, 10, QLatin1Char('0'));
}

} // namespace

class TestPrintListProcess : public QObject {
    Q_OBJECT
private slots:
    // 10,000 texts make 3,334 strips, and every barcode reads back as
    // characters 3 to 8 of its text, in list order three to a strip.
    void printsTenThousandTexts() {
        QTemporaryDir dir;
        writeStationLayout(dir.path());
        QFile list(dir.filePath("list.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        for (int i = 0; i < 10000; ++i)
            list.write(text(i).toUtf8() + "\n");
        list.close();
        const QString out = dir.filePath("printed");
        Child p(VORNELL, {"print-list", "list.txt"}, stationEnv("preview:" + out), dir.path());
        QCOMPARE(p.finish(2400000), 0);
        QVERIFY2(p.out().contains("print-list: 3334 strips printed to USB1"), qPrintable(p.out()));
        const QStringList pictures = QDir(out).entryList({"strip-*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(pictures.size(), 3334);
        for (int s = 0; s < pictures.size(); ++s) {
            QList<QByteArray> codes = readBarcodes(QImage(QDir(out).filePath(pictures[s])));
            std::sort(codes.begin(), codes.end());
            QList<QByteArray> expected;
            for (int i = s * 3; i < qMin(s * 3 + 3, 10000); ++i)
                expected << text(i).mid(2, 6).toUtf8();
            QCOMPARE(codes, expected);
        }
    }

    // Standard input, the text format: four texts, two strips, texts only.
    void printsStandardInput() {
        QTemporaryDir dir;
        writeStationLayout(dir.path());
        const QString out = dir.filePath("out.ppla");
        Child p(VORNELL, {"print-list", "--format", "text", "-"}, stationEnv("file:" + out),
                dir.path());
        p.process().write("VA000001;VA000002\r\nVA000003/VA000004\n");
        p.process().closeWriteChannel();
        QCOMPARE(p.finish(), 0);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        PplaDecoder decoder;
        decoder.feed(f.readAll());
        decoder.finish();
        const QList<DecodedLabel> labels = decoder.takeLabels();
        QCOMPARE(labels.size(), 2);
        QCOMPARE(labels[0].barcodes.size(), 0);
        QCOMPARE(labels[0].images.size(), 3);
        QCOMPARE(labels[1].images.size(), 1);
    }

    void refusesBadInput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("listBytes"); // written to list.txt
        QTest::addColumn<QString>("usb1");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error");
        const QString dev = "file:/dev/null";
        QTest::newRow("missing file") << QStringList{"print-list", "nosuch.txt"} << QByteArray()
                                      << dev << 3 << "The list file nosuch.txt does not exist";
        QTest::newRow("a directory") << QStringList{"print-list", "."} << QByteArray() << dev << 3
                                     << "The list file . is a directory";
        QTest::newRow("empty list") << QStringList{"print-list", "list.txt"} << QByteArray("")
                                    << dev << 3 << "The list file list.txt holds no label text";
        QTest::newRow("unknown command")
            << QStringList{"prnt"} << QByteArray() << dev << 2 << "vornell: unknown command prnt";
        QTest::newRow("unknown option")
            << QStringList{"print-list", "list.txt", "--fast"} << QByteArray("A") << dev << 2
            << "vornell: print-list: unknown option --fast";
        QTest::newRow("like that lists printed labels")
            << QStringList{"auto", "--like", "VA000001"} << QByteArray() << dev << 2
            << "a filter of 8 or more characters would list printed labels too";
        QTest::newRow("port that does not open")
            << QStringList{"print-list", "list.txt"} << QByteArray("A,B,C,D")
            << QStringLiteral("tcp:127.0.0.1:%1").arg(closedPort()) << 1 << "Open USB fail!";
        QTest::newRow("field the printer refuses")
            << QStringList{"print-list", "list.txt"} << QString::fromUtf8("QZ00中01").toUtf8()
            << dev << 1 << "holds characters a barcode cannot carry";
    }
    void refusesBadInput() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, listBytes);
        QFETCH(QString, usb1);
        QFETCH(int, code);
        QFETCH(QString, error);
        QTemporaryDir dir;
        writeStationLayout(dir.path());
        if (!listBytes.isNull()) {
            QFile f(dir.filePath("list.txt"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(listBytes);
        }
        Child p(VORNELL, args, stationEnv(usb1), dir.path());
        QCOMPARE(p.finish(), code);
        QVERIFY2(p.err().contains(error), qPrintable(p.err()));
        // Usage errors show the usage; the others say what went wrong on one line.
        if (code == 2 && !args.contains("--like"))
            QVERIFY(p.err().contains("Exit codes:"));
        else
            QCOMPARE(p.err().count('\n'), 1);
    }

    void statusExitCodes_data() {
        QTest::addColumn<QString>("db");   // ok, missing, malformed
        QTest::addColumn<QString>("port"); // file, closed, ready, paperout
        QTest::addColumn<int>("code");
        QTest::newRow("all usable, a file") << "ok"
                                            << "file" << 0;
        QTest::newRow("all usable, a printer") << "ok"
                                               << "ready" << 0;
        QTest::newRow("database file missing") << "missing"
                                               << "file" << 4;
        QTest::newRow("VORNELL_DB malformed") << "malformed"
                                              << "ready" << 4;
        QTest::newRow("port does not open") << "ok"
                                            << "closed" << 5;
        QTest::newRow("printer out of paper") << "ok"
                                              << "paperout" << 5;
        QTest::newRow("neither") << "missing"
                                 << "closed" << 6;
    }
    void statusExitCodes() {
        QFETCH(QString, db);
        QFETCH(QString, port);
        QFETCH(int, code);
        QTemporaryDir dir;
        writeStationLayout(dir.path());
        std::unique_ptr<VirtualPrinterProcess> printer;
        QString usb1 = "file:" + dir.filePath("out.ppla");
        if (port == "closed")
            usb1 = QStringLiteral("tcp:127.0.0.1:%1").arg(closedPort());
        if (port == "ready" || port == "paperout") {
            printer = std::make_unique<VirtualPrinterProcess>(
                dir.path(),
                port == "paperout" ? QStringList{"--paper-out-after", "0"} : QStringList{});
            QVERIFY(printer->port() != 0);
            usb1 = printer->target();
        }
        QProcessEnvironment env = stationEnv(usb1);
        env.insert("VORNELL_DB", db == "ok"        ? "sqlite:" + dir.filePath("ok.db")
                                 : db == "missing" ? "sqlite:" + dir.filePath("none.db")
                                                   : QStringLiteral("oracle:x"));
        if (db == "ok") {
            QFile f(dir.filePath("ok.db"));
            QVERIFY(f.open(QIODevice::WriteOnly)); // an empty file is an empty database
        }
        Child p(VORNELL, {"status"}, env, dir.path());
        QCOMPARE(p.finish(), code);
        const QStringList lines = (p.out() + p.err()).split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 2, qPrintable(lines.join('\n'))); // database, USB1
        QCOMPARE(p.out().contains("(the layout's port)"), code == 0 || code == 4);
        QCOMPARE(p.err().contains("database"), code == 4 || code == 6);
    }
};

QTEST_GUILESS_MAIN(TestPrintListProcess)
#include "tst_printlistprocess.moc"
