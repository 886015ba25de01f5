#include "printer/PrinterStatus.h"

#include <QTest>

// The answer to <SOH>A is read as the printer sends it; anything that is not a
// whole, well-formed answer is no status at all.

class TestPrinterStatus : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("flags"); // as read back, when ok
        QTest::addColumn<QByteArray>("more");
        QTest::addColumn<QString>("reason"); // part of the error, when not ok

        QTest::newRow("all clear") << QByteArray("NNNNNNNN\r") << true << QByteArray("NNNNNNNN")
                                   << QByteArray() << QString();
        QTest::newRow("paper out") << QByteArray("NYNNNNNN\r") << true << QByteArray("NYNNNNNN")
                                   << QByteArray() << QString();
        QTest::newRow("every flag") << QByteArray("YYYYYYYY\r") << true << QByteArray("YYYYYYYY")
                                    << QByteArray() << QString();
        QTest::newRow("printing") << QByteArray("YNNYYNNN\r") << true << QByteArray("YNNYYNNN")
                                  << QByteArray() << QString();
        QTest::newRow("model with more flags")
            << QByteArray("NNNNNYNNYN\r") << true << QByteArray("NNNNNYNN") << QByteArray("YN")
            << QString();
        QTest::newRow("CR LF") << QByteArray("NNNNNNNY\r\n") << true << QByteArray("NNNNNNNY")
                               << QByteArray() << QString();
        QTest::newRow("LF of an earlier answer first")
            << QByteArray("\nNNYNNNNN\r") << true << QByteArray("NNYNNNNN") << QByteArray()
            << QString();

        QTest::newRow("nothing") << QByteArray() << false << QByteArray() << QByteArray()
                                 << "has no CR";
        QTest::newRow("only CR") << QByteArray("\r") << false << QByteArray() << QByteArray()
                                 << "has 0 of the 8 flags";
        QTest::newRow("cut short, no CR")
            << QByteArray("NNNNNNNN") << false << QByteArray() << QByteArray() << "has no CR";
        QTest::newRow("cut short in the flags")
            << QByteArray("NNYN") << false << QByteArray() << QByteArray() << "has no CR";
        QTest::newRow("seven flags") << QByteArray("NNNNNNN\r") << false << QByteArray()
                                     << QByteArray() << "has 7 of the 8 flags";
        QTest::newRow("lower case")
            << QByteArray("nnnnnnnn\r") << false << QByteArray() << QByteArray() << "(character 1)";
        QTest::newRow("garbage") << QByteArray("\x13\xff\x02zz\r") << false << QByteArray()
                                 << QByteArray() << "<x13>";
        QTest::newRow("stray byte before the flags")
            << QByteArray("xNNNNNNNN\r") << false << QByteArray() << QByteArray()
            << "(character 1)";
        QTest::newRow("blank inside") << QByteArray("NNNN NNNN\r") << false << QByteArray()
                                      << QByteArray() << "(character 5)";
        QTest::newRow("extended answer") << QByteArray("N:NNNN:NNNN:NNNN:NNNN\r") << false
                                         << QByteArray() << QByteArray() << "(character 2)";
        QTest::newRow("bytes after the CR") << QByteArray("NNNNNNNN\rNN") << false << QByteArray()
                                            << QByteArray() << "goes on after its CR";
        QTest::newRow("two answers") << QByteArray("NNNNNNNN\rNNNNNNNN\r") << false << QByteArray()
                                     << QByteArray() << "goes on after its CR";
    }
    void parse() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, ok);
        QFETCH(QByteArray, flags);
        QFETCH(QByteArray, more);
        QFETCH(QString, reason);
        QString error;
        const std::optional<PrinterStatus> status = parsePrinterStatus(answer, &error);
        QCOMPARE(status.has_value(), ok);
        if (ok) {
            QCOMPARE(status->flagText(), flags);
            QCOMPARE(status->more, more);
            QVERIFY(error.isEmpty());
        } else {
            QVERIFY2(error.contains(reason), qPrintable(error));
            QVERIFY2(error.startsWith("The printer's status answer \""), qPrintable(error));
        }
    }

    // Faults stop a printer; being busy does not.
    void judgement_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("idle") << QByteArray("NNNNNNNN\r") << true << false << "the printer is ready"
                              << QStringLiteral(u"打印机就绪");
        QTest::newRow("imaging") << QByteArray("YNNNNNNN\r") << true << true
                                 << "the printer is ready" << QStringLiteral(u"打印机就绪");
        QTest::newRow("printing a batch")
            << QByteArray("NNNYYNNN\r") << true << true << "the printer is ready"
            << QStringLiteral(u"打印机就绪");
        QTest::newRow("label waits") << QByteArray("NNNNNNYN\r") << true << false
                                     << "the printer is ready" << QStringLiteral(u"打印机就绪");
        QTest::newRow("paper") << QByteArray("NYNNNNNN\r") << false << false
                               << "the printer is out of paper or has a fault"
                               << QStringLiteral(u"打印机缺纸或纸张故障");
        QTest::newRow("ribbon") << QByteArray("NNYNNNNN\r") << false << false
                                << "the ribbon is out or has a fault"
                                << QStringLiteral(u"碳带用完或碳带故障");
        QTest::newRow("paused while printing")
            << QByteArray("NNNYNYNN\r") << false << true << "the printer is paused"
            << QStringLiteral(u"打印机已暂停");
        QTest::newRow("rewinder") << QByteArray("NNNNNNNY\r") << false << false
                                  << "the rewinder is out or has a fault"
                                  << QStringLiteral(u"回卷器未就绪或故障");
        QTest::newRow("paper and paused")
            << QByteArray("NYNNNYNN\r") << false << false
            << "the printer is out of paper or has a fault; the printer is paused"
            << QStringLiteral(u"打印机缺纸或纸张故障；打印机已暂停");
    }
    void judgement() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, ready);
        QFETCH(bool, busy);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        const std::optional<PrinterStatus> status = parsePrinterStatus(answer);
        QVERIFY(status);
        QCOMPARE(status->ready(), ready);
        QCOMPARE(status->busy(), busy);
        QCOMPARE(status->faults().isEmpty(), ready);
        QCOMPARE(describeStatus(*status, 437), english);
        QCOMPARE(describeStatus(*status, 936), chinese);
    }

    // Every condition has words of its own in both languages.
    void everyFlagHasItsWords() {
        QSet<QString> english;
        QSet<QString> chinese;
        for (int i = 0; i < StatusFlagCount; ++i) {
            english.insert(statusFlagText(StatusFlag(i), 437));
            chinese.insert(statusFlagText(StatusFlag(i), 936));
        }
        english.remove(QString());
        chinese.remove(QString());
        QCOMPARE(english.size(), StatusFlagCount);
        QCOMPARE(chinese.size(), StatusFlagCount);
        QVERIFY(english.intersect(chinese).isEmpty());
    }

    void visibleBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("text") << QByteArray("NY") << "NY";
        QTest::newRow("line ends") << QByteArray("\r\n") << "<CR><LF>";
        QTest::newRow("request") << QByteArray("\x01"
                                               "A")
                                 << "<SOH>A";
        QTest::newRow("high and low") << QByteArray("\xff\x07") << "<xFF><x07>";
    }
    void visibleBytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(::visibleBytes(bytes), shown);
    }
};

QTEST_GUILESS_MAIN(TestPrinterStatus)
#include "tst_printerstatus.moc"
