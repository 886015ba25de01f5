#include "core/ErrorReport.h"
#include "db/DemoData.h"
#include "db/LabelList.h"
#include "forms/umainBarcode.h"
#include "printer/PplaPrinter.h"
#include "printer/RecordingPpla.h"
#include "printing/PrintProgress.h"
#include "settings/uBarcode.h"
#include "tests/printer/ZbarReader.h"
#include "tests/support/DataTable.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The main window's print commands and automatic printing.
class TestMainPrinting : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    int dbCounter = 0;

    void freshDatabase(int labels) {
        dm.reset();
        dm = openEmbedded(dir.filePath(QString("p%1.db").arg(++dbCounter)));
        QSqlDatabase db = dm->conADO();
        addDemoLabels(db, labels);
    }
    // The window loads its layout from the settings file when it is created;
    // the tests print with their own.
    static void defaultLayout(TmainBarcode& w) { w.setLabelLayout(stripLayout()); }
    static void usePort(TmainBarcode& w, const QString& port) {
        TLabelLayout layout = w.labelLayout();
        layout.port = port;
        w.setLabelLayout(layout);
    }
    int unprinted() {
        return scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel WHERE ifnull(PrintFlag,0)=0")
            .toInt();
    }

private slots:
    void initTestCase() { QDir::setCurrent(dir.path()); }
    void cleanupTestCase() { dm.reset(); }

    void autoPrintSwitchesFiltersAndButtons() {
        freshDatabase(3);
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, ppla);
        w.show();
        w.rbPrinted->setChecked(true);
        w.edLabelLike->setText("VA");
        w.edAmount->setText("5");
        w.edDatime->setDate(QDate(2020, 1, 1));
        w.cbAutoPrint->click();
        QVERIFY(w.Timer1->isActive());
        QVERIFY(w.rbToPrint->isChecked());
        QCOMPARE(w.edLabelLike->text(), QString());
        QCOMPARE(w.edAmount->text(), QString());
        QCOMPARE(w.edDatime->date(), QDate::currentDate());
        for (QPushButton* b : {w.BtnQuery, w.BtnSetting, w.BtnPrint, w.btnBatchPrint})
            QVERIFY(!b->isVisible());
        QVERIFY(w.btnOrderInfo->isVisible());
        QVERIFY(w.BitBtn1->isVisible());
        w.edLabelLike->setText("VB");
        w.cbAutoPrint->click();
        QVERIFY(!w.Timer1->isActive());
        for (QPushButton* b : {w.BtnQuery, w.BtnSetting, w.BtnPrint, w.btnBatchPrint})
            QVERIFY(b->isVisible());
        QVERIFY(!w.btnBatchPrint->isEnabled()); // the state it had
        QCOMPARE(w.edLabelLike->text(), QString("VB"));
    }

    // The first run 57 ticks after switching on; off after 30 and on again:
    // the next run 27 ticks later.
    void autoPrintTiming() {
        freshDatabase(0);
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, ppla);
        w.cbAutoPrint->click();
        QList<int> runs;
        QString lastStatement;
        auto tick = [&](int n) {
            for (int i = 0; i < n; ++i) {
                const QString before = w.qryLable->statement();
                w.qryLable->close();
                w.Timer1Timer();
                if (w.qryLable->isOpen())
                    runs << w.Timer1Tag;
                Q_UNUSED(before);
            }
        };
        tick(56);
        QVERIFY(runs.isEmpty());
        tick(1);
        QCOMPARE(runs, QList<int>{57});
        tick(60);
        QCOMPARE(runs, QList<int>({57, 117}));
        w.cbAutoPrint->click(); // off at 117
        tick(0);
        w.cbAutoPrint->click();
        QCOMPARE(w.Timer1Tag, 117);

        TmainBarcode w2(*dm, prompts, ppla);
        w2.cbAutoPrint->click();
        for (int i = 0; i < 30; ++i)
            w2.Timer1Timer();
        w2.cbAutoPrint->click();
        w2.cbAutoPrint->click();
        int after = 0;
        while (true) {
            w2.qryLable->close();
            w2.Timer1Timer();
            ++after;
            if (w2.qryLable->isOpen())
                break;
        }
        QCOMPARE(after, 27);
    }

    void autoRunPrintsAndMarks() {
        freshDatabase(7);
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, ppla);
        w.cbAutoPrint->click();
        for (int i = 0; i < 57; ++i)
            w.Timer1Timer();
        QCOMPARE(ppla.ops().count("A_Print_Out"), 3);
        QCOMPARE(unprinted(), 0);
        // The next run finds nothing left to print.
        for (int i = 0; i < 60; ++i)
            w.Timer1Timer();
        QCOMPARE(ppla.ops().count("A_Print_Out"), 3);
        QVERIFY(prompts.shown.empty());
    }

    // A run that ends in an error switches automatic printing off before its
    // one error box: ticks that would fall due behind the box find the timer
    // stopped, so the strip is not printed again and no second box stacks up.
    void errorEndsAutomaticPrinting_data() {
        DataTable<QString, int, int, QString>({"fault", "printOuts", "unprintedAfter", "error"})
            .row("open fails", "open", 0, 7, "Automatic printing stopped: Open USB fail!")
            .row("write fails", "write", 1, 7,
                 "Automatic printing stopped: Printing to USB1 failed: "
                 "Broken pipe")
            .row("mark fails", "mark", 2, 4,
                 "Automatic printing stopped: Labels were printed but could not be marked as "
                 "printed (Iden_id 2, 5, 3). Printing stopped. disk I/O error Unable to fetch row");
    }
    void errorEndsAutomaticPrinting() {
        QFETCH(QString, fault);
        QFETCH(int, printOuts);
        QFETCH(int, unprintedAfter);
        QFETCH(QString, error);
        freshDatabase(7);
        RecordingPpla ppla;
        if (fault == "open")
            ppla.setResult("A_CreatePrn", 3);
        if (fault == "write") {
            ppla.setResult("A_Print_Out", 4);
            ppla.setLastErrorText("Broken pipe");
        }
        if (fault == "mark")
            QVERIFY(QSqlQuery(dm->conADO())
                        .exec("CREATE TRIGGER refuse BEFORE UPDATE OF PrintFlag ON PrintLabel "
                              "WHEN NEW.Iden_id = 5 BEGIN SELECT RAISE(ABORT, 'disk I/O error'); "
                              "END"));
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, ppla);
        usePort(w, "USB1");
        w.cbAutoPrint->click();
        QVERIFY(!w.rbPrinted->isEnabled());
        QVERIFY(!w.edLabelLike->isEnabled());
        QVERIFY(!w.edAmount->isEnabled());
        bool timerWhileShown = true;
        prompts.onShow = [&](const ScriptedPrompts::Shown&) {
            timerWhileShown = w.Timer1->isActive();
            // Eight minutes of ticks behind the box, as the timer delivers them.
            for (int i = 0; i < 480; ++i)
                if (w.Timer1->isActive())
                    w.Timer1Timer();
        };
        for (int i = 0; i < 57; ++i)
            w.Timer1Timer();
        QVERIFY(!timerWhileShown);
        QCOMPARE(prompts.texts("error"), QStringList{errorReportText(error)});
        QVERIFY(prompts.texts("message").isEmpty());
        QCOMPARE(ppla.ops().count("A_Print_Out"), printOuts);
        QCOMPARE(unprinted(), unprintedAfter);
        QVERIFY(!w.cbAutoPrint->isChecked());
        QVERIFY(!w.Timer1->isActive());
        QVERIFY(w.rbPrinted->isEnabled());
        QVERIFY(w.edLabelLike->isEnabled());
        QVERIFY(w.BtnQuery->isVisibleTo(&w));
        QCOMPARE(w.StatusBar1->currentMessage(), error);
        QVERIFY(!w.isPrinting());
    }

    // A run that ends before its first strip leaves no progress dialog
    // behind: none is shown while the message box that ends the run is open,
    // however long the box waits for the operator.
    void noProgressDialogOverTheEndOfARun_data() {
        DataTable<QString, QString>({"how", "box"})
            .row("port fails", "open", "message")
            .row("refused field", "refused", "message")
            .row("batch print twice", "twice", "message")
            .row("automatic run stops", "auto", "error");
    }
    void noProgressDialogOverTheEndOfARun() {
        QFETCH(QString, how);
        QFETCH(QString, box);
        freshDatabase(7);
        if (how == "refused")
            addLabel(dm->conADO(), "2000-01-01 00:00:00", QString::fromUtf8("AA中文字符"));
        RecordingPpla ppla;
        if (how == "open" || how == "auto")
            ppla.setResult("A_CreatePrn", 3);
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, ppla);
        defaultLayout(w);
        w.show();
        if (how == "refused")
            w.edDatime->setDate(QDate(1999, 1, 1));
        QList<bool> dialogShown;
        prompts.onShow = [&](const ScriptedPrompts::Shown&) {
            // The box's own event loop, inside the window's.
            QEventLoop box;
            QTimer::singleShot(50, &box, &QEventLoop::quit);
            box.exec();
            bool shown = false;
            for (QProgressDialog* d : w.findChildren<QProgressDialog*>())
                shown = shown || d->isVisible();
            dialogShown << shown;
        };
        if (how == "auto") {
            w.cbAutoPrint->click();
            for (int i = 0; i < 56; ++i)
                w.Timer1Timer();
        } else {
            w.BtnQueryClick();
            if (how == "twice") {
                w.btnBatchPrint->click();
                QVERIFY(prompts.shown.empty());
            }
        }
        // The command runs from the window's event loop, as a click does.
        QEventLoop window;
        QTimer::singleShot(0, &w, [&] {
            if (how == "auto")
                w.Timer1Timer();
            else
                w.btnBatchPrint->click();
            window.quit();
        });
        window.exec();
        QCOMPARE(prompts.texts(box).size(), 1);
        QCOMPARE(dialogShown, QList<bool>{false});
        QVERIFY(w.findChildren<QProgressDialog*>().isEmpty());
    }

    // During a run every command waits; a close request offers to stop after
    // the strip in hand, then asks the exit question, and the station closes
    // once the run has ended.
    void closeDuringARun_data() {
        DataTable<bool, bool, int, bool>({"stop", "exit", "printOuts", "closed"})
            .row("go on printing", false, false, 3, false)
            .row("stop, stay", true, false, 1, false)
            .row("stop and exit", true, true, 1, true);
    }
    void closeDuringARun() {
        QFETCH(bool, stop);
        QFETCH(bool, exit);
        QFETCH(int, printOuts);
        QFETCH(bool, closed);
        freshDatabase(9);
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        prompts.answers = {stop, exit};
        TmainBarcode w(*dm, prompts, ppla);
        w.show();
        w.BtnQueryClick();
        struct Meddling : PrintProgress {
            TmainBarcode* w = nullptr;
            QList<bool> enabled;
            void begin(int) override {}
            bool advance(int done) override {
                if (done == 1) {
                    for (QWidget* c :
                         {(QWidget*)w->BtnQuery, (QWidget*)w->BtnSetting, (QWidget*)w->btnOrderInfo,
                          (QWidget*)w->cbAutoPrint, (QWidget*)w->BitBtn1, (QWidget*)w->DBGridEh1,
                          (QWidget*)w->edLabelLike})
                        enabled << c->isEnabled();
                    w->BtnQueryClick();
                    w->close();
                }
                return true;
            }
            void end() override {}
        } meddling;
        meddling.w = &w;
        w.progressOverride = &meddling;
        w.btnBatchPrint->click();
        QCOMPARE(meddling.enabled, QList<bool>(7, false));
        QCOMPARE(ppla.ops().count("A_Print_Out"), printOuts);
        QCOMPARE(unprinted(), 9 - 3 * printOuts);
        QStringList questions{"A print run is going. Stop it after the current strip?"};
        if (stop)
            questions << "Are you sure to exit?";
        QCOMPARE(prompts.texts("question"), questions);
        QVERIFY(w.BtnQuery->isEnabled());
        QVERIFY(w.btnBatchPrint->isEnabled());
        QCoreApplication::processEvents();
        QCOMPARE(!w.isVisible(), closed);
        QCOMPARE(prompts.texts("question").size(), questions.size()); // asked once only
    }

    // The status line names the database and the device behind the layout's
    // port, and follows a change of the port.
    void statusLineNamesDatabaseAndDevice() {
        freshDatabase(1);
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        qputenv("VORNELL_PRINTER_USB2", "tcp:127.0.0.1:9101");
        TmainBarcode w(*dm, prompts, ppla);
        usePort(w, "USB2");
        w.setDatabaseDescription("embedded /srv/station/vornell.db");
        qunsetenv("VORNELL_PRINTER_USB2");
        QCOMPARE(w.stationInfo->text(), QString("Database: embedded /srv/station/vornell.db   "
                                                "Printer USB2: tcp:127.0.0.1:9101"));
    }

    void printFirstN_data() {
        DataTable<QString, int, QString, QString>({"entered", "strips", "error", "message"})
            .row("two", "2", 1, "", "")
            .row("leading blank", " 5", 0, "' 5' is not a valid integer value.", "")
            .row("blanks around", " 4 ", 0, "' 4 ' is not a valid integer value.", "")
            .row("more than the list", "999", 3, "", "")
            .row("letters", "abc", 0, "'abc' is not a valid integer value.", "")
            .row("huge", "99999999999", 0, "'99999999999' is not a valid integer value.", "")
            .row("zero", "0", 0, "", "Please input valid integer")
            .row("negative", "-1", 0, "", "Please input valid integer")
            .row("cancel", QString(), 0, "", "");
    }
    void printFirstN() {
        QFETCH(QString, entered);
        QFETCH(int, strips);
        QFETCH(QString, error);
        QFETCH(QString, message);
        freshDatabase(7);
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        if (entered.isNull())
            prompts.inputs.push_back(std::nullopt);
        else
            prompts.inputs.push_back(entered);
        TmainBarcode w(*dm, prompts, ppla);
        w.show();
        w.BtnQueryClick();
        w.DBGridEh1->setFocus();
        w.qryLable->setCurrentRow(4);
        QTest::mouseClick(w.BtnPrint, Qt::LeftButton);
        QCOMPARE(prompts.lastInputValue, QString("1"));
        QCOMPARE(ppla.ops().count("A_Print_Out"), strips);
        QCOMPARE(prompts.texts("error"), error.isEmpty() ? QStringList{} : QStringList{error});
        QCOMPARE(prompts.texts("message"),
                 message.isEmpty() ? QStringList{} : QStringList{message});
        if (strips > 0) {
            // From the top of the list, whatever record was current.
            const QByteArray first = ppla.calls()[3].args[10].toByteArray();
            QCOMPARE(QString::fromUtf8(first),
                     "SN:" + w.qryLable->value(0, LabelList::LabelText).toString());
        }
    }

    void printFirstNNeedsARecord() {
        freshDatabase(0);
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, ppla);
        w.BtnPrintClick(); // list closed
        w.BtnQueryClick();
        w.BtnPrintClick(); // list empty
        QVERIFY(prompts.shown.empty());
    }

    void manualListPrintsThreePerStrip() {
        freshDatabase(0);
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, ppla);
        w.edtPrintList->setPlainText("A1234567\nB2345678\nC3456789\nD4567890");
        w.rzrdgrp1Items->button(1)->click(); // text format
        QTest::mouseClick(w.BitBtn1, Qt::LeftButton);
        QCOMPARE(ppla.ops().count("A_Print_Out"), 2);
        QVERIFY(!ppla.ops().contains("A_Prn_Barcode"));
        QCOMPARE(w.edtPrintList->toPlainText(), QString("A1234567\nB2345678\nC3456789\nD4567890"));
        QCOMPARE(scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel").toInt(), 0);
    }

    // Query then BatchPrint on the virtual printer: one picture per strip,
    // every barcode reading characters 3 to 8 of its record's label text, and
    // every record marked.
    void endToEndOnTheVirtualPrinter() {
        freshDatabase(8);
        QTemporaryDir out;
        PplaPrinter printer(usb1At("preview:" + out.path()));
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        defaultLayout(w); // the window loaded the stored defaults, which put two columns at 240
        w.show();
        QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
        QCOMPARE(w.qryLable->count(), 8);
        QStringList expected;
        for (int r = 0; r < 8; ++r)
            expected << w.qryLable->value(r, LabelList::LabelText).toString().mid(2, 6);
        QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
        QVERIFY2(prompts.shown.empty(),
                 qPrintable(prompts.shown.empty() ? QString() : prompts.shown[0].text));
        QCOMPARE(unprinted(), 0);
        const QStringList pngs = QDir(out.path()).entryList({"*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(pngs.size(), 3);
        QStringList read;
        for (const QString& png : pngs) {
            QList<QByteArray> codes = readBarcodes(QImage(out.filePath(png)));
            QVERIFY2(!codes.isEmpty(), qPrintable(png));
            for (const QByteArray& c : codes)
                read << QString::fromUtf8(c);
        }
        read.sort();
        expected.sort();
        QCOMPARE(read, expected);
    }
};

QTEST_MAIN(TestMainPrinting)
#include "tst_mainprinting.moc"
