#include "core/Language.h"
#include "db/LabelList.h"
#include "db/RecordClaims.h"
#include "forms/UnfinishedStrips.h"
#include "forms/umainBarcode.h"
#include "journal/PrintJournal.h"
#include "printer/RecordingPpla.h"
#include "printing/StripJournal.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// "Unfinished strips": the operator's decisions, and when the main window
// shows it (at start and before runs the operator starts, never before an
// automatic run, which passes over the held records instead).
class TestUnfinished : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    std::unique_ptr<PrintJournal> journal;
    int n = 0;

    // Nine labels; strips 1-3 and 4-6 left unfinished by an earlier run.
    void fill() {
        journal.reset();
        dm.reset();
        ++n;
        dm = openEmbedded(dir.filePath(QString("u%1.db").arg(n)));
        for (int i = 1; i <= 9; ++i)
            addLabel(dm->conADO(), QDate::currentDate().toString("yyyy-MM-dd") + " 08:00:00",
                     QString("VA%1").arg(i, 6, 10, QChar('0')));
        journal = std::make_unique<PrintJournal>();
        journal->open(dir.filePath(QString("j%1.db").arg(n)));
        for (qint64 first : {1, 4}) {
            NewStrip s;
            s.port = "USB1";
            for (qint64 id = first; id < first + 3; ++id)
                s.records.append({id, QString("VA%1").arg(id, 6, 10, QChar('0'))});
            const qint64 e = journal->begin(s);
            journal->note(e, StripState::Sent);
            if (first == 4)
                journal->note(e, StripState::Uncertain, "USB1: the printer is paused");
        }
    }
    QSet<qint64> marked() {
        QSet<qint64> out;
        QSqlQuery q(dm->conADO());
        q.exec("SELECT Iden_id FROM PrintLabel WHERE PrintFlag=1");
        while (q.next())
            out << q.value(0).toLongLong();
        return out;
    }

private slots:
    void initTestCase() {
        QDir::setCurrent(dir.path());
        UICodePage = 437;
    }
    void cleanup() { TUnfinishedStrips::modalDriver = nullptr; }
    void cleanupTestCase() {
        journal.reset();
        dm.reset();
    }

    void decides() {
        fill();
        ScriptedPrompts prompts;
        RecordClaims claims(dm->qryEXEC(), dm->conADO(), "line1");
        TUnfinishedStrips d(journal.get(), claims, prompts, 437);
        QCOMPARE(d.windowTitle(), QString("Unfinished strips"));
        QCOMPARE(d.count(), 2);
        QVERIFY2(d.lstStrips->item(0)->text().endsWith(
                     "USB1  VA000001, VA000002, VA000003  -  sent, no confirmation"),
                 qPrintable(d.lstStrips->item(0)->text()));
        QVERIFY2(d.lstStrips->item(1)->text().endsWith(
                     "printer fault while in flight: USB1: the printer is paused"),
                 qPrintable(d.lstStrips->item(1)->text()));
        d.show();
        d.lstStrips->item(1)->setSelected(true);
        QTest::mouseClick(d.btnMarkPrinted, Qt::LeftButton);
        QCOMPARE(marked(), (QSet<qint64>{4, 5, 6}));
        QCOMPARE(d.count(), 1);
        QVERIFY(d.isVisible());
        QTest::mouseClick(d.btnSelectAll, Qt::LeftButton);
        QTest::mouseClick(d.btnPrintAgain, Qt::LeftButton);
        QCOMPARE(marked(), (QSet<qint64>{4, 5, 6}));
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(journal->heldIds().isEmpty());
        QVERIFY(prompts.shown.empty());
    }

    // Strips another station holds in the database are listed with its name
    // and decided here too; its strips in flight are not listed.
    void listsAnotherStationsHolds() {
        fill();
        RecordClaims line2(dm->qryEXEC(), dm->conADO(), "line2");
        line2.take({7, 8}, "held-strip");
        line2.hold({7, 8}, "held-strip", "USB1: the printer is out of paper");
        line2.take({9}, "in-flight");
        ScriptedPrompts prompts;
        RecordClaims claims(dm->qryEXEC(), dm->conADO(), "line1");
        TUnfinishedStrips d(journal.get(), claims, prompts, 437);
        QCOMPARE(d.count(), 3);
        QVERIFY2(d.lstStrips->item(2)->text().endsWith(
                     "station line2  VA000007, VA000008  -  USB1: the printer is out of paper"),
                 qPrintable(d.lstStrips->item(2)->text()));
        d.show();
        d.lstStrips->item(2)->setSelected(true);
        QTest::mouseClick(d.btnMarkPrinted, Qt::LeftButton);
        QCOMPARE(marked(), (QSet<qint64>{7, 8}));
        QCOMPARE(scalar(dm->conADO(), "SELECT group_concat(Iden_id) FROM VornellClaim").toString(),
                 QString("9"));
        QCOMPARE(d.count(), 2);
    }

    // At start and before BatchPrint the dialog comes up; "Later" leaves the
    // strips held, and the run passes over their records. An automatic run
    // never shows it.
    void windowHoldsUntilDecided_data() {
        QTest::addColumn<bool>("automatic");
        QTest::newRow("BatchPrint") << false;
        QTest::newRow("automatic printing") << true;
    }
    void windowHoldsUntilDecided() {
        QFETCH(bool, automatic);
        fill();
        int shown = 0;
        TUnfinishedStrips::modalDriver = [&](TUnfinishedStrips& d) {
            ++shown;
            QCOMPARE(d.count(), 2);
            QTest::mouseClick(d.btnLater, Qt::LeftButton);
        };
        ScriptedPrompts prompts;
        RecordingPpla ppla;
        StripJournal strips(*journal, "embedded");
        TmainBarcode w(*dm, prompts, ppla);
        w.journal = &strips;
        w.setLabelLayout(stripLayout());
        w.show();
        QTRY_COMPARE(shown, 1);
        QVERIFY2(w.stationInfo->text().contains("6 records held: see Unfinished strips"),
                 qPrintable(w.stationInfo->text()));
        if (automatic) {
            w.cbAutoPrint->click();
            w.Timer1Tag = 56;
            w.Timer1Timer();
        } else {
            QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
            QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
        }
        QCOMPARE(shown, automatic ? 1 : 2);
        QCOMPARE(marked(), (QSet<qint64>{7, 8, 9}));
        QVERIFY2(prompts.shown.empty(),
                 qPrintable(prompts.shown.empty() ? QString() : prompts.shown[0].text));
        QVERIFY(w.stationInfo->text().contains("6 records held"));
    }
};

QTEST_MAIN(TestUnfinished)
#include "tst_unfinished.moc"
