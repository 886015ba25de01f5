#include "tests/printer/ZbarReader.h"
#include "tests/station/StationProcess.h"
#include "tests/support/TestServer.h"

#include <QDate>
#include <QImage>
#include <QTemporaryDir>

// The shipped vornell program on the SQL Server test server, as a plant runs
// it: status, then the unattended station printing to the virtual printer.
class TestServerStation : public QObject {
    Q_OBJECT
    const TestServer server = TestServer::fromEnvironment();
    QTemporaryDir dir;

    QProcessEnvironment env(const QString& usb1) const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        server.addTo(e);
        e.insert("VORNELL_PRINTER_USB1", usb1);
        e.insert("VORNELL_AUTO_INTERVAL_MS", "300");
        return e;
    }

private slots:
    void initTestCase() { writeStationLayout(dir.path()); }
    void init() {
        REQUIRE_TEST_SERVER(server);
        server.freshCatalog();
    }

    void statusConnects() {
        Child p(VORNELL, {"status"}, env("preview:" + dir.filePath("status")), dir.path());
        QCOMPARE(p.finish(), 0);
        QVERIFY2(p.out().contains(QString("database SQL Server 127.0.0.1,%1 (TovikCust): connected")
                                      .arg(server.port)),
                 qPrintable(p.out() + p.err()));
    }

    // 30 unprinted labels of today: each printed once, marked with the
    // server's time; the three the query leaves alone stay as they were.
    void autoPrintsEachListedLabelOnce() {
        auto dm = server.open();
        const QSqlDatabase db = dm->conADO();
        const QString today = QDate::currentDate().toString("yyyy-MM-dd ") + "08:00:00";
        const QString yesterday =
            QDate::currentDate().addDays(-1).toString("yyyy-MM-dd ") + "08:00:00";
        QStringList listed;
        const auto add = [&](const QString& created, const QString& text, int flag,
                             const QString& size) {
            TestServer::exec(db,
                             "INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, "
                             "LabelText, Barcode, PrintFlag) VALUES (CONVERT(datetime, ?, 120), "
                             "?, 'VN3010A', ?, ?, ?)",
                             {created, size, text, text, flag});
        };
        for (int i = 1; i <= 30; ++i) {
            const QString text = QString("QZ%1").arg(i, 6, 10, QChar('0'));
            add(today, text, 0, "30X10");
            listed << text.mid(2);
        }
        add(today, "QZ900001", 1, "30X10");
        add(yesterday, "QZ900002", 0, "30X10");
        add(today, "QZ900003", 0, "50X20");
        const QDateTime before = TestServer::scalar(db, "SELECT getdate()").toDateTime();

        const QString out = dir.filePath("printed");
        QDir().mkpath(out);
        Child p(VORNELL, {"auto"}, env("preview:" + out), dir.path());
        QVERIFY2(p.waitFor(QRegularExpression("run 2: no labels to print")),
                 qPrintable(p.out() + p.err()));
        p.signal(SIGTERM);
        QCOMPARE(p.finish(), 0);
        QVERIFY2(p.out().contains("run 1: 30 records listed, 10 strips printed and marked"),
                 qPrintable(p.out() + p.err()));
        const QDateTime after = TestServer::scalar(db, "SELECT getdate()").toDateTime();

        QStringList read;
        for (const QString& png : QDir(out).entryList({"strip-*.png"}, QDir::Files))
            for (const QByteArray& code : readBarcodes(QImage(QDir(out).filePath(png))))
                read << QString::fromUtf8(code);
        read.sort();
        QCOMPARE(read, listed); // each once

        QSqlQuery q = TestServer::query(db);
        QVERIFY(q.exec("SELECT LabelText, PrintFlag, PrintTime FROM PrintLabel ORDER BY "
                       "LabelText"));
        QStringList marked, untouched;
        while (q.next()) {
            const QString text = q.value(0).toString();
            if (q.value(1).toInt() == 1 && text != "QZ900001") {
                const QDateTime t = q.value(2).toDateTime();
                QVERIFY2(t >= before && t <= after, qPrintable(text + " " + t.toString()));
                marked << text.mid(2);
            } else {
                untouched << text;
            }
        }
        QCOMPARE(marked, listed);
        QCOMPARE(untouched, (QStringList{"QZ900001", "QZ900002", "QZ900003"}));
    }

    // Two stations on the server, side by side: each label printed once.
    void twoStationsPrintEachLabelOnce() {
        auto dm = server.open();
        const QSqlDatabase db = dm->conADO();
        const QString today = QDate::currentDate().toString("yyyy-MM-dd ") + "08:00:00";
        QStringList listed;
        for (int i = 1; i <= 60; ++i) {
            const QString text = QString("QZ%1").arg(i, 6, 10, QChar('0'));
            TestServer::exec(db,
                             "INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, "
                             "LabelText, Barcode, PrintFlag) VALUES (CONVERT(datetime, ?, 120), "
                             "'30X10', 'VN3010A', ?, ?, 0)",
                             {today, text, text});
            listed << text.mid(2);
        }
        QStringList outs;
        std::vector<std::unique_ptr<Child>> stations;
        for (const char* name : {"line1", "line2"}) {
            outs << dir.filePath(QString("two-") + name);
            QDir().mkpath(outs.last());
            QProcessEnvironment e = env("preview:" + outs.last());
            e.insert("VORNELL_STATION", name);
            e.insert("VORNELL_JOURNAL", dir.filePath(QString(name) + "-journal.db"));
            stations.push_back(
                std::make_unique<Child>(VORNELL, QStringList{"auto"}, e, dir.path()));
        }
        for (auto& s : stations)
            QVERIFY2(s->waitFor(QRegularExpression("run \\d+: no labels to print")),
                     qPrintable(s->out() + s->err()));
        for (auto& s : stations) {
            s->signal(SIGTERM);
            QCOMPARE(s->finish(), 0);
        }
        QStringList read;
        for (const QString& out : std::as_const(outs))
            for (const QString& png : QDir(out).entryList({"strip-*.png"}, QDir::Files))
                for (const QByteArray& code : readBarcodes(QImage(QDir(out).filePath(png))))
                    read << QString::fromUtf8(code);
        read.sort();
        QCOMPARE(read, listed);
        QCOMPARE(
            TestServer::scalar(db, "SELECT count(*) FROM PrintLabel WHERE PrintFlag = 1").toInt(),
            60);
        QCOMPARE(TestServer::scalar(db, "SELECT count(*) FROM VornellClaim").toInt(), 0);
    }
};

QTEST_MAIN(TestServerStation)
#include "tst_serverstation.moc"
