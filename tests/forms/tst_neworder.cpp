#include "core/Language.h"
#include "db/CreateDeviceICRel.h"
#include "db/LabelList.h"
#include "db/OrderStatements.h"
#include "db/RecordSet.h"
#include "forms/SrchDlg.h"
#include "forms/uNewOrder.h"
#include "forms/umainBarcode.h"
#include "printer/PplaPrinter.h"
#include "printer/RecordingPpla.h"
#include "settings/uBarcode.h"
#include "tests/printer/ZbarReader.h"
#include "tests/support/DataTable.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/Reshow.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

// The order manager against a real embedded database, and its opening from
// the main window.
class TestNewOrder : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    int dbNumber = 0;
    QStringList sent;

    template <typename Dialog> struct Driver {
        Driver(std::function<void(Dialog&)> f) { Dialog::modalDriver = std::move(f); }
        ~Driver() { Dialog::modalDriver = nullptr; }
    };
    using SearchDriver = Driver<TFSrchDlg>;
    using ManagerDriver = Driver<TFNewOrder>;

    // Picks the chip type through the search dialog, ending it with OK or not.
    static void choose(TFNewOrder& m, const QString& type, bool ok = true) {
        SearchDriver d([&](TFSrchDlg& s) {
            s.SearchEd->setEditText(type);
            QTest::keyClick(s.SearchEd->lineEdit(), Qt::Key_Return);
            if (ok)
                s.OKBtnClick();
        });
        QTest::mouseClick(m.SpeedButton1, Qt::LeftButton);
    }
    // Shows a manager, playing the operator's part while it is open.
    void runManager(ScriptedPrompts& prompts, std::function<void(TFNewOrder&)> operate) {
        TFNewOrder m(*dm, prompts);
        ManagerDriver d(std::move(operate));
        m.showModal();
    }
    QVariant scalarOf(const QString& sql) { return scalar(dm->conADO(), sql); }
    int orders() { return scalarOf("SELECT count(*) FROM DeviceICRelOrder").toInt(); }
    int procedureRuns() const { return int(sent.count("EXECUTE sp_CreateDeviceICRel")); }

private slots:
    void initTestCase() { QDir::setCurrent(dir.path()); }
    void init() {
        dm = openEmbedded(dir.filePath(QString("orders%1.db").arg(++dbNumber)));
        addTestChipTypes(dm->conADO());
        sent.clear();
        dm->qryEXEC().onExecute = [this](const QString& text) { sent << text; };
    }
    void cleanup() {
        UICodePage = 437;
        TFSrchDlg::modalDriver = nullptr;
        TFNewOrder::modalDriver = nullptr;
        dm.reset();
    }

    void windowAndOrderGrid() {
        ScriptedPrompts prompts;
        TFNewOrder m(*dm, prompts);
        QCOMPARE(m.windowTitle(), QString("IC生产管理"));
        QCOMPARE(m.size(), QSize(842, 531));
        QCOMPARE(m.BitBtn1->text(), QString("新生产订单"));
        QCOMPARE(m.btnSaveData->text(), QString("保存"));
        QCOMPARE(m.Label1->text(), QString("IC型号"));
        QCOMPARE(m.Label2->text(), QString("数量"));
        QVERIFY(m.edICType->isReadOnly());
        QVERIFY(m.edICTypeDesc->isReadOnly());
        const QStringList columns{"Iden_id", "Datime",     "ICType",   "TypeDesc",
                                  "Amount",  "FullSNFrom", "FullSNTo", "HeadFlag",
                                  "ICVer",   "VerDesc",    "Remark"};
        const QList<int> widths{57, -1, 94, 140, 50, 101, 94, -1, 74, 121, 134};
        const int defaultWidth = m.DBGrid1->horizontalHeader()->defaultSectionSize();
        for (int c = 0; c < columns.size(); ++c) {
            QCOMPARE(m.DBGrid1->model()->headerData(c, Qt::Horizontal).toString(), columns[c]);
            QCOMPARE(m.DBGrid1->columnWidth(c), widths[c] < 0 ? defaultWidth : widths[c]);
        }
        ManagerDriver d([&](TFNewOrder& shown) {
            QVERIFY(shown.adoQryOrder->isOpen());
            QVERIFY(shown.adoQryICType->isOpen());
            QCOMPARE(shown.adoQryICType->count(), 3);
            QVERIFY(!shown.Panel2->isVisible());
            QTest::mouseClick(shown.BitBtn1, Qt::LeftButton);
            QVERIFY(shown.Panel2->isVisible());
        });
        m.showModal();
        QVERIFY(!m.isVisible());
        QVERIFY(!m.adoQryOrder->isOpen());
        QVERIFY(!m.adoQryICType->isOpen());
        // The panel is hidden again at the next showing.
        ManagerDriver again([&](TFNewOrder& shown) { QVERIFY(!shown.Panel2->isVisible()); });
        m.showModal();
        QVERIFY(prompts.shown.empty());
    }

    // Restoring the minimised manager keeps the open entry and the lists as
    // they are; showing it again after the program hid it starts afresh.
    void restoreKeepsTheEntry_data() { reshowRows(); }
    void restoreKeepsTheEntry() {
        QFETCH(bool, minimise);
        ScriptedPrompts prompts;
        runManager(prompts, [&](TFNewOrder& shown) {
            QTest::mouseClick(shown.BitBtn1, Qt::LeftButton);
            choose(shown, "VN3010B");
            shown.edAmount->setText("5");
            QVERIFY(QSqlQuery(dm->conADO())
                        .exec("INSERT INTO DeviceICRelOrder (ICType, Amount, Flag) "
                              "VALUES ('VN3010A', 1, '0')"));
            reshow(shown, minimise);
            QCOMPARE(shown.Panel2->isVisible(), minimise);
            QCOMPARE(shown.adoQryOrder->count(), minimise ? 0 : 1);
            QCOMPARE(shown.edICType->text(), QString("VN3010B"));
            QCOMPARE(shown.edAmount->text(), QString("5"));
        });
        QVERIFY(prompts.shown.empty());
    }

    void chooseChipType_data() {
        DataTable<QString, QString, QString>({"type", "description", "version"})
            .row("VN3010B", "VN3010B", "Motor driver IC 30X10 VB VB001000 SOP-8", "V2.1")
            .row("empty model ends in a blank", "VN3010C", "Sensor interface IC 30X10 VC VC000000 ",
                 "V1.3");
    }
    void chooseChipType() {
        QFETCH(QString, type);
        QFETCH(QString, description);
        QFETCH(QString, version);
        ScriptedPrompts prompts;
        runManager(prompts, [&](TFNewOrder& shown) {
            shown.BitBtn1Click();
            choose(shown, type.toLower());
            QCOMPARE(shown.edICType->text(), type);
            QCOMPARE(shown.edICTypeDesc->text(), description);
            QCOMPARE(shown.rememberedICType(), type);
            QCOMPARE(shown.rememberedTypeDesc(), description.section(" V", 0, 0));
            QCOMPARE(shown.rememberedICVer(), version);
            QCOMPARE(shown.rememberedVerDesc(), QString("生产版本"));
            QCOMPARE(shown.rememberedRemark(), QString("标签打印程序"));
            QCOMPARE(shown.focusWidget(), shown.edAmount);
        });
        QVERIFY(prompts.shown.empty());
    }

    // A head flag of another length than two would give serials whose
    // barcodes repeat: such a chip type is refused and the choice before it
    // stays.
    void headFlagMustHaveTwoCharacters_data() {
        const QString english = "Chip type VN3010X has the head flag '%1'; a head flag must be "
                                "exactly 2 characters, or its serial numbers would repeat "
                                "barcodes.";
        DataTable<QString, int, QString>({"headFlag", "codePage", "refusal"})
            .row("three", "VXX", 437, english.arg("VXX"))
            .row("one", "X", 437, english.arg("X"))
            .row("empty", "", 437, english.arg(""))
            .row("none", QString(), 437, english.arg(""))
            .row("three, Chinese", "VXX", 936,
                 QString::fromUtf8("IC型号 VN3010X 的头标志是“VXX”：头标志必须正好是 2 "
                                   "个字符，否则它的序列号会重复条码。"));
    }
    void headFlagMustHaveTwoCharacters() {
        QFETCH(QString, headFlag);
        QFETCH(int, codePage);
        QFETCH(QString, refusal);
        UICodePage = codePage;
        addChipType(dm->conADO(), {"VN3010X", "Odd flag IC 30X10", "V3.0", "SOP-8", headFlag});
        ScriptedPrompts prompts;
        runManager(prompts, [&](TFNewOrder& shown) {
            shown.BitBtn1Click();
            choose(shown, "VN3010A");
            const QString desc = shown.edICTypeDesc->text();
            choose(shown, "VN3010X");
            QCOMPARE(prompts.texts("message"), QStringList{refusal});
            QCOMPARE(shown.edICType->text(), QString("VN3010A"));
            QCOMPARE(shown.edICTypeDesc->text(), desc);
            QCOMPARE(shown.rememberedICType(), QString("VN3010A"));
            QCOMPARE(shown.rememberedICVer(), QString("V1.0"));
        });
        QCOMPARE(prompts.shown.size(), size_t(1));
    }

    // Cancelling changes nothing; choosing again opens the dialog on the
    // previous choice.
    void cancelAndChooseAgain() {
        ScriptedPrompts prompts;
        runManager(prompts, [&](TFNewOrder& shown) {
            shown.BitBtn1Click();
            choose(shown, "VN3010B");
            const QString desc = shown.edICTypeDesc->text();
            {
                SearchDriver s([&](TFSrchDlg& search) {
                    QCOMPARE(search.GetSelectedKey(), QString("VN3010B"));
                    QCOMPARE(search.DBGrid1->currentIndex().row(),
                             shown.adoQryICType->currentRow());
                    search.SearchEd->setEditText("VN3010A");
                    QTest::keyClick(search.SearchEd->lineEdit(), Qt::Key_Return);
                    QTest::keyClick(search.DBGrid1, Qt::Key_Escape);
                });
                shown.SpeedButton1Click();
            }
            QCOMPARE(shown.edICType->text(), QString("VN3010B"));
            QCOMPARE(shown.edICTypeDesc->text(), desc);
            QCOMPARE(shown.rememberedICType(), QString("VN3010B"));
            QCOMPARE(shown.rememberedICVer(), QString("V2.1"));
        });
        QVERIFY(prompts.shown.empty());
    }

    void saveRefused_data() {
        const QString noType = "请先输入设备类别!", noAmount = "请输入数量!";
        DataTable<bool, QString, QString>({"chosen", "amount", "message"})
            .row("both empty: the type first", false, "", noType)
            .row("no type", false, "12", noType)
            .row("no quantity", true, "", noAmount)
            .row("blanks", true, "   ", noAmount)
            .row("letters", true, "abc", noAmount)
            .row("zero", true, "0", noAmount)
            .row("negative", true, "-3", noAmount)
            .row("fraction", true, "2.5", noAmount)
            .row("above a million", true, "1000001", noAmount)
            .row("quote", true, "1'", noAmount);
    }
    void saveRefused() {
        QFETCH(bool, chosen);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        ScriptedPrompts prompts;
        runManager(prompts, [&](TFNewOrder& shown) {
            shown.BitBtn1Click();
            if (chosen)
                choose(shown, "VN3010A");
            shown.edAmount->setText(amount);
            QTest::mouseClick(shown.btnSaveData, Qt::LeftButton);
            QCOMPARE(prompts.texts("message"), QStringList{message});
            QVERIFY(shown.Panel2->isVisible());
            QCOMPARE(shown.edAmount->text(), amount);
            QCOMPARE(shown.edICType->text(), chosen ? QString("VN3010A") : QString());
        });
        QCOMPARE(orders(), 0);
        QVERIFY(sent.isEmpty());
        QCOMPARE(prompts.shown.size(), size_t(1));
    }

    void saveQuantity12() {
        ScriptedPrompts prompts;
        runManager(prompts, [&](TFNewOrder& shown) {
            shown.BitBtn1Click();
            choose(shown, "VN3010A");
            const QString desc = shown.edICTypeDesc->text();
            shown.edAmount->setText("12");
            QTest::mouseClick(shown.btnSaveData, Qt::LeftButton);
            const BoundStatement expected = newOrderInsert(
                {"VN3010A", 12, "Power management IC 30X10", "V1.0", "生产版本", "标签打印程序"},
                Dialect::Sqlite);
            QCOMPARE(sent, QStringList{expected.lines.join("\r\n")});
            QVERIFY(!shown.Panel2->isVisible());
            QCOMPARE(shown.edICType->text(), QString());
            QCOMPARE(shown.edAmount->text(), QString());
            QCOMPARE(shown.edICTypeDesc->text(), desc);
            // The new order is at the top of the list.
            QCOMPARE(shown.adoQryOrder->count(), 1);
            QCOMPARE(shown.adoQryOrder->value(0, 4).toInt(), 12);
            QCOMPARE(shown.adoQryOrder->value(0, 2).toString(), QString("VN3010A"));
            // A new entry starts empty; saving at once asks for the type.
            QTest::mouseClick(shown.BitBtn1, Qt::LeftButton);
            QVERIFY(shown.Panel2->isVisible());
            QCOMPARE(shown.edICType->text(), QString());
            QCOMPARE(shown.edICTypeDesc->text(), desc);
            shown.btnSaveDataClick();
            QCOMPARE(prompts.texts("message"), QStringList{"请先输入设备类别!"});
            // The remembered values outlive the save.
            QCOMPARE(shown.rememberedICType(), QString("VN3010A"));
        });
        QSqlQuery q(dm->conADO());
        QVERIFY(q.exec("SELECT ICType, Amount, TypeDesc, ICVer, VerDesc, Remark, Flag, "
                       "FullSNFrom, HeadFlag FROM DeviceICRelOrder"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("VN3010A"));
        QCOMPARE(q.value(1).toInt(), 12);
        QCOMPARE(q.value(2).toString(), QString("Power management IC 30X10"));
        QCOMPARE(q.value(3).toString(), QString("V1.0"));
        QCOMPARE(q.value(4).toString(), QString("生产版本"));
        QCOMPARE(q.value(5).toString(), QString("标签打印程序"));
        QCOMPARE(q.value(6).toString(), QString("0"));
        QVERIFY(q.value(7).isNull());
        QVERIFY(q.value(8).isNull());
    }

    // Values holding quotes reach the database whole.
    void valuesWithQuotes() {
        QVERIFY(QSqlQuery(dm->conADO())
                    .exec("INSERT INTO DeviceICType (ICType, TypeDesc, LastVer, ICModel, HeadFlag, "
                          "LabelSize) VALUES ('VN''Q', 'O''Brien''s '', ''x', 'V''1', 'Q''', 'VQ', "
                          "'30X10')"));
        ScriptedPrompts prompts;
        runManager(prompts, [&](TFNewOrder& shown) {
            shown.BitBtn1Click();
            choose(shown, "obrien"); // no match: nothing to choose
            QCOMPARE(shown.edICType->text(), QString());
            choose(shown, "o'brien");
            QCOMPARE(shown.edICType->text(), QString("VN'Q"));
            QCOMPARE(shown.edICTypeDesc->text(), QString("O'Brien's ', 'x VQ VQ000000 Q'"));
            shown.edAmount->setText("3");
            shown.btnSaveDataClick();
        });
        QVERIFY(prompts.shown.empty());
        QCOMPARE(scalarOf("SELECT ICType||'|'||TypeDesc||'|'||ICVer||'|'||Amount FROM "
                          "DeviceICRelOrder")
                     .toString(),
                 QString("VN'Q|O'Brien's ', 'x|V'1|3"));
    }

    // A refused INSERT is reported and the entry stays for another save.
    void refusedInsertKeepsThePanel() {
        QVERIFY(QSqlQuery(dm->conADO())
                    .exec("CREATE TRIGGER refuse BEFORE INSERT ON DeviceICRelOrder "
                          "BEGIN SELECT RAISE(ABORT, 'order refused'); END"));
        ScriptedPrompts prompts;
        runManager(prompts, [&](TFNewOrder& shown) {
            shown.BitBtn1Click();
            choose(shown, "VN3010B");
            shown.edAmount->setText("5");
            QTest::mouseClick(shown.btnSaveData, Qt::LeftButton);
            QCOMPARE(prompts.texts("error").size(), 1);
            QVERIFY2(prompts.texts("error")[0].contains("order refused"),
                     qPrintable(prompts.texts("error")[0]));
            QVERIFY(shown.Panel2->isVisible());
            QCOMPARE(shown.edICType->text(), QString("VN3010B"));
            QCOMPARE(shown.edAmount->text(), QString("5"));
            QCOMPARE(orders(), 0);
            // Once the database takes it, the same entry is saved.
            QVERIFY(QSqlQuery(dm->conADO()).exec("DROP TRIGGER refuse"));
            QTest::mouseClick(shown.btnSaveData, Qt::LeftButton);
            QVERIFY(!shown.Panel2->isVisible());
            QCOMPARE(shown.adoQryOrder->count(), 1);
        });
        QCOMPARE(orders(), 1);
        QCOMPARE(prompts.shown.size(), size_t(1));
    }

    // btnOrderInfo: the timer is paused while the manager is open and while
    // the procedure runs, then has its old state again; the procedure runs
    // once per close; one manager serves the run.
    void orderManagerButton_data() {
        DataTable<bool>({"timerOn"})
            .row("automatic printing off", false)
            .row("automatic printing on", true);
    }
    void orderManagerButton() {
        QFETCH(bool, timerOn);
        ScriptedPrompts prompts;
        RecordingPpla printer;
        TmainBarcode w(*dm, prompts, printer);
        if (timerOn)
            w.Timer1->start();
        QList<TFNewOrder*> managers;
        ManagerDriver d([&](TFNewOrder& shown) {
            managers << &shown;
            QVERIFY(!w.Timer1->isActive());
            QCOMPARE(procedureRuns(), managers.size() - 1);
        });
        for (int click = 1; click <= 2; ++click) {
            QTest::mouseClick(w.btnOrderInfo, Qt::LeftButton);
            QCOMPARE(procedureRuns(), click);
            QCOMPARE(w.Timer1->isActive(), timerOn);
        }
        QCOMPARE(managers.size(), 2);
        QCOMPARE(managers[0], managers[1]);
        QCOMPARE(w.FNewOrder, managers[0]);
        QVERIFY(prompts.shown.empty());
    }

    // A procedure that fails at closing changes nothing and shows nothing;
    // the timer is restored all the same and the order waits for the next run.
    void procedureFailureAtClosing() {
        QVERIFY(QSqlQuery(dm->conADO())
                    .exec("CREATE TRIGGER refuse BEFORE INSERT ON PrintLabel WHEN "
                          "NEW.Barcode='VA000002' BEGIN SELECT RAISE(ABORT, 'no'); END"));
        ScriptedPrompts prompts;
        RecordingPpla printer;
        TmainBarcode w(*dm, prompts, printer);
        w.Timer1->start();
        ManagerDriver d([&](TFNewOrder& shown) {
            shown.BitBtn1Click();
            choose(shown, "VN3010A");
            shown.edAmount->setText("3");
            shown.btnSaveDataClick();
        });
        // Its error reaches the general error report; the order stays new.
        w.btnOrderInfo->click();
        QVERIFY(w.Timer1->isActive());
        QCOMPARE(prompts.texts("error").size(), 1);
        QVERIFY(prompts.texts("error").first().contains("no"));
        QCOMPARE(scalarOf("SELECT Flag FROM DeviceICRelOrder").toString(), QString("0"));
        QCOMPARE(scalarOf("SELECT count(*) FROM PrintLabel").toInt(), 0);
        QCOMPARE(scalarOf("SELECT LastSN FROM DeviceICType WHERE ICType='VN3010A'").toInt(), 0);
        QVERIFY(QSqlQuery(dm->conADO()).exec("DROP TRIGGER refuse"));
        ManagerDriver nothing([](TFNewOrder&) {});
        w.btnOrderInfoClick();
        QCOMPARE(scalarOf("SELECT FullSNFrom||'..'||FullSNTo||' '||Flag FROM DeviceICRelOrder")
                     .toString(),
                 QString("VA000001..VA000003 1"));
    }

    // The whole floor without a server: an order of 7 entered in the manager,
    // the manager closed, Query, BatchPrint to the virtual printer.
    void orderToPrintedLabels() {
        QTemporaryDir out;
        PplaPrinter printer(usb1At("preview:" + out.path()));
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        w.setLabelLayout(stripLayout());
        w.show();
        ManagerDriver d([&](TFNewOrder& shown) {
            QTest::mouseClick(shown.BitBtn1, Qt::LeftButton);
            choose(shown, "VN3010A");
            QTest::keyClicks(shown.edAmount, "7");
            QTest::mouseClick(shown.btnSaveData, Qt::LeftButton);
            shown.close();
        });
        QTest::mouseClick(w.btnOrderInfo, Qt::LeftButton);
        QVERIFY(prompts.shown.empty());
        QCOMPARE(scalarOf("SELECT FullSNFrom||'..'||FullSNTo||' '||HeadFlag||' '||Flag FROM "
                          "DeviceICRelOrder")
                     .toString(),
                 QString("VA000001..VA000007 VA 1"));
        QCOMPARE(scalarOf("SELECT LastSN FROM DeviceICType WHERE ICType='VN3010A'").toInt(), 7);

        w.edLabelSize->setText("30X10");
        QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
        QCOMPARE(w.qryLable->count(), 7);
        QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
        QVERIFY2(prompts.shown.empty(),
                 qPrintable(prompts.shown.empty() ? QString() : prompts.shown[0].text));
        QCOMPARE(scalarOf("SELECT count(*) FROM PrintLabel WHERE PrintFlag=1 AND PrintTime IS "
                          "NOT NULL")
                     .toInt(),
                 7);
        const QStringList pngs = QDir(out.path()).entryList({"*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(pngs.size(), 3);
        QStringList read;
        for (const QString& png : pngs)
            for (const QByteArray& code : readBarcodes(QImage(out.filePath(png))))
                read << QString::fromUtf8(code);
        read.sort();
        QStringList expected;
        for (int n = 1; n <= 7; ++n)
            expected << QString("%1").arg(n, 6, 10, QChar('0'));
        QCOMPARE(read, expected);
    }
};

QTEST_MAIN(TestNewOrder)
#include "tst_neworder.moc"
