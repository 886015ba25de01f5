#include "core/AppError.h"
#include "db/LabelList.h"
#include "printer/RecordingPpla.h"
#include "printing/ListPrinter.h"
#include "printing/PrintMarking.h"
#include "printing/PrintProgress.h"
#include "settings/uBarcode.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StationRun.h"
#include "tests/support/TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
// Stops the run after the given strip.
class StoppingProgress : public PrintProgress {
public:
    explicit StoppingProgress(int stopAfter) : stopAfter_(stopAfter) {}
    void begin(int strips) override { total = strips; }
    bool advance(int done) override {
        seen << done;
        return done < stopAfter_;
    }
    void end() override { ended = true; }
    int total = 0;
    QList<int> seen;
    bool ended = false;

private:
    int stopAfter_;
};
} // namespace

// Printing the label list against a real embedded database.
class TestListPrint : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    std::unique_ptr<LabelList> list;
    RecordingPpla ppla;
    ScriptedPrompts prompts;
    SilentProgress silent;
    TLabelLayout layout;
    QStringList statements;
    int dbCounter = 0;

    void fill(int records) {
        list.reset();
        dm.reset();
        dm = openEmbedded(dir.filePath(QString("list%1.db").arg(++dbCounter)));
        // The marks; the claims' statements come and go around them.
        dm->qryEXEC().onExecute = [this](const QString& s) {
            if (s.startsWith("UPDATE PrintLabel SET PrintFlag"))
                statements << s;
        };
        for (int i = 0; i < records; ++i)
            addLabel(dm->conADO(), "2026-12-09 08:00:00",
                     QString("  VA%1 ").arg(i + 1, 6, 10, QChar('0')));
        list = std::make_unique<LabelList>(dm->connectionName());
        list->open({"SELECT * FROM PrintLabel ORDER BY LabelText"});
        ppla.clear();
        prompts.shown.clear();
        statements.clear();
    }
    QStringList printedTexts() const {
        QStringList out;
        for (const auto& c : ppla.calls())
            if (c.op == "A_Prn_Text_TrueType")
                out << QString::fromUtf8(c.args[10].toByteArray());
        return out;
    }
    int marked() {
        return scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel WHERE PrintFlag=1").toInt();
    }

private slots:
    void init() {
        layout = TLabelLayout{};
        layout.port = "USB1";
        layout.font = LabelFont::of(QString(), "400 standard");
        layout.columns[0].barcode.width = 1;
        for (LabelColumn& column : layout.columns)
            column.barcode.height = 30;
    }
    void cleanupTestCase() {
        list.reset();
        dm.reset();
    }

    void stripsAndMarks_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QStringList>("marks");
        QTest::newRow("empty") << 0 << QStringList{};
        QTest::newRow("one") << 1 << QStringList{"WHERE iden_id in (1,0,0) "};
        QTest::newRow("three") << 3 << QStringList{"WHERE iden_id in (1,2,3) "};
        QTest::newRow("seven") << 7
                               << QStringList{"WHERE iden_id in (1,2,3) ",
                                              "WHERE iden_id in (4,5,6) ",
                                              "WHERE iden_id in (7,0,0) "};
    }
    void stripsAndMarks() {
        QFETCH(int, records);
        QFETCH(QStringList, marks);
        fill(records);
        const ListPrintResult r =
            printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent);
        QVERIFY(r.completed);
        QCOMPARE(r.stripsPrinted, marks.size());
        QCOMPARE(ppla.ops().count("A_Print_Out"), marks.size());
        QCOMPARE(statements.size(), marks.size());
        for (int i = 0; i < marks.size(); ++i)
            QCOMPARE(statements[i],
                     "UPDATE PrintLabel SET PrintFlag=1, PrintTime=getdate() \r\n" + marks[i]);
        QCOMPARE(marked(), records);
        if (records > 0) {
            QCOMPARE(printedTexts().first(), QString("SN:VA000001")); // trimmed
            QCOMPARE(list->currentRow(), records - 1);
            QCOMPARE(scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel WHERE PrintTime IS NULL "
                                          "OR length(PrintTime)<>19")
                         .toInt(),
                     0);
        }
        if (records == 7)
            QCOMPARE(printedTexts().mid(6), QStringList({"SN:VA000007", "SN:", "SN:"}));
    }

    // A second BatchPrint over the same list prints none of it again: its
    // records are printed, and printing a label again is a reprint that a
    // person asks for with a reason (the history).
    void batchPrintTwicePassesOverWhatItPrinted() {
        fill(2);
        printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent);
        QSqlQuery(dm->conADO()).exec("UPDATE PrintLabel SET PrintTime='2000-01-01 00:00:00'");
        const ListPrintResult again =
            printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent);
        QCOMPARE(ppla.ops().count("A_Print_Out"), 1);
        QCOMPARE(again.printedElsewhere, 2);
        QCOMPARE(
            scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel WHERE PrintTime>'2000-01-02'")
                .toInt(),
            0);
    }

    void firstNRecords_data() {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("strips");
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("four") << 4 << 2;
        QTest::newRow("more than the list") << 50 << 3;
    }
    void firstNRecords() {
        QFETCH(int, limit);
        QFETCH(int, strips);
        fill(7);
        printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent, limit);
        QCOMPARE(ppla.ops().count("A_Print_Out"), strips);
        QCOMPARE(marked(), qMin(limit, 7));
    }

    // A strip that did not reach the printer is never marked, and the run ends.
    void failureEndsTheRunUnmarked_data() {
        QTest::addColumn<QString>("op");
        QTest::newRow("open fails") << "A_CreatePrn";
        QTest::newRow("write fails") << "A_Print_Out";
    }
    void failureEndsTheRunUnmarked() {
        QFETCH(QString, op);
        fill(7);
        ppla.queueResults(op, {0, 4});
        const ListPrintResult r =
            printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent);
        QVERIFY(!r.completed);
        QCOMPARE(r.stripsPrinted, 1);
        QCOMPARE(marked(), 3);
        QCOMPARE(statements.size(), 1);
        QVERIFY(!r.failure.isEmpty());
    }

    // A strip holding a field the printer refuses is not sent and not marked;
    // the strips before it are. The message names the record and the field.
    void refusedFieldEndsTheRunUnmarked_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height2");
        QTest::addColumn<QString>("fifth");
        QTest::addColumn<int>("strips");
        QTest::addColumn<QString>("failure");
        QTest::newRow("width 13") << 13 << 30 << "VA000005" << 0
                                  << "Label VA000001 (Iden_id 1), barcode: Barcode width 13 is "
                                     "wider than the printer allows (12). Its strip was not "
                                     "printed.";
        QTest::newRow("width 0") << 0 << 30 << "VA000005" << 0
                                 << "Label VA000001 (Iden_id 1), barcode: Barcode width 0 is "
                                    "narrower than the printer allows (1). Its strip was not "
                                    "printed.";
        QTest::newRow("height 0") << 1 << 0 << "VA000005" << 0
                                  << "Label VA000002 (Iden_id 2), barcode: Barcode height 0 "
                                     "prints no barcode. Its strip was not printed.";
        QTest::newRow("chinese in the barcode")
            << 1 << 30 << QString::fromUtf8("QZ00中01") << 1
            << QString::fromUtf8("Label QZ00中01 (Iden_id 5), barcode: Label text QZ00中01 holds "
                                 "characters a barcode cannot carry. Its strip was not printed.");
        QTest::newRow("chinese outside the barcode")
            << 1 << 30 << QString::fromUtf8("QZ000001中") << 3 << "";
        QTest::newRow("NUL in the barcode")
            << 1 << 30 << QString("VA00") + QChar(0) + "05" << 1
            << "Label VA00\\x0005 (Iden_id 5), barcode: Label text VA00\\x0005 holds characters "
               "a barcode cannot carry. Its strip was not printed.";
        QTest::newRow("NUL in the text")
            << 1 << 30 << QString("VA000005") + QChar(0) + "X" << 1
            << "Label VA000005\\x00X (Iden_id 5), text: Label text VA000005\\x00X holds a NUL "
               "character, which cannot be printed. Its strip was not printed.";
    }
    void refusedFieldEndsTheRunUnmarked() {
        QFETCH(int, width);
        QFETCH(int, height2);
        QFETCH(QString, fifth);
        QFETCH(int, strips);
        QFETCH(QString, failure);
        fill(7);
        QSqlQuery update(dm->conADO());
        update.prepare("UPDATE PrintLabel SET LabelText=? WHERE Iden_id=5");
        update.addBindValue(fifth);
        QVERIFY(update.exec());
        list->open({"SELECT * FROM PrintLabel ORDER BY Iden_id"});
        layout.columns[0].barcode.width = width;
        layout.columns[1].barcode.height = height2;
        const ListPrintResult r =
            printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent);
        QCOMPARE(r.stripsPrinted, strips);
        QCOMPARE(r.completed, failure.isEmpty());
        QCOMPARE(r.failure, failure);
        QCOMPARE(marked(), failure.isEmpty() ? 7 : strips * 3);
        // The refused strip never reached the port.
        QCOMPARE(ppla.ops().count("A_CreatePrn"), strips);
    }

    void failedMarkStopsAndNamesTheRecords() {
        fill(7);
        QSqlQuery(dm->conADO())
            .exec("CREATE TRIGGER refuse BEFORE UPDATE OF PrintFlag ON PrintLabel "
                  "WHEN NEW.Iden_id = 5 BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
        try {
            printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent);
            QFAIL("a failed mark went unnoticed");
        } catch (const AppError& e) {
            QVERIFY2(e.text().contains("Iden_id 4, 5, 6"), qPrintable(e.text()));
            QVERIFY2(e.text().contains("disk I/O error"), qPrintable(e.text()));
        }
        QCOMPARE(ppla.ops().count("A_Print_Out"), 2); // the third strip is never printed
        QCOMPARE(marked(), 3);
    }

    void databaseGoneMidRun() {
        fill(7);
        int strips = 0;
        dm->qryEXEC().onExecute = [&](const QString& s) {
            if (s.startsWith("UPDATE PrintLabel SET PrintFlag") && ++strips == 2)
                dm->conADO().close();
        };
        QVERIFY_THROWS_EXCEPTION(
            AppError, printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent));
        QCOMPARE(ppla.ops().count("A_Print_Out"), 2);
    }

    void stopAfterTheStripInHand() {
        fill(10);
        StoppingProgress stop(2);
        const ListPrintResult r =
            printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, stop);
        QVERIFY(!r.completed);
        QCOMPARE(stop.total, 4);
        QCOMPARE(stop.seen, QList<int>({1, 2}));
        QVERIFY(stop.ended);
        QCOMPARE(marked(), 6);
    }

    void closedListDoesNothing() {
        fill(3);
        list->close();
        printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent);
        QVERIFY(ppla.calls().isEmpty());
        QVERIFY(statements.isEmpty());
    }

    void labelTextIsTrimmedAndCut() {
        QCOMPARE(printedLabelText(" \tVA1\r\n"), QString("VA1"));
        QCOMPARE(printedLabelText(QString(60, 'X')).size(), 54);
        QCOMPARE(printMarkingLines({41, 42, 0}),
                 QStringList({"UPDATE PrintLabel SET PrintFlag=1, PrintTime=getdate() ",
                              "WHERE iden_id in (41,42,0) "}));
    }
};

QTEST_GUILESS_MAIN(TestListPrint)
#include "tst_listprint.moc"
