#include "core/AppError.h"
#include "db/LabelList.h"
#include "printer/PplaPrinter.h"
#include "printer/VirtualTcpPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "settings/uBarcode.h"
#include "tests/printer/ScriptedStatusPeer.h"
#include "tests/support/NetworkPrinter.h"
#include "tests/support/StationRun.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <thread>

// Printing the label list with printer feedback: the real driver, the
// networked virtual printer and a real embedded database.

namespace {

using Ids = QList<qint64>;

// The Iden_ids of strips first..last (1-based), three records a strip.
Ids stripIds(int first, int last) {
    Ids out;
    for (int s = first; s <= last; ++s)
        for (int k = 0; k < 3; ++k)
            out << (s - 1) * 3 + k + 1;
    return out;
}

QString recordsText(const Ids& ids) {
    QStringList out;
    for (qint64 id : ids)
        out << QString("VA%1 (Iden_id %2)").arg(id, 6, 10, QChar('0')).arg(id);
    return out.join(", ");
}

QString notMarked(const Ids& ids) {
    return ". Not marked printed, not known whether their labels came out: " + recordsText(ids);
}

Ids idsOf(const QList<UncertainStrip>& strips) {
    Ids out;
    for (const UncertainStrip& s : strips)
        for (const LabelSlot& slot : s.row.labels)
            if (slot.id != 0)
                out << slot.id;
    return out;
}

// Stops the run once `after` strips are done.
class StopAfter : public PrintProgress {
public:
    explicit StopAfter(int after) : after_(after) {}
    void begin(int) override {}
    bool advance(int done) override { return done < after_; }
    void end() override {}

private:
    int after_;
};

} // namespace

class TestFeedbackPrint : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    std::unique_ptr<LabelList> list;
    SilentProgress silent;
    TLabelLayout layout;
    int dbCounter = 0;

    void fill(int records) {
        list.reset();
        dm.reset();
        dm = openEmbedded(dir.filePath(QString("feedback%1.db").arg(++dbCounter)));
        for (int i = 0; i < records; ++i)
            addLabel(dm->conADO(), "2026-12-09 08:00:00",
                     QString("VA%1").arg(i + 1, 6, 10, QChar('0')));
        list = std::make_unique<LabelList>(dm->connectionName());
        list->open({"SELECT * FROM PrintLabel ORDER BY LabelText"});
    }
    Ids marked() const {
        Ids out;
        QSqlQuery q(dm->conADO());
        q.exec("SELECT Iden_id FROM PrintLabel WHERE PrintFlag=1 ORDER BY Iden_id");
        while (q.next())
            out << q.value(0).toLongLong();
        return out;
    }
    // The station's driver with USB1 reaching the TCP port.
    static std::unique_ptr<PplaPrinter> driverFor(quint16 port, const QString& mode) {
        PplaPrinterOptions o;
        o.writeTimeoutMs = 2000;
        o.connectTimeoutMs = 2000;
        o.env = [port, mode](const QString& name) {
            if (name == "VORNELL_PRINTER_USB1")
                return QString("tcp:127.0.0.1:%1").arg(port);
            if (name == "VORNELL_PRINTER_USB1_STATUS")
                return mode;
            return QString();
        };
        return std::make_unique<PplaPrinter>(o);
    }
    static FeedbackSettings settings(int inFlight) {
        FeedbackSettings s;
        s.codePage = 437;
        s.answerMs = 300;
        s.pollMs = 2;
        s.inFlight = inFlight;
        s.pauseWaitMs = 300;
        return s;
    }
    ListPrintResult print(PplaPrinter& driver, int inFlight) {
        return printListVia(*dm, *list, driver, layout, LabelFormat::Barcode, silent, -1, &driver,
                            settings(inFlight));
    }
    // The networked virtual printer of the test and the driver reaching it.
    std::unique_ptr<VirtualTcpPrinter> printer;
    std::unique_ptr<PplaPrinter> driver;
    bool startPrinter(const VirtualTcpPrinterOptions& o, const QString& mode) {
        printer = std::make_unique<VirtualTcpPrinter>(o);
        if (!started(*printer))
            return false;
        driver = driverFor(printer->port(), mode);
        return true;
    }

private slots:
    void init() {
        layout = stripLayout();
        layout.port = "USB1";
    }
    void cleanup() {
        driver.reset();
        printer.reset();
    }
    void cleanupTestCase() {
        list.reset();
        dm.reset();
    }

    // Five strips to a printer that works, fails or falls silent; exactly
    // the strips the printer finished without a fault are marked.
    void faults_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("paperOutAfter");
        QTest::addColumn<int>("pauseAfter");
        QTest::addColumn<int>("muteAfter");
        QTest::addColumn<bool>("mute");
        QTest::addColumn<int>("inFlight");
        QTest::addColumn<Ids>("marked");
        QTest::addColumn<Ids>("uncertain");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("received"); // strips the printer took
        QTest::addColumn<int>("feedback");
        const int confirmed = int(FeedbackUse::Confirmed);
        QTest::newRow("ready") << "auto" << -1 << -1 << -1 << false << 8 << stripIds(1, 5) << Ids{}
                               << "" << 5 << confirmed;
        QTest::newRow("ready, one at a time") << "on" << -1 << -1 << -1 << false << 1
                                              << stripIds(1, 5) << Ids{} << "" << 5 << confirmed;
        QTest::newRow("paper out before the run")
            << "auto" << 0 << -1 << -1 << false << 8 << Ids{} << Ids{}
            << "USB1: the printer is out of paper or has a fault" << 0 << confirmed;
        QTest::newRow("paused before the run")
            << "on" << -1 << 0 << -1 << false << 8 << Ids{} << Ids{}
            << "USB1: the printer is paused" << 0 << confirmed;
        QTest::newRow("paper out after strip 2, one at a time")
            << "auto" << 2 << -1 << -1 << false << 1 << stripIds(1, 1) << stripIds(2, 2)
            << "USB1: the printer is out of paper or has a fault" + notMarked(stripIds(2, 2)) << 2
            << confirmed;
        QTest::newRow("paper out after strip 2, two in flight")
            << "auto" << 2 << -1 << -1 << false << 2 << Ids{} << stripIds(1, 2)
            << "USB1: the printer is out of paper or has a fault" + notMarked(stripIds(1, 2)) << 2
            << confirmed;
        QTest::newRow("paper out after strip 4, two in flight")
            << "auto" << 4 << -1 << -1 << false << 2 << stripIds(1, 2) << stripIds(3, 4)
            << "USB1: the printer is out of paper or has a fault" + notMarked(stripIds(3, 4)) << 4
            << confirmed;
        // It finished strips 1 and 2, then paused: they are confirmed; strip
        // 3 waits in the printer, which is not started again in time.
        QTest::newRow("paused after strip 2, two in flight")
            << "on" << -1 << 2 << -1 << false << 2 << stripIds(1, 2) << stripIds(3, 3)
            << "USB1: the printer is paused" + notMarked(stripIds(3, 3)) << 3 << confirmed;
        QTest::newRow("stops answering after strip 2")
            << "auto" << -1 << -1 << 2 << false << 1 << stripIds(1, 1) << stripIds(2, 2)
            << "USB1: the printer stopped answering (The printer did not answer the status "
               "request within 300 ms)" +
                   notMarked(stripIds(2, 2))
            << 2 << confirmed;
        QTest::newRow("auto, mute: prints without feedback")
            << "auto" << -1 << -1 << -1 << true << 8 << stripIds(1, 5) << Ids{} << "" << 5
            << int(FeedbackUse::NoAnswer);
        QTest::newRow("on, mute: prints nothing")
            << "on" << -1 << -1 << -1 << true << 8 << Ids{} << Ids{}
            << "USB1: the printer did not answer the status request (The printer did not answer "
               "the status request within 2500 ms); nothing was printed"
            << 0 << int(FeedbackUse::NoAnswer);
        QTest::newRow("off: never asks") << "off" << -1 << -1 << -1 << true << 8 << stripIds(1, 5)
                                         << Ids{} << "" << 5 << int(FeedbackUse::NotAsked);
    }
    void faults() {
        QFETCH(QString, mode);
        QFETCH(int, paperOutAfter);
        QFETCH(int, pauseAfter);
        QFETCH(int, muteAfter);
        QFETCH(bool, mute);
        QFETCH(int, inFlight);
        QFETCH(Ids, marked);
        QFETCH(Ids, uncertain);
        QFETCH(QString, failure);
        QFETCH(int, received);
        QFETCH(int, feedback);
        VirtualTcpPrinterOptions o = networkPrinter(10);
        o.paperOutAfter = paperOutAfter;
        o.pauseAfter = pauseAfter;
        o.muteAfter = muteAfter;
        o.mute = mute;
        QVERIFY(startPrinter(o, mode));
        fill(15);
        const ListPrintResult r = print(*driver, inFlight);
        QCOMPARE(r.failure, failure);
        QCOMPARE(this->marked(), marked);
        QCOMPARE(idsOf(r.uncertain), uncertain);
        QCOMPARE(r.stripsPrinted, marked.size() / 3);
        QCOMPARE(r.completed, failure.isEmpty());
        QCOMPARE(int(r.feedback), feedback);
        // Written blind, the last strips may still be on their way to the
        // printer's thread when the run returns.
        QTRY_COMPARE_WITH_TIMEOUT(printer->received(), received, 5000);
        if (mode == "off")
            QCOMPARE(printer->statusRequests(), 0);
        for (const UncertainStrip& s : r.uncertain)
            QVERIFY(failure.startsWith(s.reason));
    }

    // Its operator pauses the printer with strips waiting in it and starts
    // it again: the group waits, sees it busy with them again, marks all.
    void pauseWaitedOut() {
        VirtualTcpPrinterOptions o = networkPrinter(4);
        QVERIFY(startPrinter(o, "on"));
        fill(15);
        bool pausedWithStripsWaiting = false;
        std::thread operatorPauses([&, p = printer.get()] {
            p->waitPrinted(2, 10000);
            p->setPaused(true);
            pausedWithStripsWaiting = p->waiting() > 1;
            QThread::msleep(600);
            p->setPaused(false);
        });
        FeedbackSettings s = settings(8);
        s.pauseWaitMs = 10000;
        const ListPrintResult r = printListVia(*dm, *list, *driver, layout, LabelFormat::Barcode,
                                               silent, -1, driver.get(), s);
        operatorPauses.join();
        QVERIFY(pausedWithStripsWaiting);
        QCOMPARE(r.failure, QString());
        QCOMPARE(marked(), stripIds(1, 5));
        QCOMPARE(printer->printed(), 5);
    }

    // After a fault the port gets one strip at a time: when the paper runs
    // out again, one strip is in doubt instead of the group.
    void oneStripAtATimeAfterAFault() {
        VirtualTcpPrinterOptions o = networkPrinter(10);
        o.paperOutAfter = 4; // and again after every strip once it was out
        QVERIFY(startPrinter(o, "on"));
        fill(15);
        ListPrintResult r = print(*driver, 8);
        QCOMPARE(idsOf(r.uncertain), stripIds(1, 5));
        printer->setPaperOut(false); // the strip that waited prints, then out again
        QVERIFY(printer->waitPrinted(5, 5000));
        printer->setPaperOut(false);
        fill(15);
        r = print(*driver, 8);
        QCOMPARE(idsOf(r.uncertain), stripIds(1, 1));
        QCOMPARE(marked(), Ids{});
        QCOMPARE(printer->received(), 6);
    }

    // The printer drops the connection in the middle of strip 2: strip 1 is
    // confirmed, strip 2 is uncertain, the rest never sent.
    void droppedMidStrip() {
        VirtualTcpPrinterOptions o = networkPrinter(10);
        o.dropAfter = 1;
        QVERIFY(startPrinter(o, "auto"));
        fill(15);
        const ListPrintResult r = print(*driver, 8);
        QCOMPARE(marked(), stripIds(1, 1));
        QCOMPARE(idsOf(r.uncertain), stripIds(2, 2));
        QVERIFY2(r.failure.contains("USB1"), qPrintable(r.failure));
        QVERIFY2(r.failure.endsWith(notMarked(stripIds(2, 2))), qPrintable(r.failure));
        QVERIFY(!r.completed);
        QCOMPARE(printer->received(), 1);
        QCOMPARE(printer->printed(), 1);
    }

    // The connection drops in strip 2 and the printer falls silent after
    // strip 1: neither is known to have come out, both are held.
    void droppedAndSilent() {
        VirtualTcpPrinterOptions o = networkPrinter(10);
        o.dropAfter = 1;
        o.muteAfter = 1;
        QVERIFY(startPrinter(o, "auto"));
        fill(15);
        const ListPrintResult r = print(*driver, 8);
        QCOMPARE(marked(), Ids{});
        QCOMPARE(idsOf(r.uncertain), stripIds(1, 2));
        QCOMPARE(r.failure, "USB1: the printer stopped answering (The printer did not answer the "
                            "status request within 300 ms)" +
                                notMarked(stripIds(1, 2)));
        QCOMPARE(printer->received(), 1);
    }

    // No printer listening: auto finds no feedback and fails to open as
    // without it; on fails at the status request. Nothing is marked.
    void printerOff_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("failureStart");
        QTest::addColumn<int>("feedback");
        QTest::newRow("auto") << "auto"
                              << "Open USB fail!" << int(FeedbackUse::NoAnswer);
        QTest::newRow("on") << "on"
                            << "USB1: the printer did not answer the status request ("
                            << int(FeedbackUse::NoAnswer);
    }
    void printerOff() {
        QFETCH(QString, mode);
        QFETCH(QString, failureStart);
        QFETCH(int, feedback);
        VirtualTcpPrinter gone(networkPrinter(4));
        QVERIFY(started(gone));
        const quint16 port = gone.port();
        gone.stop();
        auto driver = driverFor(port, mode);
        fill(6);
        const ListPrintResult r = print(*driver, 8);
        QVERIFY2(r.failure.startsWith(failureStart), qPrintable(r.failure));
        QVERIFY(r.failure.contains("refused") || failureStart == "Open USB fail!");
        QCOMPARE(marked(), Ids{});
        QCOMPARE(idsOf(r.uncertain), Ids{});
        QCOMPARE(int(r.feedback), feedback);
    }

    // A garbage answer is no answer, and a printer that talks: nothing is
    // sent, and the message shows what came.
    void garbageAnswer() {
        ScriptedStatusPeer peer(ScriptedStatusPeer::Line::Tcp,
                                {{}, QByteArray("\x7f\x13NN garbage\r"), 0, true});
        auto driver = driverFor(peer.tcpPort(), "on");
        fill(6);
        const ListPrintResult r = print(*driver, 8);
        QCOMPARE(r.failure, QString("USB1: the printer's status answer cannot be read (The "
                                    "printer's status answer \"<x7F><x13>NN garbage<CR>\" has "
                                    "\"<x7F>\" where a Y or N belongs (character 1)); nothing "
                                    "was printed"));
        QCOMPARE(marked(), Ids{});
        QCOMPARE(peer.received(), QByteArray("\x01"
                                             "A"));
    }

    // A mark that fails in a confirmed group names its strip's records and
    // those of the strips confirmed with it; the strips before stay marked.
    void failedMarkInAGroup() {
        QVERIFY(startPrinter(networkPrinter(50), "auto"));
        fill(9);
        QSqlQuery(dm->conADO())
            .exec("CREATE TRIGGER refuse BEFORE UPDATE OF PrintFlag ON PrintLabel "
                  "WHEN NEW.Iden_id = 5 BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
        try {
            print(*driver, 8);
            QFAIL("a failed mark went unnoticed");
        } catch (const AppError& e) {
            QVERIFY2(e.text().contains("(Iden_id 4, 5, 6)"), qPrintable(e.text()));
            QVERIFY2(e.text().contains("disk I/O error"), qPrintable(e.text()));
            QVERIFY2(e.text().endsWith(" Also printed and not marked: Iden_id 7, 8, 9."),
                     qPrintable(e.text()));
        }
        QCOMPARE(marked(), stripIds(1, 1));
        QCOMPARE(printer->printed(), 3);
    }

    // A stop asked for while strips are in flight ends the run once they are
    // confirmed and marked; nothing more is sent.
    void operatorStops_data() {
        QTest::addColumn<int>("inFlight");
        QTest::addColumn<Ids>("marked");
        QTest::newRow("one in flight") << 1 << stripIds(1, 1);
        QTest::newRow("two in flight") << 2 << stripIds(1, 2);
    }
    void operatorStops() {
        QFETCH(int, inFlight);
        QFETCH(Ids, marked);
        QVERIFY(startPrinter(networkPrinter(50), "auto"));
        fill(15);
        StopAfter stop(1);
        const ListPrintResult r = printListVia(*dm, *list, *driver, layout, LabelFormat::Barcode,
                                               stop, -1, driver.get(), settings(inFlight));
        QCOMPARE(r.failure, QString());
        QVERIFY(!r.completed);
        QCOMPARE(this->marked(), marked);
        QCOMPARE(r.uncertain.size(), 0);
        QCOMPARE(printer->received(), marked.size() / 3);
    }

    // Hand-typed strips go through the same confirmation: the strip out when
    // the paper ran out is uncertain, the next one is never sent.
    void handTypedStrips() {
        VirtualTcpPrinterOptions o = networkPrinter(10);
        o.paperOutAfter = 1;
        QVERIFY(startPrinter(o, "on"));
        const std::vector<LabelRow> strips{LabelRow::ofTexts("A1234567", "B2345678", "C3456789"),
                                           LabelRow::ofTexts("D4567890", "", "")};
        const ListPrintResult r = printHandTypedList(strips, layout, LabelFormat::Barcode, *driver,
                                                     silent, driver.get(), settings(1));
        QCOMPARE(r.failure, QString("USB1: the printer is out of paper or has a fault. Not known "
                                    "whether these labels came out: A1234567, B2345678, "
                                    "C3456789"));
        QCOMPARE(r.stripsPrinted, 0);
        QVERIFY(!r.completed);
        QCOMPARE(r.uncertain.size(), 1);
        QCOMPARE(r.uncertain[0].row.labels[2].text, QString("C3456789"));
        QCOMPARE(r.uncertain[0].reason,
                 QString("USB1: the printer is out of paper or has a fault"));
        QCOMPARE(printer->received(), 1);
    }

    // In the Chinese interface the condition is named in Chinese.
    void chineseMessage() {
        VirtualTcpPrinterOptions o = networkPrinter(4);
        o.paperOutAfter = 0;
        QVERIFY(startPrinter(o, "auto"));
        fill(3);
        FeedbackSettings s = settings(8);
        s.codePage = 936;
        const ListPrintResult r = printListVia(*dm, *list, *driver, layout, LabelFormat::Barcode,
                                               silent, -1, driver.get(), s);
        QCOMPARE(r.failure, QString::fromUtf8("USB1：打印机缺纸或纸张故障"));
        QCOMPARE(marked(), Ids{});
    }
};

QTEST_MAIN(TestFeedbackPrint)
#include "tst_feedbackprint.moc"
