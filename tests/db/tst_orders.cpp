#include "core/AppError.h"
#include "db/CreateDeviceICRel.h"
#include "db/OrderStatements.h"
#include "db/RecordSet.h"
#include "tests/support/DataTable.h"
#include "tests/support/TestDatabase.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(NewOrder)

// The order statements and the embedded database's serial-number procedure.
class TestOrders : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    int dbNumber = 0;

    static NewOrder order(const QString& type, int amount) {
        return {type, amount, "Desc of " + type, "V1.0", "生产版本", "标签打印程序"};
    }
    void insertOrder(const NewOrder& o) {
        const BoundStatement s = newOrderInsert(o, Dialect::Sqlite);
        dm->qryEXEC().run(s.lines, s.bindings);
    }
    QStringList column(const QString& sql) {
        QStringList out;
        QSqlQuery q(dm->conADO());
        if (!q.exec(sql))
            qFatal("column: %s", qPrintable(q.lastError().text()));
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    QString state() {
        return column("SELECT Iden_id||'|'||ifnull(FullSNFrom,'')||'|'||ifnull(FullSNTo,'')||'|'||"
                      "ifnull(HeadFlag,'')||'|'||Flag FROM DeviceICRelOrder ORDER BY 1")
                   .join(';') +
               "#" + column("SELECT ICType||'='||LastSN FROM DeviceICType ORDER BY 1").join(';') +
               "#" + column("SELECT count(*) FROM PrintLabel").join(';');
    }

private slots:
    void init() {
        dm = openEmbedded(dir.filePath(QString("orders%1.db").arg(++dbNumber)));
        addTestChipTypes(dm->conADO());
    }
    void cleanup() { dm.reset(); }

    void orderListLinesAreFixed() {
        const QStringList expected = {
            "SELECT Iden_id, Datime, ICType, TypeDesc, ICVer, VerDesc, Amount, Remark, "
            "FullSNFrom, FullSNTo, HeadFlag ",
            "FROM DeviceICRelOrder ",
            "WHERE ICType IN (SELECT ICType FROM DeviceICType WHERE LabelSize='30X10') ",
            "ORDER BY iden_id DESC "};
        QCOMPARE(orderListLines(Dialect::TSql), expected);
    }

    void icTypeLinesAreFixed() {
        QCOMPARE(icTypeListLines(Dialect::TSql),
                 (QStringList{"SELECT ICType, TypeDesc, LastVer, ICModel, HeadFlag, LabelSize, ",
                              "       LastFullSN=HeadFlag+dbo.inttohex(LastSN,6,0)",
                              "FROM DeviceICType ", "WHERE LabelSize='30X10'   AND IsActive='1'"}));
    }

    void icTypeListOnTheEmbeddedDatabase() {
        RecordSet set(dm->connectionName(), icTypeListFields());
        set.open(icTypeListLines(Dialect::Sqlite));
        QStringList rows;
        for (int r = 0; r < set.count(); ++r)
            rows << set.value(r, 0).toString() + "=" + set.value(r, 2).toString();
        rows.sort();
        QCOMPARE(rows, (QStringList{"VN3010A=VA000000", "VN3010B=VB001000", "VN3010C=VC000000"}));
        QCOMPARE(set.field(1).size, 100);
        QCOMPARE(set.fieldIndex("LastFullSN"), 2);
    }

    void orderListShowsOnlyThe30X10Orders() {
        insertOrder(order("VN3010A", 5));
        insertOrder(order("VN5020A", 5));
        insertOrder(order("VN3010B", 9));
        RecordSet set(dm->connectionName(), orderListFields());
        set.open(orderListLines(Dialect::Sqlite));
        QCOMPARE(set.count(), 2);
        QCOMPARE(set.value(0, set.fieldIndex("ICType")).toString(), QString("VN3010B"));
        QCOMPARE(set.value(0, set.fieldIndex("Amount")).toInt(), 9);
        QCOMPARE(set.currentRow(), 0);
    }

    void insertLines_data() {
        DataTable<NewOrder, QString>({"order", "valuesLine"})
            .row("quantity 12",
                 NewOrder{"VN3010A", 12, "Power IC", "V1.0", "生产版本", "标签打印程序"},
                 "  ( getdate(), 'VN3010A', '12', 'Power IC', 'V1.0', '生产版本', '标签打印程序', "
                 "'0' ) ")
            .row("quotes doubled", NewOrder{"O'K", 3, "it's', '9", "V'", "'", "a''b"},
                 "  ( getdate(), 'O''K', '3', 'it''s'', ''9', 'V''', '''', 'a''''b', '0' ) ");
    }
    void insertLines() {
        QFETCH(NewOrder, order);
        QFETCH(QString, valuesLine);
        const BoundStatement s = newOrderInsert(order, Dialect::TSql);
        QCOMPARE(s.lines.size(), 4);
        QCOMPARE(s.lines[0], QString("INSERT INTO DeviceICRelOrder") + QString(32, ' '));
        QCOMPARE(s.lines[1], QString(" ( Datime, ICType, Amount, TypeDesc,\tICVer, VerDesc, "
                                     "Remark, Flag ) "));
        QCOMPARE(s.lines[1].size(), 68);
        QCOMPARE(s.lines[2], QString("VALUES") + QString(54, ' '));
        QCOMPARE(s.lines[3], valuesLine);
        QVERIFY(s.bindings.isEmpty());
    }

    // The same values through the embedded database arrive whole.
    void insertBindsTheValues_data() { insertLines_data(); }
    void insertBindsTheValues() {
        QFETCH(NewOrder, order);
        QString sent;
        dm->qryEXEC().onExecute = [&](const QString& t) { sent = t; };
        insertOrder(order);
        QVERIFY(sent.contains("getdate(), ?, ?, ?, ?, ?, ?, '0'"));
        QSqlQuery q(dm->conADO());
        QVERIFY(q.exec("SELECT ICType, Amount, TypeDesc, ICVer, VerDesc, Remark, Flag, Datime, "
                       "typeof(Amount) FROM DeviceICRelOrder"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), order.icType);
        QCOMPARE(q.value(1).toInt(), order.amount);
        QCOMPARE(q.value(2).toString(), order.typeDesc);
        QCOMPARE(q.value(3).toString(), order.icVer);
        QCOMPARE(q.value(4).toString(), order.verDesc);
        QCOMPARE(q.value(5).toString(), order.remark);
        QCOMPARE(q.value(6).toString(), QString("0"));
        QVERIFY(!q.value(7).toString().isEmpty());
        QCOMPARE(q.value(8).toString(), QString("integer"));
        QVERIFY(!q.next());
    }

    void amountRule_data() {
        // amount: 0: refused
        DataTable<QString, int>({"text", "amount"})
            .row("12", "12", 12)
            .row("blanks around", " 7 ", 7)
            .row("leading zero", "012", 12)
            .row("one", "1", 1)
            .row("a million", "1000000", 1000000)
            .row("above a million", "1000001", 0)
            .row("zero", "0", 0)
            .row("negative", "-5", 0)
            .row("plus sign", "+5", 0)
            .row("fraction", "1.5", 0)
            .row("exponent", "1e3", 0)
            .row("letters", "abc", 0)
            .row("blanks only", "   ", 0)
            .row("empty", "", 0)
            .row("inner blank", "1 2", 0)
            .row("huge", "99999999999999999999", 0)
            .row("full-width digits", "１２", 0);
    }
    void amountRule() {
        QFETCH(QString, text);
        QFETCH(int, amount);
        const auto got = orderAmount(text);
        QCOMPARE(got.value_or(0), amount);
    }

    void procedureGivesSerialsAndLabels() {
        insertOrder(order("VN3010A", 7));
        insertOrder(order("VN3010B", 3));
        insertOrder(order("VN3010A", 2));
        QSqlDatabase db = dm->conADO();
        QCOMPARE(createDeviceICRelEmbedded(db), 3);
        QCOMPARE(column("SELECT FullSNFrom||'..'||FullSNTo||' '||HeadFlag||' '||Flag "
                        "FROM DeviceICRelOrder ORDER BY Iden_id"),
                 (QStringList{"VA000001..VA000007 VA 1", "VB001001..VB001003 VB 1",
                              "VA000008..VA000009 VA 1"}));
        QCOMPARE(column("SELECT ICType||'='||LastSN FROM DeviceICType WHERE ICType IN "
                        "('VN3010A','VN3010B') ORDER BY 1"),
                 (QStringList{"VN3010A=9", "VN3010B=4099"}));
        QStringList expected;
        for (int n = 1; n <= 9; ++n)
            expected << QString("VA%1").arg(n, 6, 10, QChar('0'));
        expected << "VB001001"
                 << "VB001002"
                 << "VB001003";
        QCOMPARE(column("SELECT LabelText FROM PrintLabel WHERE LabelText=Barcode AND "
                        "LabelSize='30X10' AND ifnull(PrintFlag,0)=0 AND PrintTime IS NULL AND "
                        "CreateTime IS NOT NULL ORDER BY LabelText"),
                 expected);
        QCOMPARE(column("SELECT count(*) FROM PrintLabel"), QStringList{"12"});
        // A second run finds nothing left to do.
        const QString after = state();
        QCOMPARE(createDeviceICRelEmbedded(db), 0);
        QCOMPARE(state(), after);
    }

    void serialsAreHexadecimal() {
        QSqlQuery(dm->conADO()).exec("UPDATE DeviceICType SET LastSN=14 WHERE ICType='VN3010C'");
        insertOrder(order("VN3010C", 3));
        QSqlDatabase db = dm->conADO();
        createDeviceICRelEmbedded(db);
        QCOMPARE(column("SELECT LabelText FROM PrintLabel ORDER BY 1"),
                 (QStringList{"VC00000F", "VC000010", "VC000011"}));
        // The chip-type list then shows the last serial given out.
        RecordSet set(dm->connectionName(), icTypeListFields());
        set.open(icTypeListLines(Dialect::Sqlite));
        QVERIFY(set.locate(0, "VN3010C"));
        QCOMPARE(set.fieldValue("LastFullSN").toString(), QString("VC000011"));
    }

    // A serial is a two-character head flag and six hexadecimal digits, its
    // barcode the digits. An order whose serials would not fit (past FFFFFF,
    // or a head flag of another length) is left new while the orders after it
    // still go through.
    void serialsStopAtSixDigits_data() {
        DataTable<QString, qint64, int, QString>({"headFlag", "lastSN", "amount", "range"})
            .row("ends on FFFFFF", "VC", qint64(0xFFFFFC), 3, "VC FFFFFD..FFFFFF 1")
            .row("one past FFFFFF", "VC", qint64(0xFFFFFC), 4, "- .. 0")
            .row("already at FFFFFF", "VC", qint64(0xFFFFFF), 1, "- .. 0")
            .row("beyond 32 bits", "VC", qint64(0x100000000), 1, "- .. 0")
            .row("negative LastSN", "VC", qint64(-5), 2, "- .. 0")
            .row("head flag of three", "VCX", qint64(0), 64, "- .. 0")
            .row("head flag of one", "V", qint64(0), 3, "- .. 0")
            .row("empty head flag", "", qint64(0), 3, "- .. 0")
            .row("no head flag", QString(), qint64(0), 3, "- .. 0")
            .row("head flag ending in a blank", "C ", qint64(0x100), 2, "C  000101..000102 1");
    }
    void serialsStopAtSixDigits() {
        QFETCH(QString, headFlag);
        QFETCH(qint64, lastSN);
        QFETCH(int, amount);
        QFETCH(QString, range);
        QSqlQuery set(dm->conADO());
        QVERIFY(set.prepare("UPDATE DeviceICType SET HeadFlag=?, LastSN=? WHERE ICType='VN3010C'"));
        set.addBindValue(headFlag.isNull() ? QVariant() : QVariant(headFlag));
        set.addBindValue(lastSN);
        QVERIFY(set.exec());
        insertOrder(order("VN3010C", amount));
        insertOrder(order("VN3010A", 2));
        QSqlDatabase db = dm->conADO();
        const bool given = range.endsWith(" 1");
        QCOMPARE(createDeviceICRelEmbedded(db), given ? 2 : 1);
        QCOMPARE(column("SELECT ifnull(HeadFlag,'-')||' '||substr(ifnull(FullSNFrom,''),3)||'..'||"
                        "substr(ifnull(FullSNTo,''),3)||' '||Flag FROM DeviceICRelOrder "
                        "ORDER BY Iden_id"),
                 (QStringList{range, "VA 000001..000002 1"}));
        QCOMPARE(column("SELECT LastSN FROM DeviceICType WHERE ICType='VN3010C'"),
                 QStringList{QString::number(given ? lastSN + amount : lastSN)});
        QCOMPARE(column("SELECT count(*) FROM PrintLabel WHERE TitleText='VN3010C'"),
                 QStringList{QString::number(given ? amount : 0)});
        QCOMPARE(column("SELECT count(DISTINCT substr(Barcode,3,6)) FROM PrintLabel"),
                 QStringList{QString::number(given ? amount + 2 : 2)});
        QCOMPARE(column("SELECT max(length(LabelText)) FROM PrintLabel"), QStringList{"8"});
    }

    void unknownTypeAndEmptyAmount() {
        insertOrder(order("NOSUCH", 4));
        QSqlQuery(dm->conADO())
            .exec("INSERT INTO DeviceICRelOrder (ICType, Amount, Flag) VALUES ('VN3010A', 0, '0')");
        QSqlDatabase db = dm->conADO();
        QCOMPARE(createDeviceICRelEmbedded(db), 0);
        QCOMPARE(column("SELECT ICType||' '||Flag FROM DeviceICRelOrder ORDER BY Iden_id"),
                 (QStringList{"NOSUCH 0", "VN3010A 1"}));
        QCOMPARE(column("SELECT count(*) FROM PrintLabel"), QStringList{"0"});
    }

    // A label refused in the middle of the second order: nothing is changed.
    void failureInTheMiddleChangesNothing() {
        insertOrder(order("VN3010A", 5));
        insertOrder(order("VN3010B", 5));
        QSqlQuery trigger(dm->conADO());
        QVERIFY2(trigger.exec("CREATE TRIGGER refuse BEFORE INSERT ON PrintLabel "
                              "WHEN NEW.Barcode='VB001003' BEGIN "
                              "SELECT RAISE(ABORT, 'label refused'); END"),
                 qPrintable(trigger.lastError().text()));
        const QString before = state();
        QSqlDatabase db = dm->conADO();
        try {
            createDeviceICRelEmbedded(db);
            QFAIL("no error");
        } catch (const AppError& e) {
            QVERIFY2(e.text().contains("label refused"), qPrintable(e.text()));
        }
        QCOMPARE(state(), before);
        // Once the cause is gone the same orders go through.
        QVERIFY(QSqlQuery(dm->conADO()).exec("DROP TRIGGER refuse"));
        QCOMPARE(createDeviceICRelEmbedded(db), 2);
        QCOMPARE(column("SELECT count(*) FROM PrintLabel"), QStringList{"10"});
    }

    void runTracesTheStatementOnEachDialect() {
        QStringList sent;
        dm->qryEXEC().onExecute = [&](const QString& t) { sent << t; };
        insertOrder(order("VN3010A", 2));
        sent.clear();
        runCreateDeviceICRel(*dm);
        QCOMPARE(sent, QStringList{"EXECUTE sp_CreateDeviceICRel"});
        QCOMPARE(column("SELECT Flag FROM DeviceICRelOrder"), QStringList{"1"});

        // SQL Server gets the statement itself (here without a connection).
        TDMdata server("QODBC");
        QStringList serverSent;
        server.qryEXEC().onExecute = [&](const QString& t) { serverSent << t; };
        QVERIFY_THROWS_EXCEPTION(AppError, runCreateDeviceICRel(server));
        QCOMPARE(serverSent, QStringList{"EXECUTE sp_CreateDeviceICRel"});
    }
};

QTEST_GUILESS_MAIN(TestOrders)
#include "tst_orders.moc"
