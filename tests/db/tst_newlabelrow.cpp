#include "core/AppError.h"
#include "db/LabelList.h"
#include "tests/support/DataTable.h"
#include "tests/support/TestDatabase.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

// The label list's new row: only in the list until it is left, saved only
// with a label text, never a record for printing while it is open.
class TestNewLabelRow : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int dbCounter = 0;
    std::unique_ptr<TDMdata> dm;

    // A fresh database holding `records` labels, and a list open on them.
    std::unique_ptr<LabelList> listOver(int records) {
        dm.reset();
        dm = openEmbedded(dir.filePath(QString("n%1.db").arg(++dbCounter)));
        for (int i = 0; i < records; ++i)
            addLabel(dm->conADO(), "2026-12-09 08:00:00", QString("OLD%1").arg(i));
        auto list = std::make_unique<LabelList>(dm->connectionName());
        list->open({"SELECT * FROM PrintLabel ORDER BY Iden_id"});
        return list;
    }
    int rowsInDatabase() { return scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel").toInt(); }
    static void leave(LabelList& list, const QString& how) {
        if (how == "move")
            list.setCurrentRow(0);
        else if (how == "post")
            list.postNewRow();
        else if (how == "close")
            list.close();
        else if (how == "cancel")
            list.cancelNewRow();
        else if (how == "delete")
            list.deleteRecord(list.newRow());
        else
            QFAIL(qPrintable("unknown way to leave: " + how));
    }

private slots:
    void cleanupTestCase() { dm.reset(); }

    void newRowIsNoRecord_data() {
        DataTable<int>({"records"}).row("after two records", 2).row("in an empty list", 0);
    }
    void newRowIsNoRecord() {
        QFETCH(int, records);
        auto list = listOver(records);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        list->insertRecord("40X20");
        const qint64 after = QDateTime::currentSecsSinceEpoch();

        QCOMPARE(rowsInDatabase(), records);
        QCOMPARE(list->rowCount(), records + 1);
        QCOMPARE(list->count(), records);
        QCOMPARE(list->isEmpty(), records == 0);
        QCOMPARE(list->newRow(), records);
        QCOMPARE(list->currentRow(), records);
        auto shown = [&](LabelList::Field f) {
            return list->data(list->index(records, f), Qt::EditRole);
        };
        QCOMPARE(shown(LabelList::LabelSize).toString(), QString("40X20"));
        QCOMPARE(shown(LabelList::PrintFlag).toInt(), 0);
        QVERIFY(shown(LabelList::PrintFlag).isValid());
        QVERIFY(!shown(LabelList::Iden_id).isValid());
        QVERIFY(!shown(LabelList::LabelText).isValid());
        const qint64 created = shown(LabelList::CreateTime).toDateTime().toSecsSinceEpoch();
        QVERIFY2(created >= before && created <= after, qPrintable(QString::number(created)));
        QCOMPARE(list->headerData(records, Qt::Vertical, Qt::DisplayRole).toString(), QString("*"));
        // Printing reads records by index: the new row is none of them.
        QVERIFY(!list->value(records, LabelList::LabelSize).isValid());

        // One new row at a time: Insert again goes back to it.
        if (records > 0)
            QVERIFY(list->setCurrentRow(0)); // untouched: dropped on the way
        list->insertRecord("40X20");
        QCOMPARE(list->rowCount(), records + 1);
        QVERIFY(list->setData(list->index(records, LabelList::LabelText), "NEW", Qt::EditRole));
        list->insertRecord("40X20");
        QCOMPARE(list->rowCount(), records + 1);
        QCOMPARE(list->currentRow(), records);
        QCOMPARE(rowsInDatabase(), records);
    }

    void leavingTheNewRow_data() {
        // labelText: empty: not typed
        // titleText: empty: not typed
        DataTable<QString, QString, QString, bool>({"labelText", "titleText", "how", "saved"})
            .row("untouched, moved to a record", "", "", "move", false)
            .row("title only, moved", "", "T1", "move", false)
            .row("blank text, moved", " \t ", "", "move", false)
            .row("text, moved", "NW000001", "", "move", true)
            .row("text and title, posted", "NW000001", "T1", "post", true)
            .row("untouched, posted", "", "", "post", false)
            .row("text, list closed", "NW000001", "", "close", true)
            .row("untouched, list closed", "", "", "close", false)
            .row("text, cancelled", "NW000001", "", "cancel", false)
            .row("text, deleted", "NW000001", "", "delete", false);
    }
    void leavingTheNewRow() {
        QFETCH(QString, labelText);
        QFETCH(QString, titleText);
        QFETCH(QString, how);
        QFETCH(bool, saved);
        auto list = listOver(2);
        QString reported;
        list->onWriteError = [&](const QString& t) { reported = t; };
        list->insertRecord("30X10");
        if (!labelText.isEmpty())
            QVERIFY(list->setData(list->index(2, LabelList::LabelText), labelText, Qt::EditRole));
        if (!titleText.isEmpty())
            QVERIFY(list->setData(list->index(2, LabelList::TitleText), titleText, Qt::EditRole));
        const QString created = list->data(list->index(2, LabelList::CreateTime), Qt::EditRole)
                                    .toDateTime()
                                    .toString("yyyy-MM-dd HH:mm:ss");
        QCOMPARE(rowsInDatabase(), 2);
        leave(*list, how);

        QCOMPARE(reported, QString());
        QCOMPARE(rowsInDatabase(), saved ? 3 : 2);
        if (saved) {
            QSqlQuery q(dm->conADO());
            QVERIFY(q.exec("SELECT Iden_id, CreateTime, LabelSize, TitleText, LabelText, "
                           "PrintFlag, PrintTime FROM PrintLabel ORDER BY Iden_id DESC LIMIT 1"));
            QVERIFY(q.next());
            QCOMPARE(q.value(1).toString(), created);
            QCOMPARE(q.value(2).toString(), QString("30X10"));
            QCOMPARE(q.value(3).toString(), titleText);
            QCOMPARE(q.value(3).isNull(), titleText.isEmpty());
            QCOMPARE(q.value(4).toString(), labelText);
            QCOMPARE(q.value(5), QVariant(0));
            QVERIFY(q.value(6).isNull());
            if (how != "close") {
                // Now a record, known by the key the database gave it.
                QCOMPARE(list->count(), 3);
                QCOMPARE(list->newRow(), -1);
                QCOMPARE(list->value(2, LabelList::Iden_id), q.value(0));
                QCOMPARE(list->value(2, LabelList::LabelText).toString(), labelText);
                QCOMPARE(list->value(2, LabelList::CreateTime).toString(), created);
            }
        } else if (how != "close") {
            QCOMPARE(list->rowCount(), 2);
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->newRow(), -1);
            QCOMPARE(list->currentRow(), how == "move" ? 0 : 1);
        }
        if (how == "close")
            QVERIFY(!list->isOpen());
    }

    // A refused save is reported, and the row stays open and current for
    // correction; moves do not try again until the row is edited.
    void refusedSaveKeepsTheRow_data() {
        DataTable<QString>({"how"})
            .row("moved to a record", "move")
            .row("posted", "post")
            .row("list closed", "close");
    }
    void refusedSaveKeepsTheRow() {
        QFETCH(QString, how);
        auto list = listOver(2);
        QStringList reported;
        list->onWriteError = [&](const QString& t) { reported << t; };
        QSqlQuery q(dm->conADO());
        QVERIFY(q.exec("CREATE TRIGGER refuse BEFORE INSERT ON PrintLabel "
                       "BEGIN SELECT RAISE(ABORT, 'no new labels today'); END"));
        list->insertRecord("30X10");
        QVERIFY(list->setData(list->index(2, LabelList::LabelText), "NW000009", Qt::EditRole));

        auto stillOpen = [&] {
            QCOMPARE(rowsInDatabase(), 2);
            QVERIFY(list->isOpen());
            QCOMPARE(list->newRow(), 2);
            QCOMPARE(list->currentRow(), 2);
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->data(list->index(2, LabelList::LabelText), Qt::EditRole).toString(),
                     QString("NW000009"));
        };
        if (how == "move") {
            QVERIFY(!list->setCurrentRow(0));
            QVERIFY(!list->setCurrentRow(1));
            QCOMPARE(reported.size(), 1); // tried once
        } else if (how == "post") {
            QVERIFY(!list->postNewRow());
            QVERIFY(!list->postNewRow());
            QCOMPARE(reported.size(), 2); // asked twice, tried twice
        } else {
            QVERIFY_THROWS_EXCEPTION(AppError, list->close());
            QCOMPARE(reported.size(), 0); // raised to the caller instead
        }
        for (const QString& r : reported)
            QVERIFY2(r.contains("no new labels today"), qPrintable(r));
        stillOpen();
        if (QTest::currentTestFailed())
            return;

        QVERIFY(q.exec("DROP TRIGGER refuse"));
        if (how == "move") {
            QVERIFY(!list->setCurrentRow(0)); // unedited since the refusal
            stillOpen();
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(list->setData(list->index(2, LabelList::LabelText), "NW000010", Qt::EditRole));
        leave(*list, how);
        QCOMPARE(rowsInDatabase(), 3);
        QCOMPARE(scalar(dm->conADO(), "SELECT LabelText FROM PrintLabel ORDER BY Iden_id DESC")
                     .toString(),
                 QString("NW000010"));
    }
};

QTEST_GUILESS_MAIN(TestNewLabelRow)
#include "tst_newlabelrow.moc"
