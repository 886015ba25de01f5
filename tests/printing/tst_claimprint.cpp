#include "core/AppError.h"
#include "db/LabelList.h"
#include "db/StripClaim.h"
#include "printer/PplaPrinter.h"
#include "printer/RecordingPpla.h"
#include "printer/VirtualTcpPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>

// Printing the label list under a claim: records another station printed
// meanwhile are passed over, and each database gets its claim statements
// around every strip or group in flight.

using Ids = QList<qint64>;

namespace {

// A SQL Server claim whose lock statements are only recorded (there is no
// server here); the re-check runs on the embedded database, whose text is
// the same.
class RecordedServerClaim : public ServerStripClaim {
public:
    RecordedServerClaim(TDMdata& dm, QStringList& sent)
        : ServerStripClaim(dm.qryEXEC(), dm.conADO()), sent_(sent) {}

protected:
    void run(const QStringList& lines) override { sent_ << lines.join("\r\n"); }

private:
    QStringList& sent_;
};

QString mark(const QString& ids) {
    return "UPDATE PrintLabel SET PrintFlag=1, PrintTime=getdate() \r\nWHERE iden_id in (" + ids +
           ") ";
}
QString recheck(const QList<int64_t>& ids) {
    return printedAmongLines(ids).join("\r\n");
}
const QString kClaim = serverClaimLines(5000).join("\r\n");
const QString kRelease = serverReleaseLines().join("\r\n");

} // namespace

class TestClaimPrint : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    std::unique_ptr<TDMdata> other; // a second station on the same file
    std::unique_ptr<LabelList> list;
    RecordingPpla ppla;
    SilentProgress silent;
    TLabelLayout layout = stripLayout();
    QStringList sent;
    int dbCounter = 0;

    // records labels listed; then the other station marks elsewhere.
    void fill(int records, const Ids& elsewhere) {
        list.reset();
        other.reset();
        dm.reset();
        const QString file = dir.filePath(QString("claim%1.db").arg(++dbCounter));
        dm = openEmbedded(file);
        other = openEmbedded(file);
        for (int i = 0; i < records; ++i)
            addLabel(dm->conADO(), "2026-12-09 08:00:00",
                     QString("VA%1").arg(i + 1, 6, 10, QChar('0')));
        list = std::make_unique<LabelList>(dm->connectionName());
        list->open({"SELECT * FROM PrintLabel ORDER BY LabelText"});
        for (qint64 id : elsewhere)
            QVERIFY(
                QSqlQuery(other->conADO())
                    .exec(QString("UPDATE PrintLabel SET PrintFlag=1 WHERE Iden_id=%1").arg(id)));
        ppla.clear();
        sent.clear();
        dm->qryEXEC().onExecute = [this](const QString& s) { sent << s; };
    }
    ListPrintContext ctx(StripClaim& claim) {
        ListPrintContext c{*list, dm->qryEXEC(), ppla, layout, LabelFormat::Barcode, silent};
        c.claim = &claim;
        return c;
    }
    Ids marked() const {
        Ids out;
        QSqlQuery q(dm->conADO());
        q.exec("SELECT Iden_id FROM PrintLabel WHERE PrintFlag=1 ORDER BY Iden_id");
        while (q.next())
            out << q.value(0).toLongLong();
        return out;
    }
    QStringList marks() const {
        QStringList out;
        for (const QString& s : sent)
            if (s.startsWith("UPDATE"))
                out << s;
        return out;
    }

private slots:
    void cleanupTestCase() {
        list.reset();
        other.reset();
        dm.reset();
    }

    // Strips are filled from the records after those printed elsewhere; the
    // run counts them; limit counts the labels this station prints.
    void skipsWhatAnotherStationPrinted_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<Ids>("elsewhere");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("strips");
        QTest::addColumn<int>("counted");
        QTest::newRow("two in the middle")
            << 9 << Ids{2, 5} << -1 << QStringList{mark("1,3,4"), mark("6,7,8"), mark("9,0,0")}
            << 2;
        QTest::newRow("the first strip's")
            << 9 << Ids{1, 2, 3} << -1 << QStringList{mark("4,5,6"), mark("7,8,9")} << 3;
        QTest::newRow("first four records")
            << 9 << Ids{2, 5} << 4 << QStringList{mark("1,3,4")} << 1;
        QTest::newRow("all of them") << 6 << Ids{1, 2, 3, 4, 5, 6} << -1 << QStringList{} << 6;
        QTest::newRow("none") << 4 << Ids{} << -1 << QStringList{mark("1,2,3"), mark("4,0,0")} << 0;
        QTest::newRow("a window further on")
            << 30 << Ids{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                         14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 27}
            << -1 << QStringList{mark("26,28,29"), mark("30,0,0")} << 26;
    }
    void skipsWhatAnotherStationPrinted() {
        QFETCH(int, records);
        QFETCH(Ids, elsewhere);
        QFETCH(int, limit);
        QFETCH(QStringList, strips);
        QFETCH(int, counted);
        fill(records, elsewhere);
        EmbeddedStripClaim claim(dm->qryEXEC(), dm->conADO());
        const ListPrintResult r = PrintLabelList(ctx(claim), limit);
        QVERIFY(r.completed);
        QCOMPARE(marks(), strips);
        QCOMPARE(r.stripsPrinted, strips.size());
        QCOMPARE(ppla.ops().count("A_Print_Out"), strips.size());
        QCOMPARE(r.printedElsewhere, counted);
        Ids expected = elsewhere;
        for (const QString& s : strips)
            for (const QString& id : s.section('(', -1).section(')', 0, 0).split(','))
                if (id != "0")
                    expected << id.toLongLong();
        std::sort(expected.begin(), expected.end());
        QCOMPARE(marked(), expected);
        QVERIFY(!claim.held());
    }

    // SQL Server: the lock, the re-check, the mark and the release, strip by
    // strip, in that order.
    void serverStatementsPerStrip() {
        fill(7, {2});
        RecordedServerClaim claim(*dm, sent);
        const ListPrintResult r = PrintLabelList(ctx(claim));
        QVERIFY(r.completed);
        QCOMPARE(r.printedElsewhere, 1);
        QCOMPARE(sent, (QStringList{kClaim, recheck({1, 2, 3, 4, 5, 6, 7}), mark("1,3,4"), kRelease,
                                    kClaim, recheck({5, 6, 7}), mark("5,6,7"), kRelease}));
        QCOMPARE(marked(), (Ids{1, 2, 3, 4, 5, 6, 7}));
    }

    // With printer feedback the claim spans the group in flight: every strip
    // of the group is re-checked under it, the group marked, then released.
    void serverStatementsPerGroup() {
        VirtualTcpPrinterOptions fast;
        fast.port = 0;
        fast.inchesPerSecond = 400;
        VirtualTcpPrinter printer(fast);
        QString error;
        QVERIFY2(printer.start(&error), qPrintable(error));
        PplaPrinterOptions o;
        o.env = [port = printer.port()](const QString& name) {
            return name == "VORNELL_PRINTER_USB1" ? QString("tcp:127.0.0.1:%1").arg(port)
                                                  : QString();
        };
        PplaPrinter driver(o);
        fill(10, {});
        RecordedServerClaim claim(*dm, sent);
        FeedbackSettings s;
        s.inFlight = 2;
        s.pollMs = 2;
        ListPrintContext c{*list, dm->qryEXEC(), driver, layout, LabelFormat::Barcode, silent};
        c.claim = &claim;
        const ListPrintResult r = PrintLabelList(c, -1, &driver, s);
        QVERIFY2(r.failure.isEmpty(), qPrintable(r.failure));
        QCOMPARE(r.feedback, FeedbackUse::Confirmed);
        QCOMPARE(sent, (QStringList{kClaim, recheck({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}),
                                    recheck({4, 5, 6, 7, 8, 9, 10}), mark("1,2,3"), mark("4,5,6"),
                                    kRelease, kClaim, recheck({7, 8, 9, 10}), recheck({10}),
                                    mark("7,8,9"), mark("10,0,0"), kRelease}));
    }

    // A strip that did not reach the printer gives the embedded claim up
    // without keeping anything of it: the other station claims at once.
    void failedStripReleases() {
        fill(6, {});
        ppla.queueResults("A_CreatePrn", {0, 1});
        ppla.setLastErrorText("Connection refused");
        EmbeddedStripClaim claim(dm->qryEXEC(), dm->conADO());
        const ListPrintResult r = PrintLabelList(ctx(claim));
        QVERIFY(!r.completed);
        QVERIFY(!r.failure.isEmpty());
        QCOMPARE(marked(), (Ids{1, 2, 3}));
        QCOMPARE(sent.last(), QString("ROLLBACK"));
        QCOMPARE(sent.count("COMMIT"), 1);
        QVERIFY(QSqlQuery(other->conADO()).exec("PRAGMA busy_timeout=0"));
        EmbeddedStripClaim next(other->qryEXEC(), other->conADO());
        next.claim();
        next.release(false);
    }

    void printedElsewhereText_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("text");
        QTest::newRow("one") << 1 << 437 << "1 record was printed by another station";
        QTest::newRow("twelve") << 12 << 437 << "12 records were printed by another station";
        QTest::newRow("twelve, Chinese") << 12 << 936 << u8"12 条记录已由另一台工作站打印";
    }
    void printedElsewhereText() {
        QFETCH(int, records);
        QFETCH(int, codePage);
        QFETCH(QString, text);
        QCOMPARE(::printedElsewhereText(records, codePage), text);
    }
};

QTEST_MAIN(TestClaimPrint)
#include "tst_claimprint.moc"
