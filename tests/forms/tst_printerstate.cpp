#include "core/Language.h"
#include "db/DemoData.h"
#include "db/LabelList.h"
#include "forms/Ubarsetting.h"
#include "forms/umainBarcode.h"
#include "printer/PplaPrinter.h"
#include "printer/RecordingPpla.h"
#include "printer/VirtualTcpPrinter.h"
#include "printing/PrinterStateWatcher.h"
#include "tests/support/DataTable.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/NetworkPrinter.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <map>

// The printer's state in the main window's status line and the settings
// dialog, asked of the networked virtual printer through the real driver.
class TestPrinterState : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    int dbCounter = 0;

    // The real driver with only the given variables set.
    static std::unique_ptr<PplaPrinter> driver(std::map<QString, QString> env) {
        return std::make_unique<PplaPrinter>(withEnv(std::move(env)));
    }
    static QString target(const VirtualTcpPrinter& device) { return loopbackTarget(device.port()); }
    static VirtualTcpPrinterOptions fast() { return networkPrinter(20); }
    // Shows the main window watching printer and waits until it shows the
    // printer ready, with no request out.
    static bool shownReady(TmainBarcode& w, PplaPrinter& printer) {
        w.printerFeedback = &printer;
        w.setLabelLayout(stripLayout());
        w.show();
        const bool ready = QTest::qWaitFor([&] {
            return w.printerState->stateText() == QLatin1String("the printer is ready") &&
                   !w.printerState->isAsking();
        });
        if (!ready)
            qWarning("the window shows: %s", qPrintable(w.printerState->stateText()));
        return ready;
    }

private slots:
    void initTestCase() {
        QDir::setCurrent(dir.path());
        UICodePage = 437;
    }
    void cleanup() { UICodePage = 437; }
    void cleanupTestCase() { dm.reset(); }

    void statusLine_data() {
        // statusSetting: VORNELL_PRINTER_USB1_STATUS
        // portValue: VORNELL_PRINTER_USB1, the printer if empty
        DataTable<int, bool, int, int, QString, QString, bool, QString>(
            {"codePage", "mute", "paperOutAfter", "pauseAfter", "statusSetting", "state", "asked",
             "portValue"})
            .row("ready", 437, false, -1, -1, "", "the printer is ready", true, QString())
            .row("paper out", 437, false, 0, -1, "", "the printer is out of paper or has a fault",
                 true, QString())
            .row("paused", 437, false, -1, 0, "", "the printer is paused", true, QString())
            .row("mute under auto", 437, true, -1, -1, "auto", "no printer feedback", true,
                 QString())
            .row("status off", 437, false, -1, -1, "off", "no printer feedback", false, QString())
            .row("paper out, Chinese", 936, false, 0, -1, "",
                 QString::fromUtf8("打印机缺纸或纸张故障"), true, QString())
            .row("mute, Chinese", 936, true, -1, -1, "", QString::fromUtf8("无打印机反馈"), true,
                 QString())
            .row("file port", 437, false, -1, -1, "on", "no printer feedback", false,
                 "file:out.prn");
    }
    void statusLine() {
        QFETCH(int, codePage);
        QFETCH(bool, mute);
        QFETCH(int, paperOutAfter);
        QFETCH(int, pauseAfter);
        QFETCH(QString, statusSetting);
        QFETCH(QString, state);
        QFETCH(bool, asked);
        QFETCH(QString, portValue);
        UICodePage = codePage;
        dm = openEmbedded(dir.filePath(QString("s%1.db").arg(++dbCounter)));
        VirtualTcpPrinterOptions o = fast();
        o.mute = mute;
        o.paperOutAfter = paperOutAfter;
        o.pauseAfter = pauseAfter;
        VirtualTcpPrinter device(o);
        QVERIFY(started(device));
        auto printer =
            driver({{"VORNELL_PRINTER_USB1", portValue.isEmpty() ? target(device) : portValue},
                    {"VORNELL_PRINTER_USB1_STATUS", statusSetting}});
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, *printer);
        w.printerFeedback = printer.get();
        w.setLabelLayout(stripLayout());
        QVERIFY(!w.stationInfo->text().contains(state));
        w.show();
        QTRY_COMPARE(w.printerState->stateText(), state);
        QVERIFY2(w.stationInfo->text().endsWith(state), qPrintable(w.stationInfo->text()));
        QCOMPARE(device.statusRequests() > 0, asked);
        QVERIFY(prompts.shown.empty());
    }

    void noFeedbackShowsNoState() {
        dm = openEmbedded(dir.filePath(QString("s%1.db").arg(++dbCounter)));
        ScriptedPrompts prompts;
        RecordingPpla printer;
        TmainBarcode w(*dm, prompts, printer);
        w.setLabelLayout(stripLayout());
        const QString before = w.stationInfoText();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.printerState->isAsking());
        QCOMPARE(w.printerState->stateText(), QString());
        QCOMPARE(w.stationInfo->text(), before);
        QVERIFY(!w.stationInfo->text().contains("feedback"));
    }

    void printRunHoldsThePortAndRefreshesAfter() {
        // The paper runs out after the run's one strip: the run ends with its
        // message and the state asked for after it says so.
        dm = openEmbedded(dir.filePath(QString("s%1.db").arg(++dbCounter)));
        QSqlDatabase db = dm->conADO();
        addDemoLabels(db, 3);
        VirtualTcpPrinterOptions o = fast();
        o.paperOutAfter = 1;
        VirtualTcpPrinter device(o);
        QVERIFY(started(device));
        auto printer = driver({{"VORNELL_PRINTER_USB1", target(device)}});
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, *printer);
        QVERIFY(shownReady(w, *printer));
        QVERIFY(w.printerStateTimer->isActive());
        QCOMPARE(w.printerStateTimer->interval(), 30000);
        QSignalSpy changes(w.printerState, &PrinterStateWatcher::stateChanged);
        bool changedDuringRun = false;
        QObject::connect(w.printerState, &PrinterStateWatcher::stateChanged, &w,
                         [&] { changedDuringRun = changedDuringRun || w.isPrinting(); });
        QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
        QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
        QVERIFY(!w.isPrinting());
        QVERIFY(!w.printerState->isHeld());
        QCOMPARE(prompts.shown.size(), size_t(1));
        QVERIFY2(
            prompts.shown[0].text.startsWith("USB1: the printer is out of paper or has a fault"),
            qPrintable(prompts.shown[0].text));
        QTRY_COMPARE(w.printerState->stateText(),
                     QString("the printer is out of paper or has a fault"));
        // The strip the fault caught is held in the database, and counted.
        QVERIFY2(w.stationInfo->text().endsWith("the printer is out of paper or has a fault   "
                                                "3 records held: see Unfinished strips"),
                 qPrintable(w.stationInfo->text()));
        QVERIFY(!changedDuringRun);
        QCOMPARE(changes.size(), 1);
    }

    void settingsDialogShowsTheState() {
        dm = openEmbedded(dir.filePath(QString("s%1.db").arg(++dbCounter)));
        VirtualTcpPrinter device(fast());
        QVERIFY(started(device));
        auto printer = driver({{"VORNELL_PRINTER_USB1", target(device)}});
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, *printer);
        QVERIFY(shownReady(w, *printer));
        // The printer goes away: the dialog asks again when it opens.
        device.stop();
        QString atOpening, afterwards;
        bool changed = false;
        QTimer::singleShot(0, &w, [&] {
            atOpening = w.BarSetting->lblPrinterState->text();
            changed =
                QTest::qWaitFor([&] { return w.BarSetting->lblPrinterState->text() != atOpening; });
            afterwards = w.BarSetting->lblPrinterState->text();
            w.BarSetting->reject();
        });
        QTest::mouseClick(w.BtnSetting, Qt::LeftButton);
        QCOMPARE(atOpening, QString("the printer is ready"));
        QVERIFY(changed);
        QCOMPARE(afterwards, QString("no printer feedback"));
        QVERIFY(w.stationInfo->text().endsWith("no printer feedback"));
    }

    void newerRequestWins() {
        // USB1 answers at once, USB2 never: the answer for USB1 comes after
        // the request for USB2 and is not shown.
        VirtualTcpPrinter ready(fast());
        QVERIFY(started(ready));
        VirtualTcpPrinterOptions o = fast();
        o.mute = true;
        VirtualTcpPrinter mute(o);
        QVERIFY(started(mute));
        auto printer = driver(
            {{"VORNELL_PRINTER_USB1", target(ready)}, {"VORNELL_PRINTER_USB2", target(mute)}});
        PrinterStateWatcher watcher;
        watcher.setFeedback(printer.get());
        QSignalSpy changes(&watcher, &PrinterStateWatcher::stateChanged);
        watcher.refresh("USB1", 437);
        watcher.refresh("USB2", 437);
        QTRY_VERIFY(!watcher.isAsking());
        QCOMPARE(watcher.stateText(), QString("no printer feedback"));
        QCOMPARE(changes.size(), 1);
        QCOMPARE(ready.statusRequests(), 1);
        QTRY_COMPARE(mute.statusRequests(), 1);
    }

    void heldDropsTheAnswer() {
        VirtualTcpPrinter device(fast());
        QVERIFY(started(device));
        auto printer = driver({{"VORNELL_PRINTER_USB1", target(device)}});
        PrinterStateWatcher watcher;
        watcher.setFeedback(printer.get());
        watcher.refresh("USB1", 437);
        QVERIFY(watcher.isAsking());
        watcher.setHeld(true);
        // The request out has closed its port once the holder has waited.
        watcher.finishAsking();
        QVERIFY(!watcher.isAsking());
        QCOMPARE(device.statusRequests(), 1);
        watcher.refresh("USB1", 437); // not while held
        QVERIFY(!watcher.isAsking());
        QCoreApplication::processEvents(); // the answer that was on its way is dropped
        QCOMPARE(watcher.stateText(), QString());
        watcher.setHeld(false);
        watcher.refresh("USB1", 437);
        QTRY_COMPARE(watcher.stateText(), QString("the printer is ready"));
    }

    void destroyedWhileAsking() {
        // A host that never answers keeps the request out; the window goes
        // meanwhile and the request finds nothing freed.
        VirtualTcpPrinterOptions o = fast();
        o.mute = true;
        VirtualTcpPrinter device(o);
        QVERIFY(started(device));
        auto printer = driver({{"VORNELL_PRINTER_USB1", target(device)}});
        dm = openEmbedded(dir.filePath(QString("s%1.db").arg(++dbCounter)));
        ScriptedPrompts prompts;
        auto w = std::make_unique<TmainBarcode>(*dm, prompts, *printer);
        w->printerFeedback = printer.get();
        w->setLabelLayout(stripLayout());
        w->show();
        // show() returned with the request still out: the window did not wait.
        QVERIFY(w->printerState->isAsking());
        QCOMPARE(w->printerState->stateText(), QString());
        QTRY_VERIFY(device.statusRequests() > 0);
        w.reset();
    }
};

QTEST_MAIN(TestPrinterState)
#include "tst_printerstate.moc"
