#include "StripFixture.h"

#include "printer/TcpPort.h"
#include "tests/support/DataTable.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The vornell-virtual-printer program, run as a process and reached over TCP.

class TestVirtualPrinterProgram : public QObject {
    Q_OBJECT
private slots:
    void refusesBadArguments_data() {
        DataTable<QStringList, QString>({"arguments", "message"})
            .row("listen without port", QStringList{"--listen", "localhost"},
                 "--listen: \"localhost\" is not HOST:PORT")
            .row("speed 0", QStringList{"--speed", "0"}, "--speed: \"0\" is not a speed above 0")
            .row("negative count", QStringList{"--paper-out-after", "-1"},
                 "--paper-out-after: \"-1\" is not a whole number")
            .row("latency words", QStringList{"--status-latency", "soon"},
                 "--status-latency: \"soon\" is not a whole number");
    }
    void refusesBadArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QProcess p;
        p.start(VORNELL_VIRTUAL_PRINTER, arguments);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
    }

    // Prints a strip into its directory, answers status, reports faults, and
    // ends on SIGTERM with its count.
    void printsAndAnswers() {
        QTemporaryDir out;
        QProcess p;
        p.start(VORNELL_VIRTUAL_PRINTER, {"--listen", "127.0.0.1:0", "--out", out.path(), "--speed",
                                          "100", "--paper-out-after", "1"});
        QVERIFY(p.waitForStarted(10000));
        QVERIFY(p.waitForReadyRead(10000));
        const QString banner = QString::fromLocal8Bit(p.readLine());
        const auto m =
            QRegularExpression("^listening on 127\\.0\\.0\\.1:(\\d+), 4 ms a strip").match(banner);
        QVERIFY2(m.hasMatch(), qPrintable(banner));
        TcpPort port("127.0.0.1", quint16(m.captured(1).toUInt()), 2000, 2000);
        QVERIFY2(port.open(), qPrintable(port.errorText()));
        const auto ready = port.askStatus(2000);
        QVERIFY2(ready, qPrintable(port.errorText()));
        QVERIFY(ready->ready());
        const QByteArray strip = drawStrip({defaultColumn(0, "01A0B1C2")}, StripFormat::Barcode);
        QVERIFY(port.write(strip));
        QTRY_VERIFY_WITH_TIMEOUT(QDir(out.path()).exists("strip-000001.png"), 5000);
        const auto after = port.askStatus(2000);
        QVERIFY2(after, qPrintable(port.errorText()));
        QCOMPARE(after->flagText(), QByteArray("NYNNNNNN"));
        port.close();
        p.terminate();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().contains("1 strips printed, 1 received"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files),
                 QStringList({"strip-000001.png", "strip-000001.ppla"}));
    }
};

QTEST_MAIN(TestVirtualPrinterProgram)
#include "tst_virtualprinterprogram.moc"
