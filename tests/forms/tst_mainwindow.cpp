#include "app/Language.h"
#include "db/LabelList.h"
#include "forms/Startup.h"
#include "forms/umainBarcode.h"
#include "printer/RecordingPpla.h"
#include "settings/uBarcode.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

class TestMainWindow : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    RecordingPpla printer;

private slots:
    void initTestCase() {
        QDir::setCurrent(dir.path());
        dm = openEmbedded(dir.filePath("main.db"));
        const QString today = QDate::currentDate().toString("yyyy-MM-dd");
        addLabel(dm->conADO(), today + " 08:00:00", "VB001002");
        addLabel(dm->conADO(), today + " 08:00:01", "VA001001");
        addLabel(dm->conADO(), today + " 08:00:02", "VC000001", 1);
    }
    void cleanupTestCase() { dm.reset(); }

    void captions_data() {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("exitPrompt");
        QTest::newRow("437") << 437 << QStringList{"&Query",      "&PrintBarcode",  "&Setting",
                                                   "&BatchPrint", "&Order Manager", "Label Size:",
                                                   "DataDisplay"}
                             << "Are you sure to exit?";
        QTest::newRow("936") << 936 << QStringList{"查询",     "打印前N条", "设置",  "全部打印",
                                                   "订单管理", "标签大小:", "记录集"}
                             << "真的要退出吗";
    }
    void captions() {
        QFETCH(int, codePage);
        QFETCH(QStringList, captions);
        QFETCH(QString, exitPrompt);
        UICodePage = codePage;
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        QCOMPARE((QStringList{w.BtnQuery->text(), w.BtnPrint->text(), w.BtnSetting->text(),
                              w.btnBatchPrint->text(), w.btnOrderInfo->text(), w.LabelSize->text(),
                              w.PageControl1->tabText(0)}),
                 captions);
        QCOMPARE(w.msgExitPrompt, exitPrompt);
        QCOMPARE(w.windowTitle(), QString("Device Barcode Print v8.000"));
        // Captions without a second language stay Chinese.
        QCOMPARE(w.rbToPrint->text(), QString("末打印"));
        QCOMPARE(w.BitBtn1->text(), QString("手动打印"));
        QCOMPARE(w.cbAutoPrint->text(), QString("自动打印"));
        QCOMPARE(w.qryLable->headerData(LabelList::LabelText, Qt::Horizontal, Qt::DisplayRole)
                     .toString(),
                 QString("标签内容"));
        UICodePage = 437;
    }

    void startsWithPrintCommandsDisabledUntilQuery() {
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.edDatime->date(), QDate::currentDate());
        QVERIFY(w.rbToPrint->isChecked());
        QCOMPARE(w.formatIndex(), 0);
        QVERIFY(!w.BtnPrint->isEnabled());
        QVERIFY(!w.btnBatchPrint->isEnabled());
        QVERIFY(!w.qryLable->isOpen());
        QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
        QVERIFY(w.BtnPrint->isEnabled());
        QVERIFY(w.btnBatchPrint->isEnabled());
        QCOMPARE(w.qryLable->count(), 2);
        QCOMPARE(w.qryLable->value(0, LabelList::LabelText).toString(), QString("VA001001"));
        QCOMPARE(w.DBGridEh1->model()->rowCount(), 2);
        QVERIFY(w.DBGridEh1->isColumnHidden(LabelList::PrintFlag));
        QVERIFY(w.DBGridEh1->isColumnHidden(LabelList::PrintTime));
        QCOMPARE(w.DBGridEh1->columnWidth(LabelList::Barcode), 210);
        w.rbPrinted->setChecked(true);
        w.BtnQueryClick();
        QCOMPARE(w.qryLable->count(), 1);
        QVERIFY(prompts.shown.empty());
    }

    void queryErrorReachesTheErrorReport() {
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        w.edLabelSize->setText("30X10");
        QSqlQuery(dm->conADO()).exec("ALTER TABLE PrintLabel RENAME TO PrintLabelAway");
        QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
        QSqlQuery(dm->conADO()).exec("ALTER TABLE PrintLabelAway RENAME TO PrintLabel");
        QCOMPARE(prompts.texts("error").size(), 1);
        QVERIFY2(prompts.texts("error")[0].contains("PrintLabel"),
                 qPrintable(prompts.texts("error")[0]));
        QVERIFY(!w.qryLable->isOpen());
    }

    void enterMovesToTheNextControl_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("text filter to count") << "edLabelLike"
                                              << "edAmount";
        QTest::newRow("count to date") << "edAmount"
                                       << "edDatime";
        QTest::newRow("print list to grid") << "edtPrintList"
                                            << "DBGridEh1";
    }
    void enterMovesToTheNextControl() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* source = w.findChild<QWidget*>(from);
        source->setFocus();
        QTRY_VERIFY(source->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        QWidget* target = w.findChild<QWidget*>(to);
        QVERIFY2(focus == target || target->isAncestorOf(focus), qPrintable(focus->objectName()));
        if (from == "edtPrintList")
            QCOMPARE(w.edtPrintList->toPlainText(), QString());
    }

    void exitQuestion_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("no keeps the window") << false;
        QTest::newRow("yes closes") << true;
    }
    void exitQuestion() {
        QFETCH(bool, yes);
        ScriptedPrompts prompts;
        prompts.answers.push_back(yes);
        TmainBarcode w(*dm, prompts, printer);
        w.show();
        w.BtnQueryClick();
        w.close();
        QCOMPARE(prompts.shown.size(), size_t(1));
        QCOMPARE(prompts.shown[0].kind, QString("question"));
        QCOMPARE(prompts.shown[0].text, QString("Are you sure to exit?"));
        QCOMPARE(prompts.shown[0].title, QString("Question"));
        QCOMPARE(w.isVisible(), !yes);
        QCOMPARE(w.qryLable->isOpen(), !yes);
    }

    void deleteAsksFirst() {
        const qint64 id = addLabel(
            dm->conADO(), QDate::currentDate().toString("yyyy-MM-dd") + " 09:00:00", "ZZ999999");
        ScriptedPrompts prompts;
        prompts.answers = {false, true};
        TmainBarcode w(*dm, prompts, printer);
        w.show();
        w.edLabelLike->setText("ZZ9");
        w.BtnQueryClick();
        QCOMPARE(w.qryLable->count(), 1);
        w.DBGridEh1->setFocus();
        QTest::keyClick(w.DBGridEh1, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(w.qryLable->count(), 1);
        QTest::keyClick(w.DBGridEh1, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(w.qryLable->count(), 0);
        QCOMPARE(prompts.texts("question").size(), 2);
        QCOMPARE(scalar(dm->conADO(),
                        QString("SELECT count(*) FROM PrintLabel WHERE Iden_id=%1").arg(id))
                     .toInt(),
                 0);
    }

    void settingsLoadedAtCreationAndSavedAtConfirmedExit() {
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        QFile ini(cwd.filePath("quillet.INI"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[mainBarcode]\r\nheight=700\r\nwidth=1100\r\n_bleft1=55\r\n_bleft2=abc\r\n"
                  "_PrintStyle=7\r\n");
        ini.close();
        LabelLayout = TLabelLayout{};
        {
            ScriptedPrompts prompts;
            prompts.answers = {false, true};
            TmainBarcode w(*dm, prompts, printer);
            QCOMPARE(prompts.texts("error"), QStringList{"'abc' is not a valid integer value."});
            QCOMPARE(LabelLayout._bleft1, 55);
            QCOMPARE(LabelLayout._bleft2, 240); // the malformed value takes its default
            QCOMPARE(LabelLayout._bleft3, 240);
            QCOMPARE(LabelLayout._PrintStyle, 7);
            QCOMPARE(w.height(), 700);
            QCOMPARE(w.width(), 1100);
            w.show();
            const QByteArray before = [&] {
                QFile f(cwd.filePath("quillet.INI"));
                f.open(QIODevice::ReadOnly);
                return f.readAll();
            }();
            w.close(); // No: nothing written
            QFile f(cwd.filePath("quillet.INI"));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before);
            f.close();
            w.close(); // Yes: the exit save
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray after = f.readAll();
            QVERIFY(after.contains("_bleft2=240\r\n"));
            QVERIFY(after.contains("_PrintStyle=7\r\n"));
            QVERIFY(after.contains("width=1100\r\n"));
            QVERIFY(after.contains("top="));
        }
        QCOMPARE(QDir(cwd.path()).entryList(QDir::Files), QStringList{"quillet.INI"});
        QDir::setCurrent(dir.path());
    }

    // The whole start-up against a server that cannot be reached: the message,
    // then the program ends without the exit question and without a settings
    // file.
    void startupEndsWhenTheServerCannotBeReached() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        QProcessEnvironment env;
        env.insert("VORNELL_DB", QString("mssql:127.0.0.1,%1").arg(port));
        ScriptedPrompts prompts;
        const int result = RunVornell(prompts, env);
        QCOMPARE(result, 1);
        QCOMPARE(prompts.shown.size(), size_t(1));
        QCOMPARE(prompts.shown[0].kind, QString("message"));
        QVERIFY(prompts.shown[0].text.startsWith("Can not connect to database."));
        QCOMPARE(QDir(cwd.path()).entryList(QDir::Files), QStringList());
        QDir::setCurrent(dir.path());
    }

    void malformedDatabaseSettingEndsTheProgram() {
        QProcessEnvironment env;
        env.insert("VORNELL_DB", "oracle:x");
        ScriptedPrompts prompts;
        QCOMPARE(RunVornell(prompts, env), 2);
        QCOMPARE(prompts.texts("message").size(), 1);
        QVERIFY(prompts.texts("message")[0].contains("mssql:HOST"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
