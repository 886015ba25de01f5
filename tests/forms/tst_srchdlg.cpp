#include "core/AppError.h"
#include "db/RecordSet.h"
#include "db/SearchRules.h"
#include "forms/SrchDlg.h"
#include "settings/IniFile.h"
#include "tests/support/DataTable.h"
#include "tests/support/Reshow.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/TestDatabase.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

// The record search dialog over a record set of a real embedded database, with
// the history in the settings file (its rules alone: tests/db/tst_searchrules).
class TestSrchDlg : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    int workNumber = 0;

    static QStringList rows() {
        return {"SELECT 'K1' AS Code, 'Alpha' AS Name, 'plain' AS Note",
                "UNION ALL SELECT 'K2', 'Beta', 'XAB12'", "UNION ALL SELECT 'K3', 'xab99', NULL",
                "UNION ALL SELECT 'K4', '中文ab', 'Ärger'",
                "UNION ALL SELECT 'K5', 'Gamma', '2026'"};
    }
    std::unique_ptr<RecordSet> openSet(int nameSize = 100, const QStringList& lines = rows()) {
        auto set = std::make_unique<RecordSet>(
            dm->connectionName(),
            QList<FieldDef>{{"Code", 20, false}, {"Name", nameSize, false}, {"Note", 50, false}});
        set->open(lines);
        return set;
    }
    static QStringList shownKeys(const RecordSet& set) {
        QStringList keys;
        for (int r = 0; r < set.count(); ++r)
            keys << set.value(r, 0).toString();
        return keys;
    }
    static void search(TFSrchDlg& dlg, const QString& text) {
        dlg.SearchEd->setEditText(text);
        QTest::keyClick(dlg.SearchEd->lineEdit(), Qt::Key_Return);
    }
    static QString stored(int position) {
        return IniFile(QDir::current().filePath("Quillet.ini"))
            .readString("FSrchDlg", SearchRules::key(position), "<none>");
    }
    struct Driver {
        Driver(std::function<void(TFSrchDlg&)> f) { TFSrchDlg::modalDriver = std::move(f); }
        ~Driver() { TFSrchDlg::modalDriver = nullptr; }
    };

private slots:
    void initTestCase() { dm = openEmbedded(dir.filePath("search.db")); }
    void cleanupTestCase() { dm.reset(); }
    // Each test starts in a directory of its own, without a settings file.
    void init() {
        const QString work = dir.filePath(QString("work%1").arg(++workNumber));
        QDir().mkpath(work);
        QDir::setCurrent(work);
    }

    void columnWidths_data() {
        DataTable<int, int>({"size", "width"}).row("short name", 3, 30).row("long name", 100, 176);
    }
    void columnWidths() {
        QFETCH(int, size);
        QFETCH(int, width);
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet(size);
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            QCOMPARE(shown.DBGrid1->columnWidth(0), 120);
            QCOMPARE(shown.DBGrid1->columnWidth(1), width);
        });
        dlg.showModal();
        QVERIFY(prompts.shown.empty());
    }

    void captionAndControls() {
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        QCOMPARE(dlg.windowTitle(), QString("请选择一个记录"));
        QCOMPARE(dlg.size(), QSize(660, 371));
        QCOMPARE(dlg.OKBtn->text(), QString("&O 确定"));
        QCOMPARE(dlg.CancelBtn->text(), QString("&C 取消"));
    }

    void searchFilters_data() {
        const QStringList all{"K1", "K2", "K3", "K4", "K5"};
        DataTable<QString, QStringList, QStringList>({"text", "keys", "history"})
            .row("ab in any field", "ab", QStringList{"K2", "K3", "K4"}, QStringList{"ab"})
            .row("upper-case text", "AB", QStringList{"K2", "K3", "K4"}, QStringList{"AB"})
            .row("trimmed", "  xab1 ", QStringList{"K2"}, QStringList{"xab1"})
            .row("the key field too", "k5", QStringList{"K5"}, QStringList{"k5"})
            .row("blanks show all", "   ", all, QStringList{})
            .row("nothing found", "zzz", QStringList{}, QStringList{"zzz"})
            .row("chinese", "文", QStringList{"K4"}, QStringList{"文"})
            .row("accent is not folded", "ä", QStringList{}, QStringList{"ä"});
    }
    void searchFilters() {
        QFETCH(QString, text);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, history);
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            search(shown, text);
            QCOMPARE(shownKeys(*set), keys);
            QCOMPARE(shown.history(), history);
            QCOMPARE(set->currentRow(), keys.isEmpty() ? -1 : 0);
            QCOMPARE(shown.DBGrid1->model()->rowCount(), keys.size());
            shown.OKBtnClick();
            QCOMPARE(shown.isVisible(), keys.isEmpty());
        });
        QCOMPARE(dlg.showModal(), keys.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted));
        QVERIFY(prompts.shown.empty());
    }

    void secondSearchFiltersAnew() {
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            search(shown, "ab");
            QCOMPARE(shownKeys(*set), (QStringList{"K2", "K3", "K4"}));
            search(shown, "gam");
            QCOMPARE(shownKeys(*set), QStringList{"K5"});
            search(shown, "Ab");
            QCOMPARE(shownKeys(*set), (QStringList{"K2", "K3", "K4"}));
            QCOMPARE(shown.history(), (QStringList{"gam", "ab"}));
            search(shown, "");
            QVERIFY(!shown.searchFilterOn());
            QCOMPARE(set->count(), 5);
        });
        dlg.showModal();
    }

    // Restoring the minimised dialog keeps the search, its filter and the
    // history of this showing; showing it again after the program hid it
    // starts afresh.
    void restoreKeepsTheSearch_data() { reshowRows(); }
    void restoreKeepsTheSearch() {
        QFETCH(bool, minimise);
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            search(shown, "gam");
            reshow(shown, minimise);
            QCOMPARE(shown.searchFilterOn(), minimise);
            QCOMPARE(shownKeys(*set),
                     minimise ? QStringList{"K5"} : (QStringList{"K1", "K2", "K3", "K4", "K5"}));
            QCOMPARE(shown.SearchEd->currentText(), minimise ? QString("gam") : QString());
            QCOMPARE(shown.history(), minimise ? QStringList{"gam"} : QStringList());
        });
        dlg.showModal();
        QVERIFY(prompts.shown.empty());
    }

    // After a search that shows nothing, OK and double-click do nothing and
    // Cancel leaves.
    void acceptOnlyWithARecordShown() {
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            search(shown, "no such text");
            QVERIFY(set->isEmpty());
            shown.OKBtnClick();
            QVERIFY(shown.isVisible());
            shown.DBGrid1DblClick();
            QVERIFY(shown.isVisible());
            QTest::mouseClick(shown.CancelBtn, Qt::LeftButton);
            QVERIFY(!shown.isVisible());
        });
        QCOMPARE(dlg.showModal(), int(QDialog::Rejected));
    }

    void doubleClickAccepts() {
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            const QModelIndex third = shown.DBGrid1->model()->index(2, 1);
            const QRect cell = shown.DBGrid1->visualRect(third);
            QTest::mouseClick(shown.DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(shown.DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        });
        QCOMPARE(dlg.showModal(), int(QDialog::Accepted));
        QCOMPARE(dlg.GetSelectedKey(), QString("K3"));
        QCOMPARE(set->fieldValue("Name").toString(), QString("xab99"));
    }

    void okEnabledOnlyWithRecords_data() {
        DataTable<QStringList, bool>({"lines", "enabled"})
            .row("records", rows(), true)
            .row("none", QStringList{"SELECT 'K' AS Code, 'N' AS Name, 'x' AS Note", "WHERE 1=0"},
                 false);
    }
    void okEnabledOnlyWithRecords() {
        QFETCH(QStringList, lines);
        QFETCH(bool, enabled);
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet(100, lines);
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            QCOMPARE(shown.OKBtn->isEnabled(), enabled);
            // Not re-evaluated by a search.
            search(shown, "no such text");
            QCOMPARE(shown.OKBtn->isEnabled(), enabled);
        });
        dlg.showModal();
    }

    void locateKey_data() {
        DataTable<int, QString, QString>({"before", "key", "current"})
            .row("found", 0, "K3", "K3")
            .row("trimmed", 0, "  K4 ", "K4")
            .row("no partial match", 1, "K", "K2")
            .row("no match stays", 3, "K9", "K4")
            .row("no match after re-open: first", 0, "nothing", "K1")
            .row("case counts", 0, "k3", "K1");
    }
    void locateKey() {
        QFETCH(int, before);
        QFETCH(QString, key);
        QFETCH(QString, current);
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        set->setCurrentRow(before);
        dlg.AttachDataSet(set.get());
        dlg.LocateKey(key);
        Driver d([&](TFSrchDlg& shown) {
            // The dialog opens with all records and that record selected.
            QCOMPARE(set->count(), 5);
            QCOMPARE(shown.DBGrid1->currentIndex().row(), set->currentRow());
            shown.OKBtnClick();
        });
        QCOMPARE(dlg.showModal(), int(QDialog::Accepted));
        QCOMPARE(dlg.GetSelectedKey(), current);
    }

    void selectedKeyOfNullFails() {
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet(100, {"SELECT NULL AS Code, 'N' AS Name, 'x' AS Note"});
        dlg.AttachDataSet(set.get());
        QVERIFY_THROWS_EXCEPTION(AppError, dlg.GetSelectedKey());
    }

    // The history drops down as soon as the operator types; the typing goes
    // on in the box, and Enter searches for what was typed.
    void historyDropsDownWhileTyping() {
        {
            IniFile ini(QDir::current().filePath("Quillet.ini"));
            ini.writeString("FSrchDlg", "FindStr00", "gam");
            ini.writeString("FSrchDlg", "FindStr01", "plain");
            ini.save();
        }
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            QCompleter* dropDown = shown.SearchEd->completer();
            QVERIFY(dropDown);
            QVERIFY(!dropDown->popup()->isVisible());
            QTest::keyClicks(shown.SearchEd->lineEdit(), "ab");
            QVERIFY(dropDown->popup()->isVisible());
            QCOMPARE(dropDown->popup()->model()->rowCount(), 2);
            QCOMPARE(shown.SearchEd->currentText(), QString("ab"));
            QTest::keyClick(shown.SearchEd->lineEdit(), Qt::Key_Return);
            QVERIFY(!dropDown->popup()->isVisible());
            QCOMPARE(shownKeys(*set), (QStringList{"K2", "K3", "K4"}));
        });
        dlg.showModal();
    }

    // After searches for a, b and c the list reads c, b, a, in the file too,
    // and again at the next showing.
    void historyIsStoredNewestFirst() {
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        {
            Driver d([&](TFSrchDlg& shown) {
                for (const char* t : {"a", "b", "c", "B"})
                    search(shown, t);
                QCOMPARE(shown.history(), (QStringList{"c", "b", "a"}));
            });
            dlg.showModal();
        }
        QCOMPARE((QStringList{stored(0), stored(1), stored(2), stored(3)}),
                 (QStringList{"c", "b", "a", "<none>"}));
        Driver d([&](TFSrchDlg& shown) {
            QCOMPARE(shown.history(), (QStringList{"c", "b", "a"}));
            QCOMPARE(shown.SearchEd->currentText(), QString());
        });
        dlg.showModal();
    }

    void elevenSearchesKeepTen() {
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        {
            Driver d([&](TFSrchDlg& shown) {
                for (int i = 1; i <= 11; ++i)
                    search(shown, QString("s%1").arg(i));
                QCOMPARE(shown.history().size(), 11);
            });
            dlg.showModal();
        }
        QStringList expected;
        for (int i = 11; i >= 2; --i)
            expected << QString("s%1").arg(i);
        QCOMPARE(stored(10), QString("<none>"));
        Driver d([&](TFSrchDlg& shown) { QCOMPARE(shown.history(), expected); });
        dlg.showModal();
    }

    void historyReadSkipsBlanksAndGaps() {
        {
            IniFile ini(QDir::current().filePath("Quillet.ini"));
            ini.writeString("FSrchDlg", "FindStr03", " three ");
            ini.writeString("FSrchDlg", "FindStr01", "one");
            ini.writeString("FSrchDlg", "FindStr02", "   ");
            ini.writeString("FSrchDlg", "FindStr0A", "beyond ten");
            ini.writeString("mainBarcode", "_bleft1", "12");
            ini.save();
        }
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            QCOMPARE(shown.history(), (QStringList{"one", "three"}));
        });
        dlg.showModal();
        // The save rewrites the positions it has and leaves the rest.
        QCOMPARE((QStringList{stored(0), stored(1), stored(2), stored(3)}),
                 (QStringList{"one", "three", "   ", "three"}.replaceInStrings("   ", "")));
        QCOMPARE(
            IniFile(QDir::current().filePath("Quillet.ini")).readString("mainBarcode", "_bleft1"),
            QString("12"));
    }

    void cancelAndEscStoreTheHistory_data() {
        // how: 0 Cancel button, 1 Esc, 2 close box
        DataTable<int>({"how"}).row("Cancel", 0).row("Esc", 1).row("close box", 2);
    }
    void cancelAndEscStoreTheHistory() {
        QFETCH(int, how);
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            search(shown, "beta");
            if (how == 0)
                QTest::mouseClick(shown.CancelBtn, Qt::LeftButton);
            else if (how == 1)
                QTest::keyClick(shown.DBGrid1, Qt::Key_Escape);
            else
                shown.close();
            QVERIFY(!shown.isVisible());
        });
        QCOMPARE(dlg.showModal(), int(QDialog::Rejected));
        QCOMPARE(stored(0), QString("beta"));
    }

    // The filter stays in place at closing when it is on, so the caller reads
    // the chosen record; otherwise the callback is removed.
    void filterStateKeptAtClosing() {
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        QVERIFY(set->hasFilterRecord());
        QVERIFY(!set->filtered());
        {
            Driver d([&](TFSrchDlg& shown) {
                search(shown, "gamma");
                shown.OKBtnClick();
            });
            QCOMPARE(dlg.showModal(), int(QDialog::Accepted));
        }
        QVERIFY(set->filtered());
        QVERIFY(set->hasFilterRecord());
        QCOMPARE(shownKeys(*set), QStringList{"K5"});
        QCOMPARE(dlg.GetSelectedKey(), QString("K5"));
        {
            Driver d([&](TFSrchDlg& shown) {
                QVERIFY(!shown.searchFilterOn());
                QCOMPARE(set->count(), 5);
                QCOMPARE(dlg.GetSelectedKey(), QString("K5"));
                shown.OKBtnClick();
            });
            QCOMPARE(dlg.showModal(), int(QDialog::Accepted));
        }
        QVERIFY(!set->filtered());
        QVERIFY(!set->hasFilterRecord());
    }

    // A settings file that cannot be written: the error is reported and the
    // dialog closes all the same.
    void failedHistoryWriteStillCloses() {
        QVERIFY(QDir().mkpath("Quillet.ini/x"));
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        Driver d([&](TFSrchDlg& shown) {
            search(shown, "alpha");
            shown.OKBtnClick();
            QVERIFY(!shown.isVisible());
        });
        QCOMPARE(dlg.showModal(), int(QDialog::Accepted));
        QCOMPARE(prompts.texts("error"),
                 QStringList{"Unable to write to " +
                             QDir::current().absoluteFilePath("Quillet.ini") + "."});
        QCOMPARE(dlg.GetSelectedKey(), QString("K1"));
    }

    void attachNothingDoesNothing() {
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        auto set = openSet();
        dlg.AttachDataSet(set.get());
        dlg.AttachDataSet(nullptr);
        QCOMPARE(dlg.dataSet(), set.get());
        QCOMPARE(dlg.DBGrid1->model(), set.get());
    }
};

QTEST_MAIN(TestSrchDlg)
#include "tst_srchdlg.moc"
