#include "StationProcess.h"
#include "tests/printer/ZbarReader.h"
#include "tests/support/TestDatabase.h"

#include <QDate>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

// vornell auto run as a process against an embedded database and the
// networked virtual printer: it prints and marks what the label query lists,
// ends cleanly on SIGTERM, and marks exactly the records whose labels came out.

namespace {

using Ids = QSet<qint64>;

struct Station {
    QTemporaryDir dir;
    QString dbPath;
    QHash<QByteArray, qint64> idOfBarcode; // characters 3-8 of the text -> Iden_id

    Station() : dbPath(dir.filePath("station.db")) { writeStationLayout(dir.path()); }

    // count unprinted labels of today, and three the query must leave alone.
    Ids addLabels(int count) {
        auto dm = openEmbedded(dbPath);
        QSqlDatabase db = dm->conADO();
        const QString today = QDate::currentDate().toString("yyyy-MM-dd") + " 08:00:00";
        const QString yesterday =
            QDate::currentDate().addDays(-1).toString("yyyy-MM-dd") + " 08:00:00";
        Ids ids;
        for (int i = 0; i < count; ++i) {
            const QString text = QStringLiteral("QZ%1").arg(i, 6, 10, QLatin1Char('0'));
            const qint64 id = addLabel(db, today, text);
            idOfBarcode.insert(text.mid(2, 6).toUtf8(), id);
            ids.insert(id);
        }
        addLabel(db, today, "QZ900001", 1);                   // printed already
        addLabel(db, yesterday, "QZ900002");                  // created before today
        addLabel(db, today, "QZ900003", QVariant(), "50X20"); // another size
        return ids;
    }

    Ids marked() const {
        auto dm = openEmbedded(dbPath);
        QSqlQuery q(dm->conADO());
        q.exec("SELECT Iden_id FROM PrintLabel WHERE PrintFlag = 1 AND LabelText < 'QZ9'");
        Ids ids;
        while (q.next())
            ids.insert(q.value(0).toLongLong());
        return ids;
    }

    // The records whose barcodes the virtual printer printed, read from its
    // pictures.
    Ids printed(const QString& outDir) const {
        Ids ids;
        for (const QString& png : QDir(outDir).entryList({"strip-*.png"}, QDir::Files))
            for (const QByteArray& code : readBarcodes(QImage(QDir(outDir).filePath(png)))) {
                if (!idOfBarcode.contains(code))
                    qWarning("unexpected barcode %s", code.constData());
                ids.insert(idOfBarcode.value(code, -1));
            }
        return ids;
    }

    QProcessEnvironment env(const QString& usb1, int intervalMs) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VORNELL_DB", "sqlite:" + dbPath);
        env.insert("VORNELL_PRINTER_USB1", usb1);
        env.insert("VORNELL_AUTO_INTERVAL_MS", QString::number(intervalMs));
        env.insert("INVOCATION_ID", "test"); // as under systemd: priorities on every line
        return env;
    }
};

} // namespace

class TestAutoProcess : public QObject {
    Q_OBJECT
private slots:
    // Everything listed is printed and marked in the first run; the next run
    // finds nothing; SIGTERM ends it with 0.
    void printsAndMarksThenStops() {
        Station st;
        const Ids listed = st.addLabels(10);
        const QString out = st.dir.filePath("printed");
        QDir().mkpath(out);
        VirtualPrinterProcess printer(out, {"--speed", "4"});
        QVERIFY(printer.port() != 0);
        Child p(VORNELL, {"auto"}, st.env(printer.target(), 200), st.dir.path());
        QVERIFY2(p.waitFor(QRegularExpression("<6>run 2: no labels to print")),
                 qPrintable(p.out() + p.err()));
        p.signal(SIGTERM);
        QCOMPARE(p.finish(), 0);
        printer.stop();
        QVERIFY2(p.out().contains("<6>run 1: 10 records listed, 4 strips printed and marked on "
                                  "USB1 (" +
                                  printer.target() + ")"),
                 qPrintable(p.out()));
        QCOMPARE(p.out().count(QRegularExpression("<6>run 1 strip \\d: ")), 4);
        QVERIFY(p.out().contains("<6>auto: stopped by a signal"));
        QCOMPARE(st.marked(), listed);
        QCOMPARE(st.printed(out), listed);
    }

    // SIGTERM in the middle of a long run: the strips in hand are finished
    // and marked, nothing after them is sent, and the marked records are
    // exactly those whose labels came out.
    void stopsMidRunMarkingWhatCameOut_data() {
        QTest::addColumn<QStringList>("printerArgs");
        QTest::addColumn<bool>("paperOut");
        QTest::newRow("printing") << QStringList{"--speed", "8"} << false;
        QTest::newRow("out of paper")
            << QStringList{"--speed", "8", "--paper-out-after", "10"} << true;
    }
    void stopsMidRunMarkingWhatCameOut() {
        QFETCH(QStringList, printerArgs);
        QFETCH(bool, paperOut);
        Station st;
        const Ids listed = st.addLabels(90);
        const QString out = st.dir.filePath("printed");
        QDir().mkpath(out);
        VirtualPrinterProcess printer(out, printerArgs);
        QVERIFY(printer.port() != 0);
        Child p(VORNELL, {"auto"}, st.env(printer.target(), 60000), st.dir.path());
        if (paperOut)
            QVERIFY2(p.waitFor(QRegularExpression("<3>run 1: .*out of paper")),
                     qPrintable(p.out() + p.err()));
        else
            QVERIFY2(p.waitFor(QRegularExpression("<6>run 1 strip 3: ")), qPrintable(p.out()));
        p.signal(SIGTERM);
        QCOMPARE(p.finish(), 0);
        printer.stop();
        const Ids marked = st.marked();
        const Ids came = st.printed(out);
        QVERIFY(!came.isEmpty());
        QVERIFY(came.size() < listed.size());
        // Nothing is marked that did not come out; what came out unmarked is
        // held and named in the log for a person to decide.
        QVERIFY((marked - came).isEmpty());
        Ids named;
        const auto m = QRegularExpression("Iden_id (\\d+)").globalMatch(p.err());
        for (auto it = m; it.hasNext();)
            named.insert(it.next().captured(1).toLongLong());
        QVERIFY((came - marked - named).isEmpty());
        if (!paperOut)
            QCOMPARE(marked, came);
    }

    // A port that is not there: each run says so, nothing is marked; once
    // the printer is there the next run prints everything.
    void portThatComesAndGoes() {
        Station st;
        const Ids listed = st.addLabels(6);
        const quint16 port = closedPort();
        const QString target = QStringLiteral("tcp:127.0.0.1:%1").arg(port);
        Child p(VORNELL, {"auto"}, st.env(target, 300), st.dir.path());
        QVERIFY2(p.waitFor(QRegularExpression("<3>run 2: .*Open USB fail!")),
                 qPrintable(p.out() + p.err()));
        QVERIFY2(p.err().contains("<3>run 1: 6 records listed, 0 strips printed and marked on "
                                  "USB1 (" +
                                  target + "); ended: Open USB fail!"),
                 qPrintable(p.err()));
        QCOMPARE(st.marked(), Ids{});
        const QString out = st.dir.filePath("printed");
        QDir().mkpath(out);
        VirtualPrinterProcess printer(out, {"--speed", "4"}, port);
        QVERIFY(printer.port() == port);
        QVERIFY2(p.waitFor(QRegularExpression("<6>run \\d+: 6 records listed, 2 strips printed")),
                 qPrintable(p.out() + p.err()));
        p.signal(SIGINT);
        QCOMPARE(p.finish(), 0);
        printer.stop();
        QCOMPARE(st.marked(), listed);
        QCOMPARE(st.printed(out), listed);
    }

    // A device that takes no byte (a full one): the strip was not sent, so
    // nothing is held, and every run tries the same records again.
    void deviceThatTakesNothing() {
        Station st;
        st.addLabels(6);
        Child p(VORNELL, {"auto"}, st.env("file:/dev/full", 300), st.dir.path());
        QVERIFY2(p.waitFor(QRegularExpression("<3>run 2: 6 records listed, 0 strips")),
                 qPrintable(p.out() + p.err()));
        p.signal(SIGTERM);
        QCOMPARE(p.finish(), 0);
        QCOMPARE(st.marked(), Ids{});
        QVERIFY2(!p.out().contains("held"), qPrintable(p.out()));
        QProcessEnvironment env = st.env("file:/dev/full", 300);
        Child held(VORNELL, {"held", "--json"}, env, st.dir.path());
        QCOMPARE(held.finish(), 0);
        QCOMPARE(held.out().simplified(), QString("[ ]"));
    }
};

QTEST_GUILESS_MAIN(TestAutoProcess)
#include "tst_autoprocess.moc"
