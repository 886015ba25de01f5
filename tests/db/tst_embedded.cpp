#include "core/AppError.h"
#include "db/DemoData.h"
#include "db/EmbeddedDatabase.h"
#include "db/LabelList.h"
#include "db/LabelQuery.h"
#include "tests/support/DataTable.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestLabelFilter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

// The embedded database and the SQLite form of the label query, run for real.
class TestEmbedded : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    static QStringList labelTexts(LabelList& list) {
        QStringList out;
        for (int r = 0; r < list.count(); ++r)
            out << list.value(r, LabelList::LabelText).toString();
        return out;
    }

private slots:
    // A new database and the files beside it are no one else's to read,
    // whatever the umask lets through.
    void newFilesAreOwnerAndGroupOnly() {
        const mode_t before = ::umask(002);
        DbLocation loc;
        loc.path = dir.filePath("private.db");
        {
            auto dm = createDataModule(loc);
            dm->reopen();
            addLabel(dm->conADO(), "2026-12-09 08:00:00", "VA000001");
            for (const char* name : {"private.db", "private.db-wal"}) {
                struct stat st {};
                QVERIFY(::stat(QFile::encodeName(dir.filePath(name)).constData(), &st) == 0);
                QCOMPARE(int(st.st_mode & 0007), 0);
            }
        }
        ::umask(before);
    }

    // A new database has the tables and nothing in them: the chip types are
    // the site's to enter.
    void createsSchemaWithoutRows() {
        auto dm = openEmbedded(dir.filePath("new.db"));
        QSqlDatabase db = dm->conADO();
        QCOMPARE(scalar(db, "PRAGMA journal_mode").toString(), QString("wal"));
        for (const char* table : {"PrintLabel", "DeviceICRelOrder", "DeviceICType"})
            QCOMPARE(scalar(db, QString("SELECT count(*) FROM %1").arg(table)).toInt(), 0);
    }

    // Demo labels continue the serials of the active 30X10 chip types; a
    // database without chip types gets the demo ones first.
    void demoLabels_data() {
        DataTable<bool, QStringList>({"ownType", "texts"})
            .row("no chip types", false,
                 QStringList{"VA000001", "VA000002", "VB001001", "VC000001"})
            .row("a chip type of its own", true,
                 QStringList{"XY00000A", "XY00000B", "XY00000C", "XY00000D"});
    }
    void demoLabels() {
        QFETCH(bool, ownType);
        QFETCH(QStringList, texts);
        auto dm = openEmbedded(dir.filePath(QString("demo%1.db").arg(ownType)));
        QSqlDatabase db = dm->conADO();
        if (ownType)
            addChipType(db, {"XY3010", "Own type", "V1", "SOT-23", "XY", "30X10", 9});
        addDemoLabels(db, 4);
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT LabelText FROM PrintLabel WHERE LabelText=Barcode AND "
                       "LabelSize='30X10' AND PrintFlag=0 ORDER BY 1"));
        QStringList got;
        while (q.next())
            got << q.value(0).toString();
        QCOMPARE(got, texts);
        QCOMPARE(scalar(db, "SELECT count(*) FROM DeviceICType").toInt(), ownType ? 1 : 5);
    }

    void functions_data() {
        DataTable<QString, QString>({"sql", "result"})
            .row("inttohex pads", "SELECT inttohex(255,6,0)", "0000FF")
            .row("inttohex zero", "SELECT inttohex(0,6,0)", "000000")
            .row("inttohex wider than width", "SELECT inttohex(4294967295,6,0)", "FFFFFFFF")
            .row("inttohex negative", "SELECT inttohex(-1,6,0)", "FFFFFFFF")
            .row("isnull of null", "SELECT \"isnull\"(NULL,'x')", "x")
            .row("isnull of value", "SELECT \"isnull\"('v','x')", "v")
            .row("head flag and serial", "SELECT 'VA'||inttohex(4097,6,0)", "VA001001");
    }
    void functions() {
        QFETCH(QString, sql);
        QFETCH(QString, result);
        auto dm = openEmbedded(dir.filePath("fn.db"));
        QCOMPARE(scalar(dm->conADO(), sql).toString(), result);
    }

    void getdateWritesLocalTimeText() {
        auto dm = openEmbedded(dir.filePath("now.db"));
        const QString now = scalar(dm->conADO(), "SELECT getdate()").toString();
        const QString sqliteNow =
            scalar(dm->conADO(), "SELECT datetime('now','localtime')").toString();
        QCOMPARE(now.size(), 19);
        QVERIFY(qAbs(QDateTime::fromString(now, "yyyy-MM-dd HH:mm:ss")
                         .secsTo(QDateTime::fromString(sqliteNow, "yyyy-MM-dd HH:mm:ss"))) <= 2);
    }

    void existingTablesAreUsedAsTheyAre() {
        const QString path = dir.filePath("existing.db");
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "raw");
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            QSqlQuery q(raw);
            QVERIFY(q.exec("CREATE TABLE PrintLabel (Iden_id INTEGER PRIMARY KEY, CreateTime TEXT, "
                           "LabelSize TEXT, TitleText TEXT, LabelText TEXT, Barcode TEXT, "
                           "PrintFlag INTEGER, PrintTime TEXT, Extra TEXT)"));
            QVERIFY(
                q.exec("CREATE TABLE DeviceICType (ICType TEXT, TypeDesc TEXT, LastVer TEXT, "
                       "ICModel TEXT, HeadFlag TEXT, LabelSize TEXT, LastSN INT, IsActive TEXT)"));
            QVERIFY(q.exec("INSERT INTO PrintLabel (CreateTime, LabelSize, LabelText, Extra) "
                           "VALUES ('2026-12-09 08:00:00', '30X10', 'KEEP', 'x')"));
            raw.close();
        }
        QSqlDatabase::removeDatabase("raw");
        auto dm = openEmbedded(path);
        QSqlDatabase db = dm->conADO();
        QCOMPARE(scalar(db, "SELECT Extra FROM PrintLabel").toString(), QString("x"));
        QCOMPARE(scalar(db, "SELECT count(*) FROM DeviceICType").toInt(), 0);
        QCOMPARE(
            scalar(db, "SELECT count(*) FROM sqlite_master WHERE name='DeviceICRelOrder'").toInt(),
            1);
    }

    void fileThatIsNotADatabaseFailsToOpen() {
        const QString path = dir.filePath("garbage.db");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        DbLocation loc;
        loc.path = path;
        auto dm = createDataModule(loc);
        try {
            dm->reopen();
            QFAIL("opened a file that is not a database");
        } catch (const AppError& e) {
            QVERIFY2(e.text().contains("not a database"), qPrintable(e.text()));
        }
        QVERIFY(!dm->conADO().isOpen());
    }

    void labelQueryFilters_data() {
        DataTable<QString, bool, QString, QStringList>({"amount", "toPrint", "like", "texts"})
            .row("unprinted from today, by text", "", true, "",
                 QStringList{"AA000001", "AB000002", "ZZ000009"})
            .row("printed from today", "", false, "", QStringList{"PR000005"})
            .row("row limit", "2", true, "", QStringList{"AA000001", "AB000002"})
            .row("short like keeps date and state", "", true, "B0", QStringList{"AB000002"})
            .row("long like searches every date and state", "", true, "00000000", QStringList{})
            .row("long like finds every date and state", "", true, "________",
                 QStringList{"AA000001", "AB000002", "OLD00000", "PR000005", "ZZ000009"})
            .row("underscore keeps its pattern meaning", "", true, "Z_0", QStringList{"ZZ000009"})
            .row("quote stays one literal", "", true, "'", QStringList{});
    }
    void labelQueryFilters() {
        QFETCH(QString, amount);
        QFETCH(bool, toPrint);
        QFETCH(QString, like);
        QFETCH(QStringList, texts);
        auto dm = openEmbedded(dir.filePath("query.db"));
        QSqlDatabase db = dm->conADO();
        if (scalar(db, "SELECT count(*) FROM PrintLabel").toInt() == 0) {
            addLabel(db, "2026-12-09 00:00:00", "ZZ000009"); // at the date boundary
            addLabel(db, "2026-12-09 13:00:00.123", "AB000002", 0);
            addLabel(db, "2026-12-10 07:00:00", "AA000001");
            addLabel(db, "2026-12-08 23:59:59", "OLD00000"); // the day before
            addLabel(db, "2026-12-09 10:00:00", "PR000005", 1);
            addLabel(db, "2026-12-09 10:00:00", "BIG00001", QVariant(), "50X20");
        }
        LabelList list(dm->connectionName());
        list.open(labelQueryLines(testLabelFilter(amount, toPrint, like), Dialect::Sqlite));
        QCOMPARE(labelTexts(list), texts);
        QCOMPARE(list.currentRow(), texts.isEmpty() ? -1 : 0);
    }

    void listEditsAreWrittenBack() {
        auto dm = openEmbedded(dir.filePath("edit.db"));
        QSqlDatabase db = dm->conADO();
        const qint64 id = addLabel(db, "2026-12-09 08:00:00", "ED000001");
        LabelList list(dm->connectionName());
        list.open({"SELECT * FROM PrintLabel"});
        QVERIFY(list.setData(list.index(0, LabelList::TitleText), "NEW", Qt::EditRole));
        QCOMPARE(scalar(db, QString("SELECT TitleText FROM PrintLabel WHERE Iden_id=%1").arg(id))
                     .toString(),
                 QString("NEW"));
        QVERIFY(!(list.flags(list.index(0, LabelList::Iden_id)) & Qt::ItemIsEditable));

        // A refused edit is reported and the row keeps the database's value.
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TRIGGER refuse BEFORE UPDATE OF Barcode ON PrintLabel "
                       "BEGIN SELECT RAISE(ABORT, 'barcode is locked'); END"));
        QString reported;
        list.onWriteError = [&](const QString& t) { reported = t; };
        QVERIFY(!list.setData(list.index(0, LabelList::Barcode), "X", Qt::EditRole));
        QVERIFY2(reported.contains("barcode is locked"), qPrintable(reported));
        QCOMPARE(list.data(list.index(0, LabelList::Barcode), Qt::DisplayRole).toString(),
                 QString("ED000001"));

        list.insertRecord("30X10");
        QVERIFY(list.setData(list.index(1, LabelList::LabelText), "ED000002", Qt::EditRole));
        QVERIFY(list.postNewRow());
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.currentRow(), 1);
        QCOMPARE(scalar(db, "SELECT count(*) FROM PrintLabel").toInt(), 2);
        list.deleteRecord(0);
        QCOMPARE(list.count(), 1);
        QCOMPARE(
            scalar(db, QString("SELECT count(*) FROM PrintLabel WHERE Iden_id=%1").arg(id)).toInt(),
            0);
    }

    void failedQueryLeavesListClosed() {
        auto dm = openEmbedded(dir.filePath("fail.db"));
        LabelList list(dm->connectionName());
        list.open({"SELECT * FROM PrintLabel"});
        QVERIFY(list.isOpen());
        QVERIFY_THROWS_EXCEPTION(AppError, list.open({"SELECT * FROM NoSuchTable"}));
        QVERIFY(!list.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestEmbedded)
#include "tst_embedded.moc"
