#include "core/AppError.h"
#include "db/LabelList.h"
#include "db/RecordClaims.h"
#include "printer/RecordingPpla.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "tests/support/StationRun.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>

// Printing the label list with its records claimed in the label database:
// records another station printed, claimed or holds are passed over; a strip
// that came out is marked and released in one transaction, one that did not
// go out gives its records back, one whose marks failed keeps them.

using Ids = QList<int64_t>;

namespace {
QString mark(const QString& ids) {
    return "UPDATE PrintLabel SET PrintFlag=1, PrintTime=getdate() \r\nWHERE iden_id in (" + ids +
           ") ";
}
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
    ListPrintResult print(int limit = -1) {
        return printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent, limit);
    }
    Ids column(const QString& sql) const {
        Ids out;
        QSqlQuery q(dm->conADO());
        q.exec(sql);
        while (q.next())
            out << q.value(0).toLongLong();
        return out;
    }
    Ids marked() const {
        return column("SELECT Iden_id FROM PrintLabel WHERE PrintFlag=1 ORDER BY Iden_id");
    }
    Ids claimed(const QString& state = "claimed") const {
        return column(QString("SELECT Iden_id FROM VornellClaim WHERE State='%1' ORDER BY "
                              "Iden_id")
                          .arg(state));
    }
    QStringList marks() const {
        QStringList out;
        for (const QString& s : sent)
            if (s.startsWith("UPDATE PrintLabel"))
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
        const ListPrintResult r = print(limit);
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
        QCOMPARE(column("SELECT count(*) FROM VornellClaim"), Ids{0});
    }

    // Records another station claimed or holds are passed over and stay its.
    void passesOverAnotherStationsClaims() {
        fill(9, {});
        RecordClaims theirs(other->qryEXEC(), other->conADO(), "line2");
        QCOMPARE(theirs.take({2, 5}, "their-strip").claimed, (Ids{2, 5}));
        theirs.hold({5}, "their-strip", "printer fault");
        const ListPrintResult r = print();
        QVERIFY(r.completed);
        QCOMPARE(r.claimedElsewhere, 2);
        QCOMPARE(marks(), (QStringList{mark("1,3,4"), mark("6,7,8"), mark("9,0,0")}));
        QCOMPARE(claimed(), Ids{2});
        QCOMPARE(claimed("held"), Ids{5});
    }

    // Claim, the printer, then marks and release in one transaction.
    void oneStripsStatements() {
        fill(2, {});
        QVERIFY(print().completed);
        QCOMPARE(sent.size(), 6);
        QVERIFY2(sent[0].startsWith("INSERT INTO VornellClaim"), qPrintable(sent[0]));
        QVERIFY2(sent[1].startsWith("SELECT p.Iden_id"), qPrintable(sent[1]));
        QCOMPARE(sent.mid(2, 2), (QStringList{"BEGIN IMMEDIATE", mark("1,2,0")}));
        QVERIFY2(sent[4].startsWith("DELETE FROM VornellClaim WHERE Strip=?"), qPrintable(sent[4]));
        QCOMPARE(sent[5], QString("COMMIT"));
    }

    // A strip that did not reach the printer gives its records back.
    void failedStripReleases() {
        fill(6, {});
        ppla.queueResults("A_CreatePrn", {0, 1});
        ppla.setLastErrorText("Connection refused");
        const ListPrintResult r = print();
        QVERIFY(!r.completed);
        QVERIFY(!r.failure.isEmpty());
        QCOMPARE(marked(), (Ids{1, 2, 3}));
        QCOMPARE(column("SELECT count(*) FROM VornellClaim"), Ids{0});
    }

    // Another program holding the database past one busy timeout: the marks
    // are tried again, and all six records end marked.
    void markTriedAgainAfterALock() {
        fill(6, {});
        QVERIFY(QSqlQuery(dm->conADO()).exec("PRAGMA busy_timeout=100"));
        int begins = 0;
        dm->qryEXEC().onExecute = [&](const QString& s) {
            if (s != "BEGIN IMMEDIATE")
                return;
            ++begins;
            if (begins == 2)
                QVERIFY(QSqlQuery(other->conADO()).exec("BEGIN EXCLUSIVE"));
            if (begins == 3)
                QVERIFY(QSqlQuery(other->conADO()).exec("ROLLBACK"));
        };
        const ListPrintResult r = print();
        QVERIFY2(r.failure.isEmpty(), qPrintable(r.failure));
        QCOMPARE(begins, 3); // strip 1, strip 2 refused, strip 2 again
        QCOMPARE(marked(), (Ids{1, 2, 3, 4, 5, 6}));
        QCOMPARE(column("SELECT count(*) FROM VornellClaim"), Ids{0});
    }

    // Marks that cannot be committed (another program holds the database)
    // leave the strip's records claimed: no run prints them again.
    void failedMarkKeepsTheClaim() {
        fill(6, {});
        QVERIFY(QSqlQuery(dm->conADO()).exec("PRAGMA busy_timeout=100"));
        int strips = 0;
        dm->qryEXEC().onExecute = [&](const QString& s) {
            if (s == "BEGIN IMMEDIATE" && ++strips == 2)
                QVERIFY(QSqlQuery(other->conADO()).exec("BEGIN EXCLUSIVE"));
        };
        QVERIFY_THROWS_EXCEPTION(AppError, print());
        QVERIFY(QSqlQuery(other->conADO()).exec("ROLLBACK"));
        QCOMPARE(marked(), (Ids{1, 2, 3}));
        QCOMPARE(claimed(), (Ids{4, 5, 6}));
        dm->qryEXEC().onExecute = nullptr;
        ppla.clear();
        const ListPrintResult again = print();
        QCOMPARE(again.stripsPrinted, 0);
        QCOMPARE(again.claimedElsewhere, 3);
        QCOMPARE(marked(), (Ids{1, 2, 3}));
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
