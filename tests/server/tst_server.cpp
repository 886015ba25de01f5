#include "core/AppError.h"
#include "db/CreateDeviceICRel.h"
#include "db/LabelList.h"
#include "db/LabelQuery.h"
#include "db/OrderStatements.h"
#include "db/RecordClaims.h"
#include "db/RecordSet.h"
#include "forms/SrchDlg.h"
#include "forms/umainBarcode.h"
#include "printer/PplaPrinter.h"
#include "printer/RecordingPpla.h"
#include "printing/ListPrinter.h"
#include "printing/PrintMarking.h"
#include "printing/PrintProgress.h"
#include "printing/PrintStation.h"
#include "settings/uBarcode.h"
#include "tests/printer/ZbarReader.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestServer.h"

#include <QDate>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

// The station's own statements run on a SQL Server-compatible server, each
// test on a TovikCust made new by the reference script.
class TestServerStatements : public QObject {
    Q_OBJECT
    const TestServer server = TestServer::fromEnvironment();
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;

    QSqlDatabase db() const { return dm->conADO(); }
    static QString day(int offset, const char* time = "08:00:00") {
        return QDate::currentDate().addDays(offset).toString("yyyy-MM-dd ") + time;
    }
    qint64 addLabel(const QString& created, const QString& text, const QVariant& flag = 0,
                    const QString& size = "30X10", const QString& title = "VN3010A") {
        TestServer::exec(db(),
                         "INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, LabelText, "
                         "Barcode, PrintFlag) VALUES (CONVERT(datetime, ?, 120), ?, ?, ?, ?, ?)",
                         {created, size, title, text, text, flag});
        return TestServer::scalar(db(), "SELECT max(Iden_id) FROM PrintLabel").toLongLong();
    }
    void addChipType(const QString& type, const QString& desc, const QString& head,
                     const QString& size = "30X10", int lastSN = 0, const QString& active = "1") {
        TestServer::exec(db(),
                         "INSERT INTO DeviceICType (ICType, TypeDesc, LastVer, ICModel, HeadFlag, "
                         "LabelSize, LastSN, IsActive) VALUES (?, ?, 'V1.0', 'QFN-16', ?, ?, ?, ?)",
                         {type, desc, head, size, lastSN, active});
    }
    QStringList column(const QString& sql) const {
        QSqlQuery q = TestServer::query(db());
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    static QStringList texts(const LabelList& list) {
        QStringList out;
        for (int r = 0; r < list.count(); ++r)
            out << list.value(r, LabelList::LabelText).toString().trimmed();
        return out;
    }

private slots:
    void init() {
        REQUIRE_TEST_SERVER(server);
        server.freshCatalog();
        dm = server.open();
    }
    void cleanup() { dm.reset(); }

    // The reference script again on the same database: no error, the same
    // objects.
    void referenceScriptRunsTwice() {
        const QString objects =
            "SELECT CAST(name AS varchar(128)) + ':' + CAST(type AS varchar(2)) FROM sys.objects "
            "WHERE is_ms_shipped = 0 ORDER BY name, type";
        const QStringList before = column(objects);
        QVERIFY(before.size() >= 5);
        QCOMPARE(TestServer::runScriptReport(db(), TestServer::referenceScript()), QString());
        QCOMPARE(column(objects), before);
        // One index for the label query, however often the script ran.
        QCOMPARE(column("SELECT count(*) FROM sys.index_columns ic JOIN sys.columns c ON "
                        "c.object_id = ic.object_id AND c.column_id = ic.column_id WHERE "
                        "ic.object_id = OBJECT_ID('dbo.PrintLabel') AND ic.key_ordinal = 1 AND "
                        "c.name = 'LabelSize'"),
                 QStringList{"1"});
    }

    // The label query with each of the main window's filters.
    void labelQuery_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<bool>("toPrint");
        QTest::addColumn<int>("fromDay");
        QTest::addColumn<QString>("like");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("unprinted of today")
            << "30X10" << true << 0 << ""
            << "" << QStringList{"VA000001", "VA000003", "VB'00005"};
        QTest::newRow("printed of today") << "30X10" << false << 0 << ""
                                          << "" << QStringList{"VA000002"};
        QTest::newRow("from yesterday")
            << "30X10" << true << -1 << ""
            << "" << QStringList{"VA000001", "VA000003", "VA000004", "VB'00005"};
        QTest::newRow("other size") << "50X20" << true << 0 << ""
                                    << "" << QStringList{"WA000001"};
        QTest::newRow("text") << "30X10" << true << -1 << "A0000"
                              << "" << QStringList{"VA000001", "VA000003", "VA000004"};
        QTest::newRow("a quote in the text") << "30X10" << true << 0 << "B'0"
                                             << "" << QStringList{"VB'00005"};
        // 8 bytes or more: every date and both print states.
        QTest::newRow("7 bytes") << "30X10" << false << 0 << "VA00000"
                                 << "" << QStringList{"VA000002"};
        QTest::newRow("8 bytes") << "30X10" << false << 0 << "VA000004"
                                 << "" << QStringList{"VA000004"};
        QTest::newRow("top 2") << "30X10" << true << -1 << ""
                               << "2" << QStringList{"VA000001", "VA000003"};
    }
    void labelQuery() {
        QFETCH(QString, size);
        QFETCH(bool, toPrint);
        QFETCH(int, fromDay);
        QFETCH(QString, like);
        QFETCH(QString, amount);
        QFETCH(QStringList, expected);
        addLabel(day(0), "VA000003");
        addLabel(day(0), "VA000001");
        addLabel(day(0, "00:00:00"), "VA000002", 1);
        addLabel(day(-1, "23:59:59"), "VA000004");
        addLabel(day(0), "VB'00005", QVariant());
        addLabel(day(0), "WA000001", 0, "50X20");
        LabelFilter f;
        f.labelSize = size;
        f.toPrint = toPrint;
        f.createdFrom = QDate::currentDate().addDays(fromDay);
        f.labelLike = like;
        f.amountText = amount;
        LabelList list(dm->connectionName());
        list.open(labelQueryLines(f, Dialect::TSql));
        QCOMPARE(texts(list), expected);
    }

    // Marking takes the server's clock, kept to the millisecond.
    void markingTakesTheServersTime() {
        const qint64 a = addLabel(day(0), "VA000001");
        const qint64 b = addLabel(day(0), "VA000002");
        const qint64 other = addLabel(day(0), "VA000003");
        const QDateTime before = TestServer::scalar(db(), "SELECT getdate()").toDateTime();
        SetPrintFlag(dm->qryEXEC(), a, b, 0);
        const QDateTime after = TestServer::scalar(db(), "SELECT getdate()").toDateTime();
        QSqlQuery q = TestServer::query(db());
        QVERIFY(q.exec("SELECT Iden_id, PrintFlag, PrintTime, CONVERT(varchar(23), PrintTime, "
                       "121) FROM PrintLabel ORDER BY Iden_id"));
        QList<qint64> marked;
        while (q.next()) {
            if (q.value(1).toInt() != 1) {
                QVERIFY(q.value(2).isNull());
                continue;
            }
            marked << q.value(0).toLongLong();
            const QDateTime t = q.value(2).toDateTime();
            QVERIFY2(t >= before.addMSecs(-4) && t <= after.addMSecs(4),
                     qPrintable(t.toString(Qt::ISODateWithMs)));
            QCOMPARE(t.toString("yyyy-MM-dd HH:mm:ss.zzz"), q.value(3).toString());
        }
        QCOMPARE(marked, (QList<qint64>{a, b}));
        Q_UNUSED(other);
    }

    // The chip types of the order manager's pick, in the search dialog, its
    // second column as wide as the server's field.
    void chipTypesInTheSearchDialog_data() {
        QTest::addColumn<QString>("descType");
        QTest::addColumn<int>("width");
        QTest::newRow("varchar(100)") << "" << 176;
        QTest::newRow("varchar(9)") << "varchar(9)" << 90;
    }
    void chipTypesInTheSearchDialog() {
        QFETCH(QString, descType);
        QFETCH(int, width);
        if (!descType.isEmpty())
            TestServer::exec(db(), "ALTER TABLE DeviceICType ALTER COLUMN TypeDesc " + descType);
        addChipType("VN3010B", "Motor drv", "VB", "30X10", 4096);
        addChipType("VN3010A", "Power IC", "VA");
        addChipType("VN3010D", "Retired", "VD", "30X10", 0, "0");
        addChipType("VN5020A", "Ctrl IC", "WA", "50X20");
        RecordSet set(dm->connectionName(), icTypeListFields());
        set.open(icTypeListLines(Dialect::TSql));
        QStringList rows;
        for (int r = 0; r < set.count(); ++r)
            rows << set.value(r, 0).toString() + "/" + set.value(r, 2).toString();
        rows.sort();
        QCOMPARE(rows, (QStringList{"VN3010A/VA000000", "VN3010B/VB001000"}));
        ScriptedPrompts prompts;
        TFSrchDlg dlg(prompts);
        dlg.AttachDataSet(&set);
        int shownWidth = 0;
        TFSrchDlg::modalDriver = [&](TFSrchDlg& d) { shownWidth = d.DBGrid1->columnWidth(1); };
        dlg.showModal();
        TFSrchDlg::modalDriver = nullptr;
        QCOMPARE(shownWidth, width);
    }

    // An order with a quote in every text, its serials from the reference
    // script's procedure, and the next order's serials after them.
    void orderAndSerials() {
        addChipType("VN3010A", "Power IC", "VA", "30X10", 0x0ff);
        NewOrder order{"VN3010A", 3, "O'Neil's", "V'1", "it''s", "'quoted'"};
        const BoundStatement insert = newOrderInsert(order, Dialect::TSql);
        dm->qryEXEC().run(insert.lines, insert.bindings);
        dm->qryEXEC().run(insert.lines, insert.bindings);
        runCreateDeviceICRel(*dm);
        RecordSet orders(dm->connectionName(), orderListFields());
        orders.open(orderListLines(Dialect::TSql));
        QCOMPARE(orders.count(), 2);
        QStringList seen;
        for (int r = orders.count() - 1; r >= 0; --r) {
            QStringList values;
            for (const char* name : {"ICType", "TypeDesc", "ICVer", "VerDesc", "Amount", "Remark",
                                     "FullSNFrom", "FullSNTo"})
                values << orders.value(r, orders.fieldIndex(name)).toString();
            seen << values.join('|');
        }
        QCOMPARE(seen, (QStringList{"VN3010A|O'Neil's|V'1|it''s|3|'quoted'|VA000100|VA000102",
                                    "VN3010A|O'Neil's|V'1|it''s|3|'quoted'|VA000103|VA000105"}));
        QCOMPARE(column("SELECT LabelText + '/' + CAST(PrintFlag AS varchar) FROM PrintLabel "
                        "ORDER BY LabelText"),
                 (QStringList{"VA000100/0", "VA000101/0", "VA000102/0", "VA000103/0", "VA000104/0",
                              "VA000105/0"}));
        QCOMPARE(column("SELECT LastSN FROM DeviceICType"), QStringList{"261"});
        QCOMPARE(column("SELECT Flag FROM DeviceICRelOrder"), (QStringList{"1", "1"}));
    }

    // Two stations' claims: a record one station claimed is passed over by
    // the other; the records the first marked are passed over by the second.
    void claimsOfTwoStations() {
        QList<qint64> ids;
        for (int i = 1; i <= 9; ++i)
            ids << addLabel(day(0), QString("VA%1").arg(i, 6, 10, QChar('0')));
        auto other = server.open();
        RecordClaims theirs(other->qryEXEC(), other->conADO(), "line2");
        QCOMPARE(theirs.take({ids[7], ids[8]}, "their-strip").claimed,
                 (QList<int64_t>{ids[7], ids[8]}));

        LabelFilter f;
        f.labelSize = "30X10";
        f.createdFrom = QDate::currentDate();
        LabelList first(dm->connectionName()), second(other->connectionName());
        first.open(labelQueryLines(f, Dialect::TSql));
        second.open(labelQueryLines(f, Dialect::TSql));
        QCOMPARE(second.count(), 9);
        RecordingPpla ppla;
        const TLabelLayout layout = stripLayout();
        SilentProgress progress;
        PrintStation line1(dm.get(), ppla, nullptr, nullptr, "line1", 437);
        const ListPrintResult printed =
            line1.printList(first, layout, LabelFormat::Barcode, progress);
        QCOMPARE(printed.failure, QString());
        QCOMPARE(printed.stripsPrinted, 3);
        QCOMPARE(printed.claimedElsewhere, 2);
        PrintStation line2(other.get(), ppla, nullptr, nullptr, "line2", 437);
        const ListPrintResult passed =
            line2.printList(second, layout, LabelFormat::Barcode, progress);
        QCOMPARE(passed.stripsPrinted, 0);
        QCOMPARE(passed.printedElsewhere, 7);
        QCOMPARE(column("SELECT count(*) FROM PrintLabel WHERE PrintFlag = 1"), QStringList{"7"});
        QCOMPARE(column("SELECT Station FROM VornellClaim"), (QStringList{"line2", "line2"}));
    }

    // Chinese texts in varchar (code page 936 on this server) and nvarchar
    // columns come back exactly, in the grid's model and in the printed text.
    void chineseText_data() {
        QTest::addColumn<QString>("type");
        QTest::newRow("varchar") << "varchar";
        QTest::newRow("nvarchar") << "nvarchar";
    }
    void chineseText() {
        QFETCH(QString, type);
        TestServer::exec(db(),
                         QString("ALTER TABLE PrintLabel ALTER COLUMN TitleText %1(20)").arg(type));
        TestServer::exec(db(),
                         QString("ALTER TABLE PrintLabel ALTER COLUMN LabelText %1(50)").arg(type));
        const QString title = QStringLiteral(u"电源芯片");
        const QString text = QStringLiteral(u"VA000001批次甲");
        addLabel(day(0), text, 0, "30X10", title);
        LabelFilter f;
        f.labelSize = "30X10";
        f.createdFrom = QDate::currentDate();
        LabelList list(dm->connectionName());
        list.open(labelQueryLines(f, Dialect::TSql));
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.data(list.index(0, LabelList::TitleText), Qt::DisplayRole).toString(), title);
        QCOMPARE(list.value(0, LabelList::LabelText).toString().trimmed(), text);
        RecordingPpla ppla;
        const TLabelLayout layout = stripLayout();
        SilentProgress progress;
        PrintStation station(dm.get(), ppla, nullptr, nullptr, "line1", 437);
        const ListPrintResult result =
            station.printList(list, layout, LabelFormat::Barcode, progress);
        QCOMPARE(result.failure, QString());
        QStringList printed;
        for (const auto& c : ppla.calls())
            if (c.op == "A_Prn_Text_TrueType")
                printed << QString::fromUtf8(c.args[10].toByteArray());
        QCOMPARE(printed, (QStringList{"SN:" + text, "SN:", "SN:"}));
    }

    // Query and BatchPrint in the window, offscreen, on the virtual printer:
    // every record marked, every barcode read back.
    void windowBatchPrint() {
        QStringList expected;
        for (int i = 1; i <= 8; ++i) {
            addLabel(day(0), QString("VA%1").arg(i, 6, 10, QChar('0')));
            expected << QString("%1").arg(i, 6, 10, QChar('0'));
        }
        QTemporaryDir out;
        PplaPrinter printer(usb1At("preview:" + out.path()));
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, printer);
        w.setLabelLayout(stripLayout());
        w.show();
        QTest::mouseClick(w.BtnQuery, Qt::LeftButton);
        QCOMPARE(w.qryLable->count(), 8);
        QTest::mouseClick(w.btnBatchPrint, Qt::LeftButton);
        QVERIFY2(prompts.shown.empty(),
                 qPrintable(prompts.shown.empty() ? QString() : prompts.shown[0].text));
        QCOMPARE(column("SELECT count(*) FROM PrintLabel WHERE PrintFlag = 1 AND PrintTime IS "
                        "NOT NULL"),
                 QStringList{"8"});
        QStringList read;
        for (const QString& png : QDir(out.path()).entryList({"*.png"}, QDir::Files))
            for (const QByteArray& c : readBarcodes(QImage(out.filePath(png))))
                read << QString::fromUtf8(c);
        read.sort();
        QCOMPARE(read, expected);
    }
};

QTEST_MAIN(TestServerStatements)
#include "tst_server.moc"
