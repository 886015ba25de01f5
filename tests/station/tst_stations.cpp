#include "StationProcess.h"
#include "db/RecordClaims.h"
#include "forms/umainBarcode.h"
#include "printing/StripRecovery.h"
#include "tests/printer/ZbarReader.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QCheckBox>
#include <QCoreApplication>

#include <QDate>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

// Several shipped vornell auto stations on one embedded database, each with
// its own networked virtual printer, while another program inserts labels:
// every label printed once, all marked; and a station killed with strips in
// flight whose held records no station prints again.

namespace {

using Codes = QList<QByteArray>;

struct Floor {
    QTemporaryDir dir;
    QString db = dir.filePath("labels.db");

    Floor() {
        writeStationLayout(dir.path());
        openEmbedded(db); // the schema
    }
    void addLabels(int from, int count) {
        auto dm = openEmbedded(db);
        const QString today = QDate::currentDate().toString("yyyy-MM-dd") + " 08:00:00";
        for (int i = from; i < from + count; ++i)
            addLabel(dm->conADO(), today, QString("VA%1").arg(i, 6, 10, QChar('0')));
    }
    int count(const QString& where) {
        auto dm = openEmbedded(db);
        return scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel WHERE " + where).toInt();
    }
    QProcessEnvironment env(const QString& station, const QString& printer) const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("VORNELL_DB", "sqlite:" + db);
        e.insert("VORNELL_STATION", station);
        e.insert("VORNELL_JOURNAL", dir.filePath(station + "-journal.db"));
        e.insert("VORNELL_PRINTER_USB1", printer);
        e.insert("VORNELL_AUTO_INTERVAL_MS", "150");
        e.insert("INVOCATION_ID", "test");
        return e;
    }
    QString out(const QString& station) const {
        const QString d = dir.filePath("printed-" + station);
        QDir().mkpath(d);
        return d;
    }
};

// Every barcode in the pictures of the folders, as often as it was printed.
Codes printedCodes(const QStringList& folders) {
    Codes codes;
    for (const QString& folder : folders)
        for (const QString& png : QDir(folder).entryList({"strip-*.png"}, QDir::Files))
            codes += readBarcodes(QImage(QDir(folder).filePath(png)));
    std::sort(codes.begin(), codes.end());
    return codes;
}

Codes codesOf(int from, int count, const char* head = "") {
    Codes codes;
    for (int i = from; i < from + count; ++i)
        codes << QByteArray(head) + QByteArray::number(i).rightJustified(6, '0');
    std::sort(codes.begin(), codes.end());
    return codes;
}

bool waitUntil(const std::function<bool()>& done, int ms) {
    const QDeadlineTimer until(ms);
    while (!done()) {
        if (until.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}

} // namespace

class TestStations : public QObject {
    Q_OBJECT
private slots:
    // Three stations and a writer inserting while they print. The printers
    // print at their rated 4 in/s: a printer that finishes a strip before its
    // first status answer leaves nothing that proves the strip, and it is held.
    void threeStationsAndAWriter() {
        Floor f;
        f.addLabels(1, 60);
        const QStringList names{"line1", "line2", "line3"};
        std::vector<std::unique_ptr<VirtualPrinterProcess>> printers;
        std::vector<std::unique_ptr<Child>> stations;
        for (const QString& n : names) {
            printers.push_back(
                std::make_unique<VirtualPrinterProcess>(f.out(n), QStringList{"--speed", "4"}));
            QVERIFY(printers.back()->port() != 0);
            stations.push_back(std::make_unique<Child>(
                VORNELL, QStringList{"auto"}, f.env(n, printers.back()->target()), f.dir.path()));
        }
        Child writer(LABEL_WRITER, {f.db, "150", "1000", "8"},
                     QProcessEnvironment::systemEnvironment(), f.dir.path());
        QCOMPARE(writer.finish(120000), 0);
        QVERIFY2(writer.out().contains("inserted 150 "), qPrintable(writer.out() + writer.err()));
        QVERIFY2(waitUntil([&] { return f.count("ifnull(PrintFlag,0)=0") == 0; }, 240000),
                 qPrintable(QString::number(f.count("ifnull(PrintFlag,0)=0"))));
        for (auto& s : stations) {
            s->signal(SIGTERM);
            QCOMPARE(s->finish(), 0);
        }
        QStringList folders;
        for (std::size_t i = 0; i < printers.size(); ++i) {
            printers[i]->stop();
            folders << f.out(names[int(i)]);
        }
        Codes expected = codesOf(1, 60) + codesOf(1000, 150);
        std::sort(expected.begin(), expected.end());
        QCOMPARE(printedCodes(folders), expected); // each once
        QCOMPARE(f.count("PrintFlag=1"), 210);
        QCOMPARE(f.count("Iden_id IN (SELECT Iden_id FROM VornellClaim)"), 0);
        // Each station printed some of them: they printed side by side.
        for (const QString& folder : std::as_const(folders))
            QVERIFY2(!printedCodes({folder}).isEmpty(), qPrintable(folder));
    }

    // A label text a barcode cannot carry: that record is held for a person
    // and every other one prints, instead of each run ending on it.
    void refusedRecordIsHeldTheOthersPrint() {
        Floor f;
        f.addLabels(1, 3);
        {
            auto dm = openEmbedded(f.db);
            addLabel(dm->conADO(), QDate::currentDate().toString("yyyy-MM-dd") + " 08:00:00",
                     QStringLiteral(u"VA中文0004"));
        }
        f.addLabels(5, 8);
        VirtualPrinterProcess printer(f.out("line1"), {"--speed", "4"});
        Child station(VORNELL, {"auto"}, f.env("line1", printer.target()), f.dir.path());
        QVERIFY2(station.waitFor(QRegularExpression("run 3: no labels to print")),
                 qPrintable(station.out() + station.err()));
        station.signal(SIGTERM);
        QCOMPARE(station.finish(), 0);
        printer.stop();
        QCOMPARE(f.count("PrintFlag=1"), 11);
        QCOMPARE(f.count("Iden_id IN (SELECT Iden_id FROM VornellClaim WHERE State='held' AND "
                         "Reason LIKE '%correct its label text%')"),
                 1);
        QCOMPARE(station.err().count("Iden_id 4), barcode"), 1); // said once
        Codes expected = codesOf(1, 3) + codesOf(5, 8);
        std::sort(expected.begin(), expected.end());
        QCOMPARE(printedCodes({f.out("line1")}), expected);
    }

    // The window's automatic printing beside a vornell auto, while labels
    // keep coming: each printed once, by one of them.
    void windowBesideAnAutoStation() {
        Floor f;
        f.addLabels(1, 45);
        VirtualPrinterProcess printer(f.out("auto"), {"--speed", "4"});
        Child station(VORNELL, {"auto"}, f.env("auto", printer.target()), f.dir.path());
        Child writer(LABEL_WRITER, {f.db, "60", "1000", "20"},
                     QProcessEnvironment::systemEnvironment(), f.dir.path());
        auto dm = openEmbedded(f.db);
        PplaPrinter preview(usb1At("preview:" + f.out("window")));
        ScriptedPrompts prompts;
        TmainBarcode w(*dm, prompts, preview);
        w.setLabelLayout(stripLayout());
        w.show();
        w.cbAutoPrint->click();
        const QDeadlineTimer until(240000);
        while (writer.process().state() != QProcess::NotRunning ||
               f.count("ifnull(PrintFlag,0)=0") > 0) {
            QVERIFY(!until.hasExpired());
            w.Timer1Tag = 56; // the next tick is a run
            w.Timer1Timer();
            QCoreApplication::processEvents();
            QThread::msleep(50);
        }
        QCOMPARE(writer.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer.process().exitCode(), 0); // never refused
        station.signal(SIGTERM);
        QCOMPARE(station.finish(), 0);
        printer.stop();
        QVERIFY2(prompts.shown.empty(),
                 qPrintable(prompts.shown.empty() ? QString() : prompts.shown[0].text));
        Codes expected = codesOf(1, 45) + codesOf(1000, 60);
        std::sort(expected.begin(), expected.end());
        QCOMPARE(printedCodes({f.out("auto"), f.out("window")}), expected);
        QVERIFY(!printedCodes({f.out("window")}).isEmpty());
        QVERIFY(!printedCodes({f.out("auto")}).isEmpty());
    }

    // Station A killed with a group of strips in flight (confirmed by the
    // printer, not yet marked); station B on the same database prints
    // everything else and none of A's; A started again with its journal
    // deleted prints none of them either and says so; both see them held.
    void killedStationsStripsStayHeld() {
        Floor f;
        f.addLabels(1, 24);
        VirtualPrinterProcess printerA(f.out("A"), {"--speed", "4"});
        VirtualPrinterProcess printerB(f.out("B"), {"--speed", "4"});
        {
            QProcessEnvironment env = f.env("A", printerA.target());
            env.insert("VORNELL_TEST_ABORT_AT", "confirmed");
            Child a(VORNELL, {"auto"}, env, f.dir.path());
            QCOMPARE(a.finish(120000), 86); // kTestAbortExitCode
        }
        const int held = f.count("Iden_id IN (SELECT Iden_id FROM VornellClaim)");
        QCOMPARE(held, 24); // the first group: 8 strips
        QCOMPARE(f.count("PrintFlag=1"), 0);

        f.addLabels(25, 9);
        {
            Child b(VORNELL, {"auto"}, f.env("B", printerB.target()), f.dir.path());
            QVERIFY2(b.waitFor(QRegularExpression("run 2: no labels to print")),
                     qPrintable(b.out() + b.err()));
            b.signal(SIGTERM);
            QCOMPARE(b.finish(), 0);
        }
        QVERIFY(QFile::remove(f.dir.filePath("A-journal.db")));
        {
            Child a(VORNELL, {"auto"}, f.env("A", printerA.target()), f.dir.path());
            QVERIFY2(a.waitFor(QRegularExpression("run 2: no labels to print")),
                     qPrintable(a.out() + a.err()));
            a.signal(SIGTERM);
            QCOMPARE(a.finish(), 0);
            QVERIFY2((a.out() + a.err())
                         .contains("<4>auto: 24 records of station A are held in the "
                                   "database, not printed until a person decides (the print "
                                   "journal is missing or empty"),
                     qPrintable(a.out() + a.err()));
        }
        printerA.stop();
        printerB.stop();
        QCOMPARE(printedCodes({f.out("A")}), codesOf(1, 24));
        QCOMPARE(printedCodes({f.out("B")}), codesOf(25, 9));
        QCOMPARE(f.count("PrintFlag=1"), 9);
        // Every station lists the 24 records, naming station A.
        auto dm = openEmbedded(f.db);
        for (const char* station : {"A", "B"}) {
            RecordClaims claims(dm->qryEXEC(), dm->conADO(), station);
            int listed = 0;
            for (const UnfinishedStrip& s : unfinishedStrips(nullptr, claims, 437)) {
                QCOMPARE(s.station, QString("A"));
                listed += int(s.ids.size());
            }
            QCOMPARE(listed, 24);
        }
    }
};

QTEST_MAIN(TestStations)
#include "tst_stations.moc"
