#include "core/Language.h"
#include "db/DemoData.h"
#include "db/LabelList.h"
#include "forms/umainBarcode.h"
#include "printer/RecordingPpla.h"
#include "tests/support/DataTable.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QDir>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

// The main window beside another station on the same database: records the
// other one printed after Query are passed over, and the end of the run says
// how many.
class TestMainClaim : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() { QDir::setCurrent(dir.path()); }

    void batchPrintPassesOverTheOtherStations_data() {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("message");
        QTest::newRow("English") << 437 << "2 records were printed by another station";
        QTest::newRow("Chinese") << 936 << u8"2 条记录已由另一台工作站打印";
    }
    void batchPrintPassesOverTheOtherStations() {
        QFETCH(int, codePage);
        QFETCH(QString, message);
        const int32_t before = UICodePage;
        UICodePage = codePage;
        const QString file = dir.filePath(QString("claim%1.db").arg(codePage));
        auto dm = openEmbedded(file);
        auto other = openEmbedded(file);
        {
            QSqlDatabase db = dm->conADO();
            addDemoLabels(db, 8);
        }
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        {
            TmainBarcode w(*dm, prompts, ppla);
            w.setLabelLayout(stripLayout());
            w.show();
            QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
            QCOMPARE(w.qryLable->count(), 8);
            QList<qint64> listed;
            for (int r = 0; r < 8; ++r)
                listed << w.qryLable->value(r, LabelList::Iden_id).toLongLong();
            // The other station prints the list's second and fourth records.
            QVERIFY(QSqlQuery(other->conADO())
                        .exec(QString("UPDATE PrintLabel SET PrintFlag=1 WHERE Iden_id in (%1,%2)")
                                  .arg(listed[1])
                                  .arg(listed[3])));
            QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
            QCOMPARE(prompts.shown.size(), size_t(1));
            QCOMPARE(prompts.shown[0].text, message);
            QCOMPARE(w.StatusBar1->currentMessage(),
                     (codePage == 936
                          ? QString(u8"已打印 2 条，6 条记录已标记为已打印，0 条记录保留待定；")
                          : QString("Strips printed: 2, records marked: 6, records "
                                    "held: 0; ")) +
                         message);
            // Six records on two strips, every record marked once.
            QCOMPARE(ppla.ops().count("A_Print_Out"), 2);
            QCOMPARE(
                scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel WHERE PrintFlag=1").toInt(),
                8);
        }
        UICodePage = before;
    }

    // BatchPrint again over the records this window has just printed: they
    // are passed over as this station's own, and every run that printed ends
    // with what it did.
    void batchPrintTwiceNamesThisStation_data() {
        DataTable<int, QString, QString>({"codePage", "summary", "passedOver"})
            .row("English", 437, "Strips printed: 3, records marked: 7, records held: 0",
                 "Passed over, printed by this station before: 7")
            .row("Chinese", 936, QString(u8"已打印 3 条，7 条记录已标记为已打印，0 条记录保留待定"),
                 QString(u8"7 条记录此前已由本工作站打印，已跳过"));
    }
    void batchPrintTwiceNamesThisStation() {
        QFETCH(int, codePage);
        QFETCH(QString, summary);
        QFETCH(QString, passedOver);
        const int32_t before = UICodePage;
        UICodePage = codePage;
        auto dm = openEmbedded(dir.filePath(QString("twice%1.db").arg(codePage)));
        {
            QSqlDatabase db = dm->conADO();
            addDemoLabels(db, 7);
        }
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        {
            TmainBarcode w(*dm, prompts, ppla);
            w.setLabelLayout(stripLayout());
            w.show();
            QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
            QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
            QVERIFY(prompts.shown.empty());
            QCOMPARE(w.StatusBar1->currentMessage(), summary);
            QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
            QCOMPARE(ppla.ops().count("A_Print_Out"), 3);
            QCOMPARE(prompts.texts("message"), QStringList{passedOver});
            QCOMPARE(w.StatusBar1->currentMessage(), passedOver);
        }
        UICodePage = before;
    }
};

QTEST_MAIN(TestMainClaim)
#include "tst_mainclaim.moc"
