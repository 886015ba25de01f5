#include "core/Language.h"
#include "db/DemoData.h"
#include "db/LabelList.h"
#include "forms/umainBarcode.h"
#include "printer/PplaPrinter.h"
#include "printer/VirtualTcpPrinter.h"
#include "settings/uBarcode.h"
#include "tests/support/DataTable.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/NetworkPrinter.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QDir>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

// The main window printing with the printer's feedback: what the operator
// reads in the message and the status line.
class TestMainFeedback : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    int dbCounter = 0;

    int unprinted() {
        return scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel WHERE ifnull(PrintFlag,0)=0")
            .toInt();
    }

private slots:
    void initTestCase() {
        QDir::setCurrent(dir.path());
        UICodePage = 437;
    }
    void cleanupTestCase() { dm.reset(); }

    void batchPrint_data() {
        // message: the start of the one message, none if empty
        // statusLine: its start
        DataTable<bool, int, int, int, QString, QString>(
            {"mute", "paperOutAfter", "pauseAfter", "unprinted", "message", "statusLine"})
            .row("mute printer", true, -1, -1, 0, "", "no printer feedback")
            .row("ready printer", false, -1, -1, 0, "", "")
            .row("paper out before the run", false, 0, -1, 3,
                 "USB1: the printer is out of paper or has a fault", "")
            .row("paper out after the strip", false, 1, -1, 3,
                 "USB1: the printer is out of paper or has a fault. Not marked printed, not known "
                 "whether their labels came out: ",
                 "Not confirmed printed: ")
            // It finished the strip, then its operator paused it.
            .row("paused after the strip", false, -1, 1, 0, "", "");
    }
    void batchPrint() {
        QFETCH(bool, mute);
        QFETCH(int, paperOutAfter);
        QFETCH(int, pauseAfter);
        QFETCH(int, unprinted);
        QFETCH(QString, message);
        QFETCH(QString, statusLine);
        dm.reset();
        dm = openEmbedded(dir.filePath(QString("f%1.db").arg(++dbCounter)));
        QSqlDatabase db = dm->conADO();
        addDemoLabels(db, 3);

        VirtualTcpPrinterOptions o = networkPrinter(20);
        o.mute = mute;
        o.paperOutAfter = paperOutAfter;
        o.pauseAfter = pauseAfter;
        VirtualTcpPrinter device(o);
        QVERIFY(started(device));
        PplaPrinter printer(usb1At(loopbackTarget(device.port())));
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        w.printerFeedback = &printer;
        w.setLabelLayout(stripLayout());
        w.show();
        QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
        QCOMPARE(w.qryLable->count(), 3);
        QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
        QCOMPARE(this->unprinted(), unprinted);
        if (message.isEmpty()) {
            QVERIFY2(prompts.shown.empty(),
                     qPrintable(prompts.shown.empty() ? QString() : prompts.shown[0].text));
        } else {
            QCOMPARE(prompts.shown.size(), size_t(1));
            QVERIFY2(prompts.shown[0].text.startsWith(message), qPrintable(prompts.shown[0].text));
        }
        if (statusLine.isEmpty())
            QVERIFY(!w.StatusBar1->currentMessage().contains("printer"));
        else
            QVERIFY2(w.StatusBar1->currentMessage().startsWith(statusLine),
                     qPrintable(w.StatusBar1->currentMessage()));
        if (unprinted == 3 && paperOutAfter > 0) {
            // The records held are the ones the run read, by their Iden_ids.
            for (int id = 1; id <= 3; ++id)
                QVERIFY(prompts.shown[0].text.contains(QString("(Iden_id %1)").arg(id)));
        }
    }
};

QTEST_MAIN(TestMainFeedback)
#include "tst_mainfeedback.moc"
