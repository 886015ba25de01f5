#include "printer/PrinterStatus.h"
#include "tests/support/DataTable.h"

#include <QTest>

// The answer to <SOH>A is read as the printer sends it; anything that is not a
// whole, well-formed answer is no status at all.

class TestPrinterStatus : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        // flags: as read back, when ok
        // reason: part of the error, when not ok
        DataTable<QByteArray, bool, QByteArray, QByteArray, QString>(
            {"answer", "ok", "flags", "more", "reason"})
            .row("all clear", QByteArray("NNNNNNNN\r"), true, QByteArray("NNNNNNNN"), QByteArray(),
                 QString())
            .row("paper out", QByteArray("NYNNNNNN\r"), true, QByteArray("NYNNNNNN"), QByteArray(),
                 QString())
            .row("every flag", QByteArray("YYYYYYYY\r"), true, QByteArray("YYYYYYYY"), QByteArray(),
                 QString())
            .row("printing", QByteArray("YNNYYNNN\r"), true, QByteArray("YNNYYNNN"), QByteArray(),
                 QString())
            .row("model with more flags", QByteArray("NNNNNYNNYN\r"), true, QByteArray("NNNNNYNN"),
                 QByteArray("YN"), QString())
            .row("CR LF", QByteArray("NNNNNNNY\r\n"), true, QByteArray("NNNNNNNY"), QByteArray(),
                 QString())
            .row("LF of an earlier answer first", QByteArray("\nNNYNNNNN\r"), true,
                 QByteArray("NNYNNNNN"), QByteArray(), QString())
            .row("nothing", QByteArray(), false, QByteArray(), QByteArray(), "has no CR")
            .row("only CR", QByteArray("\r"), false, QByteArray(), QByteArray(),
                 "has 0 of the 8 flags")
            .row("cut short, no CR", QByteArray("NNNNNNNN"), false, QByteArray(), QByteArray(),
                 "has no CR")
            .row("cut short in the flags", QByteArray("NNYN"), false, QByteArray(), QByteArray(),
                 "has no CR")
            .row("seven flags", QByteArray("NNNNNNN\r"), false, QByteArray(), QByteArray(),
                 "has 7 of the 8 flags")
            .row("lower case", QByteArray("nnnnnnnn\r"), false, QByteArray(), QByteArray(),
                 "(character 1)")
            .row("garbage", QByteArray("\x13\xff\x02zz\r"), false, QByteArray(), QByteArray(),
                 "<x13>")
            .row("stray byte before the flags", QByteArray("xNNNNNNNN\r"), false, QByteArray(),
                 QByteArray(), "(character 1)")
            .row("blank inside", QByteArray("NNNN NNNN\r"), false, QByteArray(), QByteArray(),
                 "(character 5)")
            .row("extended answer", QByteArray("N:NNNN:NNNN:NNNN:NNNN\r"), false, QByteArray(),
                 QByteArray(), "(character 2)")
            .row("bytes after the CR", QByteArray("NNNNNNNN\rNN"), false, QByteArray(),
                 QByteArray(), "goes on after its CR")
            .row("two answers", QByteArray("NNNNNNNN\rNNNNNNNN\r"), false, QByteArray(),
                 QByteArray(), "goes on after its CR");
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
        DataTable<QByteArray, bool, bool, QString, QString>(
            {"answer", "ready", "busy", "english", "chinese"})
            .row("idle", QByteArray("NNNNNNNN\r"), true, false, "the printer is ready",
                 QStringLiteral(u"打印机就绪"))
            .row("imaging", QByteArray("YNNNNNNN\r"), true, true, "the printer is ready",
                 QStringLiteral(u"打印机就绪"))
            .row("printing a batch", QByteArray("NNNYYNNN\r"), true, true, "the printer is ready",
                 QStringLiteral(u"打印机就绪"))
            .row("label waits", QByteArray("NNNNNNYN\r"), true, false, "the printer is ready",
                 QStringLiteral(u"打印机就绪"))
            .row("paper", QByteArray("NYNNNNNN\r"), false, false,
                 "the printer is out of paper or has a fault",
                 QStringLiteral(u"打印机缺纸或纸张故障"))
            .row("ribbon", QByteArray("NNYNNNNN\r"), false, false,
                 "the ribbon is out or has a fault", QStringLiteral(u"碳带用完或碳带故障"))
            .row("paused while printing", QByteArray("NNNYNYNN\r"), false, true,
                 "the printer is paused", QStringLiteral(u"打印机已暂停"))
            .row("rewinder", QByteArray("NNNNNNNY\r"), false, false,
                 "the rewinder is out or has a fault", QStringLiteral(u"回卷器未就绪或故障"))
            .row("paper and paused", QByteArray("NYNNNYNN\r"), false, false,
                 "the printer is out of paper or has a fault; the printer is paused",
                 QStringLiteral(u"打印机缺纸或纸张故障；打印机已暂停"));
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
        DataTable<QByteArray, QString>({"bytes", "shown"})
            .row("text", QByteArray("NY"), "NY")
            .row("line ends", QByteArray("\r\n"), "<CR><LF>")
            .row("request",
                 QByteArray("\x01"
                            "A"),
                 "<SOH>A")
            .row("high and low", QByteArray("\xff\x07"), "<xFF><x07>");
    }
    void visibleBytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(::visibleBytes(bytes), shown);
    }
};

QTEST_GUILESS_MAIN(TestPrinterStatus)
#include "tst_printerstatus.moc"
