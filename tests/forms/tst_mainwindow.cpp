#include "app/Startup.h"
#include "core/Language.h"
#include "db/LabelList.h"
#include "forms/QtPrompts.h"
#include "forms/umainBarcode.h"
#include "printer/RecordingPpla.h"
#include "printing/PrintProgress.h"
#include "settings/uBarcode.h"
#include "tests/support/ClosedPort.h"
#include "tests/support/DataTable.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestMainWindow : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    RecordingPpla printer;
    int gridDbs = 0;

    // A database of its own with one strip of unprinted labels of today.
    std::unique_ptr<TDMdata> threeLabels() {
        auto db = openEmbedded(dir.filePath(QString("grid%1.db").arg(++gridDbs)));
        const QString today = QDate::currentDate().toString("yyyy-MM-dd");
        for (int i = 1; i <= 3; ++i)
            addLabel(db->conADO(), today + " 08:00:00", QString("VA00000%1").arg(i));
        return db;
    }
    static int rowsIn(const TDMdata& db) {
        return scalar(db.conADO(), "SELECT count(*) FROM PrintLabel").toInt();
    }
    static QStringList printedTexts(const RecordingPpla& ppla) {
        QStringList out;
        for (const RecordingPpla::Call& c : ppla.calls())
            if (c.op == "A_Prn_Text_TrueType")
                out << QString::fromUtf8(c.args[10].toByteArray());
        return out;
    }
    // Shows the window active, lists the labels and gives the grid the focus.
    static bool readyToType(TmainBarcode& w) {
        w.show();
        QApplication::setActiveWindow(&w);
        if (!QTest::qWaitForWindowActive(&w))
            return false;
        w.BtnQueryClick();
        w.DBGridEh1->setFocus();
        return QTest::qWaitFor([&] { return w.DBGridEh1->hasFocus(); });
    }
    // Types text into the current cell of the grid: the first key opens the
    // cell's editor, which takes the rest.
    static bool typeIntoGrid(TmainBarcode& w, const QString& text) {
        QTest::keyClick(w.DBGridEh1, text.at(0).toLatin1());
        QWidget* editor = QApplication::focusWidget();
        if (!editor || !w.DBGridEh1->isAncestorOf(editor))
            return false;
        QTest::keyClicks(editor, text.mid(1));
        return true;
    }

    // Clicks the cell of the first record in column, as the operator picks
    // a cell before editing it.
    static void clickCell(TmainBarcode& w, int column) {
        const QRect cell = w.DBGridEh1->visualRect(w.qryLable->index(0, column));
        QTest::mouseClick(w.DBGridEh1->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static QString stored(const TDMdata& db, const char* field, qint64 id = 1) {
        return scalar(db.conADO(),
                      QString("SELECT %1 FROM PrintLabel WHERE Iden_id=%2").arg(field).arg(id))
            .toString();
    }

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
        DataTable<int, QStringList, QString>({"codePage", "captions", "exitPrompt"})
            .row("437", 437,
                 QStringList{"&Query", "&PrintBarcode", "&Setting", "&BatchPrint", "&Order Manager",
                             "Label Size:", "DataDisplay"},
                 "Are you sure to exit?")
            .row("936", 936,
                 QStringList{"查询", "打印前N条", "设置", "全部打印", "订单管理",
                             "标签大小:", "记录集"},
                 "真的要退出吗");
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
        DataTable<QString, QString>({"from", "to"})
            .row("text filter to count", "edLabelLike", "edAmount")
            .row("count to date", "edAmount", "edDatime")
            .row("print list to grid", "edtPrintList", "DBGridEh1");
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
        DataTable<bool>({"yes"}).row("no keeps the window", false).row("yes closes", true);
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

    // Insert opens a new row in the grid only. It reaches PrintLabel when the
    // operator leaves it with a label text typed, and never prints empty.
    void newRowInTheGrid_data() {
        // typed: into the new row's label text
        DataTable<QString, QString, bool>({"typed", "leave", "saved"})
            .row("untouched, Escape", "", "escape", false)
            .row("typed, Escape", "NW000001", "escape", false)
            .row("untouched, Up", "", "up", false)
            .row("typed, Up", "NW000001", "up", true)
            .row("typed, click on another row", "NW000001", "click", true)
            .row("typed, Enter on the last cell", "NW000001", "enter", true)
            .row("untouched, Query", "", "query", false)
            .row("typed, Query", "NW000001", "query", true)
            .row("untouched, BatchPrint", "", "print", false)
            .row("typed, BatchPrint", "NW000001", "print", true);
    }
    void newRowInTheGrid() {
        QFETCH(QString, typed);
        QFETCH(QString, leave);
        QFETCH(bool, saved);
        auto db = threeLabels();
        RecordingPpla ppla;
        ScriptedPrompts prompts;
        SilentProgress progress;
        TmainBarcode w(*db, prompts, ppla);
        w.setLabelLayout(stripLayout());
        w.progressOverride = &progress;
        QVERIFY(readyToType(w));

        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QTest::keyClick(w.DBGridEh1, Qt::Key_Insert);
        QTest::keyClick(w.DBGridEh1, Qt::Key_Insert); // one new row at a time
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        QCOMPARE(rowsIn(*db), 3);
        QCOMPARE(w.DBGridEh1->model()->rowCount(), 4);
        QCOMPARE(w.DBGridEh1->currentIndex(), w.qryLable->index(3, LabelList::LabelText));
        if (!typed.isEmpty())
            QVERIFY(typeIntoGrid(w, typed));

        if (leave == "escape") {
            // The first Escape closes the open editor, the second drops the row.
            if (!typed.isEmpty()) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            }
            QTest::keyClick(w.DBGridEh1, Qt::Key_Escape);
        } else if (leave == "up") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        } else if (leave == "click") {
            const QRect cell = w.DBGridEh1->visualRect(w.qryLable->index(0, LabelList::Barcode));
            QTest::mouseClick(w.DBGridEh1->viewport(), Qt::LeftButton, {}, cell.center());
        } else if (leave == "enter") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // on to the barcode
            QCOMPARE(w.DBGridEh1->currentIndex().column(), int(LabelList::Barcode));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        } else if (leave == "query") {
            QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
        } else if (leave == "print") {
            QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
        }

        QTRY_COMPARE(rowsIn(*db), saved ? 4 : 3);
        QCOMPARE(w.DBGridEh1->model()->rowCount(), w.qryLable->count()); // no new row
        QCOMPARE(prompts.texts("error"), QStringList());
        if (saved) {
            QSqlQuery q(db->conADO());
            QVERIFY(q.exec("SELECT CreateTime, LabelSize, PrintFlag, LabelText FROM PrintLabel "
                           "ORDER BY Iden_id DESC LIMIT 1"));
            QVERIFY(q.next());
            const qint64 created =
                QDateTime::fromString(q.value(0).toString(), "yyyy-MM-dd HH:mm:ss")
                    .toSecsSinceEpoch();
            QVERIFY2(created >= before && created <= after, qPrintable(q.value(0).toString()));
            QCOMPARE(q.value(1).toString(), w.edLabelSize->text());
            QCOMPARE(q.value(2), QVariant(0));
            QCOMPARE(q.value(3).toString(), typed);
        }
        if (leave == "query")
            QCOMPARE(w.qryLable->count(), saved ? 4 : 3);
        if (leave == "print") {
            // The run prints what was listed; a new row saved meanwhile waits
            // for the next query, then prints with its text.
            QCOMPARE(printedTexts(ppla),
                     (QStringList{"SN:VA000001", "SN:VA000002", "SN:VA000003"}));
            ppla.clear();
            w.BtnQueryClick();
            w.btnBatchPrintClick();
            QCOMPARE(ppla.ops().count("A_Print_Out"), saved ? 1 : 0);
            if (saved)
                QCOMPARE(printedTexts(ppla).value(0), "SN:" + typed);
        }
    }

    // A new row the database refuses is reported and stays open in the grid
    // until it is corrected.
    void refusedNewRowStaysInTheGrid() {
        auto db = threeLabels();
        ScriptedPrompts prompts;
        TmainBarcode w(*db, prompts, printer);
        QVERIFY(readyToType(w));
        QSqlQuery q(db->conADO());
        QVERIFY(q.exec("CREATE TRIGGER refuse BEFORE INSERT ON PrintLabel "
                       "BEGIN SELECT RAISE(ABORT, 'no new labels today'); END"));
        QTest::keyClick(w.DBGridEh1, Qt::Key_Insert);
        QVERIFY(typeIntoGrid(w, "NW000001"));
        const QModelIndex newText = w.qryLable->index(3, LabelList::LabelText);
        const QRect other = w.DBGridEh1->visualRect(w.qryLable->index(0, LabelList::LabelText));
        QTest::mouseClick(w.DBGridEh1->viewport(), Qt::LeftButton, {}, other.center());
        QCOMPARE(prompts.texts("error").size(), 1);
        QVERIFY2(prompts.texts("error")[0].contains("no new labels today"),
                 qPrintable(prompts.texts("error")[0]));
        QTRY_COMPARE(w.DBGridEh1->currentIndex(), newText);
        QCOMPARE(w.qryLable->currentRow(), 3);
        QCOMPARE(w.DBGridEh1->model()->rowCount(), 4);
        QCOMPARE(w.qryLable->count(), 3);
        QCOMPARE(rowsIn(*db), 3);

        QVERIFY(q.exec("DROP TRIGGER refuse"));
        QVERIFY(typeIntoGrid(w, "NW000002"));
        QTest::mouseClick(w.DBGridEh1->viewport(), Qt::LeftButton, {}, other.center());
        QCOMPARE(rowsIn(*db), 4);
        QCOMPARE(scalar(db->conADO(), "SELECT LabelText FROM PrintLabel ORDER BY Iden_id DESC")
                     .toString(),
                 QString("NW000002"));
        QCOMPARE(w.qryLable->currentRow(), 0);
        QCOMPARE(prompts.texts("error").size(), 1);
    }

    // Typing goes into a cell only once the operator chose the cell in the
    // grid: what follows an Enter in the print list writes nothing.
    void typingThatArrivesWithTheFocusEditsNothing() {
        auto db = threeLabels();
        ScriptedPrompts prompts;
        TmainBarcode w(*db, prompts, printer);
        QVERIFY(readyToType(w));
        w.edtPrintList->setFocus();
        QTRY_VERIFY(w.edtPrintList->hasFocus());
        QTest::keyClicks(w.edtPrintList, "AB123456");
        QTest::keyClick(w.edtPrintList, Qt::Key_Return);
        QTRY_VERIFY(w.DBGridEh1->hasFocus());
        QTest::keyClicks(QApplication::focusWidget(), "CD234567");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(stored(*db, "LabelText"), QString("VA000001"));
        QCOMPARE(w.edtPrintList->toPlainText(), QString("AB123456"));
        // Chosen with the mouse, the cell takes what is typed.
        clickCell(w, LabelList::LabelText);
        QVERIFY(typeIntoGrid(w, "CD234567"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(stored(*db, "LabelText"), QString("CD234567"));
        QVERIFY(prompts.shown.empty());
    }

    // An edit is checked against its column: refused with a message naming
    // the column, the record unchanged; Escape leaves the record as it was.
    void gridEditsAreCheckedAgainstTheirColumn_data() {
        DataTable<int, QString, QString, QString, QString>(
            {"column", "field", "typed", "storedAfter", "error"})
            .row("date and time", LabelList::CreateTime, "CreateTime", "2024-05-06 07:08:09",
                 "2024-05-06 07:08:09", "")
            .row("date without time", LabelList::CreateTime, "CreateTime", "2024-05-06",
                 "2024-05-06 00:00:00", "")
            .row("no date", LabelList::CreateTime, "CreateTime", "XX", "",
                 "日期时间: \"XX\" is not a date and time")
            .row("label text of 50", LabelList::LabelText, "LabelText", QString(50, 'L'),
                 QString(50, 'L'), "")
            .row("label text of 51", LabelList::LabelText, "LabelText", QString(51, 'L'), "",
                 "标签内容: at most 50 characters")
            .row("Chinese title of 11", LabelList::TitleText, "TitleText",
                 QString::fromUtf8("标题标题标题标题标题标"), "", "标题: at most 20 characters")
            .row("escape", LabelList::LabelText, "LabelText", "ZZ\x1b", "", "");
    }
    void gridEditsAreCheckedAgainstTheirColumn() {
        QFETCH(int, column);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, storedAfter);
        QFETCH(QString, error);
        auto db = threeLabels();
        const QString before = stored(*db, qPrintable(field));
        ScriptedPrompts prompts;
        TmainBarcode w(*db, prompts, printer);
        QVERIFY(readyToType(w));
        clickCell(w, column);
        QTest::keyClick(w.DBGridEh1, Qt::Key_F2);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor != w.DBGridEh1 && w.DBGridEh1->isAncestorOf(editor));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        if (typed.endsWith('\x1b')) {
            QTest::keyClicks(editor, typed.chopped(1));
            QTest::keyClick(editor, Qt::Key_Escape);
        } else {
            // QTest types ASCII only; the rest as an input method would.
            if (typed.toLatin1() == typed.toUtf8())
                QTest::keyClicks(editor, typed);
            else
                qobject_cast<QLineEdit*>(editor)->insert(typed);
            QTest::keyClick(editor, Qt::Key_Return);
        }
        QTest::qWait(20);
        QCOMPARE(stored(*db, qPrintable(field)), storedAfter.isEmpty() ? before : storedAfter);
        if (error.isEmpty()) {
            QCOMPARE(prompts.texts("error"), QStringList());
        } else {
            QCOMPARE(prompts.texts("error").size(), 1);
            QVERIFY2(prompts.texts("error")[0].startsWith(error),
                     qPrintable(prompts.texts("error")[0]));
        }
    }

    // A record that is printed (also since the list was read), claimed or
    // held is edited only after the operator says so.
    void editingAPrintedOrHeldRecordAsksFirst_data() {
        DataTable<bool, QString>({"yes", "question"})
            .row("unprinted", false, "")
            .row("printed, no", false, "VA000001 (Iden_id 1) is printed already.")
            .row("printed, yes", true, "VA000001 (Iden_id 1) is printed already.")
            .row("claimed", false, "VA000001 (Iden_id 1) is being printed by station line4")
            .row("held", false, "VA000001 (Iden_id 1) is held by station line4");
    }
    void editingAPrintedOrHeldRecordAsksFirst() {
        const QString state = QString(QTest::currentDataTag()).section(',', 0, 0);
        QFETCH(bool, yes);
        QFETCH(QString, question);
        auto db = threeLabels();
        ScriptedPrompts prompts;
        prompts.answers = {yes};
        TmainBarcode w(*db, prompts, printer);
        QVERIFY(readyToType(w));
        QSqlQuery q(db->conADO());
        if (state.startsWith("printed"))
            QVERIFY(q.exec("UPDATE PrintLabel SET PrintFlag=1 WHERE Iden_id=1"));
        if (state == "claimed" || state == "held")
            QVERIFY(q.exec(QString("INSERT INTO VornellClaim (Iden_id, Station, State, Since, "
                                   "Strip) VALUES (1, 'line4', '%1', '2024-01-01 00:00:00', 'k')")
                               .arg(state)));
        clickCell(w, LabelList::LabelText);
        QTest::keyClick(w.DBGridEh1, Qt::Key_F2);
        const bool edits = question.isEmpty() || yes;
        QWidget* editor = QApplication::focusWidget();
        QCOMPARE(editor != w.DBGridEh1 && w.DBGridEh1->isAncestorOf(editor), edits);
        if (edits) {
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(editor, "CD234567");
            QTest::keyClick(editor, Qt::Key_Return);
        }
        QCOMPARE(stored(*db, "LabelText"), edits ? QString("CD234567") : QString("VA000001"));
        const QStringList asked = prompts.texts("question");
        QCOMPARE(asked.size(), question.isEmpty() ? 0 : 1);
        if (!question.isEmpty())
            QVERIFY2(asked[0].startsWith(question), qPrintable(asked[0]));
    }

    // The status line names the database in the interface language.
    void statusLineNamesTheDatabase_data() {
        DataTable<int, QString>({"codePage", "shown"})
            .row("English", 437, "Database: embedded /srv/station/vornell.db   ")
            .row("Chinese", 936, QString::fromUtf8("数据库: 嵌入式 /srv/station/vornell.db   "));
    }
    void statusLineNamesTheDatabase() {
        QFETCH(int, codePage);
        QFETCH(QString, shown);
        UICodePage = codePage;
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        w.setDatabaseDescription("embedded /srv/station/vornell.db");
        UICodePage = 437;
        QVERIFY2(w.stationInfo->text().startsWith(shown), qPrintable(w.stationInfo->text()));
    }

    // No box the operator sees is narrower than its title bar needs, however
    // short its text.
    void boxesAreAsWideAsTheirTitles_data() {
        DataTable<QString, QString>({"prompt", "title"})
            .row("message", "message", QString::fromUtf8("Vornell 标签打印站 三号生产线工位"))
            .row("error", "error", QString::fromUtf8("Vornell 标签打印站 三号生产线工位"))
            .row("question", "question", QString::fromUtf8("真的要退出吗 Vornell 标签打印站"))
            .row("input", "input", "Please Input Barcode number");
    }
    void boxesAreAsWideAsTheirTitles() {
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(title);
        int width = 0;
        int needed = 0;
        QString shownTitle;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QVERIFY(QTest::qWaitForWindowExposed(box));
            width = box->width();
            needed = titleBarWidth(*box);
            shownTitle = box->windowTitle();
            box->done(0);
        });
        QtPrompts prompts;
        if (prompt == "message")
            prompts.message("1");
        else if (prompt == "error")
            prompts.error("1");
        else if (prompt == "question")
            prompts.question("1", title);
        else
            prompts.input(title, "1", "1");
        QCoreApplication::setApplicationName(name);
        QCOMPARE(shownTitle, title);
        QVERIFY(needed >
                QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title));
        QVERIFY2(width >= needed, qPrintable(QString("%1 < %2").arg(width).arg(needed)));
    }

    // The status line's texts never widen the window: they are cut to fit,
    // whole in their tooltips.
    void statusTextsNeverWidenTheWindow_data() {
        DataTable<QString, QString>({"database", "message"})
            .row("long database path", "embedded /srv/" + QString(150, 'd') + "/vornell.db", "")
            .row("long message", "",
                 QString::fromUtf8("30 条记录已由另一台工作站打印 ").repeated(12));
    }
    void statusTextsNeverWidenTheWindow() {
        QFETCH(QString, database);
        QFETCH(QString, message);
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const int width = w.width();
        if (!database.isEmpty())
            w.setDatabaseDescription(database);
        if (!message.isEmpty())
            w.StatusBar1->showMessage(message);
        QTest::qWait(20);
        QCOMPARE(w.width(), width);
        QVERIFY(w.minimumSizeHint().width() < width);
        QCOMPARE(w.stationInfo->toolTip(), w.stationInfo->text());
        QVERIFY(w.stationInfo->width() < w.StatusBar1->width());
        if (!database.isEmpty())
            QVERIFY(w.stationInfo->text().contains(database));
        if (!message.isEmpty())
            QCOMPARE(w.StatusBar1->toolTip(), message);
    }

    void settingsLoadedAtCreationAndSavedAtConfirmedExit() {
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        QFile ini(cwd.filePath("quillet.INI"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[mainBarcode]\r\nheight=700\r\nwidth=1100\r\n_bleft1=55\r\n_bleft2=abc\r\n"
                  "_PrintStyle=7\r\n");
        ini.close();
        {
            ScriptedPrompts prompts;
            prompts.answers = {false, true};
            TmainBarcode w(*dm, prompts, printer);
            QCOMPARE(prompts.texts("error"), QStringList{"'abc' is not a valid integer value."});
            QCOMPARE(w.labelLayout().columns[0].barcode.left, 55);
            // the malformed value takes its default
            QCOMPARE(w.labelLayout().columns[1].barcode.left, 240);
            QCOMPARE(w.labelLayout().columns[2].barcode.left, 240);
            QCOMPARE(w.labelLayout().options.style, 7);
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
        const quint16 port = closedLoopbackPort();
        QVERIFY(port != 0);
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        QProcessEnvironment env;
        env.insert("VORNELL_DB", QString("mssql:127.0.0.1,%1").arg(port));
        ScriptedPrompts prompts;
        const int result = runVornell(prompts, env);
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
        QCOMPARE(runVornell(prompts, env), 2);
        QCOMPARE(prompts.texts("message").size(), 1);
        QVERIFY(prompts.texts("message")[0].contains("mssql:HOST"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
