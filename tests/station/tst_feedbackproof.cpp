#include "StationProcess.h"
#include "journal/PrintJournal.h"
#include "tests/printer/ZbarReader.h"
#include "tests/support/TestDatabase.h"

#include <QDate>
#include <QImage>
#include <QTemporaryDir>

// vornell auto against printers that answer slowly, garble their answers,
// never answer, or answered once and then stop: in each, the records marked
// are a subset of the labels the printer printed, and a printer that talks
// (or once did) is never printed to blind.

namespace {

using Ids = QSet<qint64>;

struct Line {
    QTemporaryDir dir;
    QString db = dir.filePath("labels.db");
    QHash<QByteArray, qint64> idOf;

    Line() { writeStationLayout(dir.path()); }
    void addLabels(int from, int count) {
        auto dm = openEmbedded(db);
        const QString today = QDate::currentDate().toString("yyyy-MM-dd") + " 08:00:00";
        for (int i = from; i < from + count; ++i) {
            const QString text = QString("VA%1").arg(i, 6, 10, QChar('0'));
            idOf.insert(text.mid(2).toUtf8(), addLabel(dm->conADO(), today, text));
        }
    }
    Ids marked() {
        auto dm = openEmbedded(db);
        QSqlQuery q(dm->conADO());
        q.exec("SELECT Iden_id FROM PrintLabel WHERE PrintFlag=1");
        Ids ids;
        while (q.next())
            ids.insert(q.value(0).toLongLong());
        return ids;
    }
    Ids printed(const QString& out) {
        Ids ids;
        for (const QString& png : QDir(out).entryList({"strip-*.png"}, QDir::Files))
            for (const QByteArray& code : readBarcodes(QImage(QDir(out).filePath(png))))
                ids.insert(idOf.value(code, -1));
        return ids;
    }
    QProcessEnvironment env(const QString& target) const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("VORNELL_DB", "sqlite:" + db);
        e.insert("VORNELL_STATION", "line1");
        e.insert("VORNELL_JOURNAL", dir.filePath("journal.db"));
        e.insert("VORNELL_PRINTER_USB1", target);
        e.insert("VORNELL_AUTO_INTERVAL_MS", "300");
        e.insert("INVOCATION_ID", "test");
        return e;
    }
    // One vornell auto until its log matches until (then SIGTERM); its log.
    QString runUntil(const QString& target, const QRegularExpression& until) {
        Child p(VORNELL, {"auto"}, env(target), dir.path());
        const bool seen = p.waitFor(until, 120000);
        p.signal(SIGTERM);
        p.finish();
        const QString log = p.out() + p.err();
        if (!seen)
            qWarning("no %s in: %s", qPrintable(until.pattern()), qPrintable(log));
        return seen ? log : QString();
    }
};

} // namespace

class TestFeedbackProof : public QObject {
    Q_OBJECT
private slots:
    void markedOnlyWhatCameOut_data() {
        QTest::addColumn<QStringList>("printer");
        QTest::addColumn<QString>("logSays");
        QTest::addColumn<bool>("nothingPrinted");
        QTest::newRow("answers in 700 ms, paper out after 2 strips")
            << QStringList{"--status-latency", "700", "--paper-out-after", "2"} << "out of paper"
            << false;
        // Answers at once, before it has read the strips waiting in its
        // input buffer: an idle answer then says nothing of them.
        QTest::newRow("answers ahead of its buffer, paper out after 2 strips")
            << QStringList{"--interpret-delay", "150", "--paper-out-after", "2"} << "out of paper"
            << false;
        QTest::newRow("hangs after 4 strips")
            << QStringList{"--hang-after", "4"} << "held, not printed until a person decides"
            << false;
        QTest::newRow("garbled answers")
            << QStringList{"--garble"} << "the printer's status answer cannot be read" << true;
        QTest::newRow("never answers")
            << QStringList{"--mute"} << "a network acknowledgement does not show" << true;
    }
    void markedOnlyWhatCameOut() {
        QFETCH(QStringList, printer);
        QFETCH(QString, logSays);
        QFETCH(bool, nothingPrinted);
        Line line;
        line.addLabels(1, 30);
        const QString out = line.dir.filePath("printed");
        QDir().mkpath(out);
        VirtualPrinterProcess p(out, QStringList{"--speed", "4"} + printer);
        QVERIFY(p.port() != 0);
        const QString log = line.runUntil(
            p.target(), QRegularExpression("run 1: .*" + QRegularExpression::escape(logSays)));
        QVERIFY(!log.isEmpty());
        p.stop();
        const Ids marked = line.marked();
        const Ids printed = line.printed(out);
        QVERIFY2((marked - printed).isEmpty(), qPrintable(log));
        if (nothingPrinted) {
            QCOMPARE(printed, Ids{});
            QCOMPARE(marked, Ids{});
        } else {
            QVERIFY(!printed.isEmpty());
        }
    }

    // A printer that answered, stopped and came back mute: the station
    // remembers that it answers and prints nothing blind.
    void answeredThenHung() {
        Line line;
        line.addLabels(1, 9);
        const QString out = line.dir.filePath("printed");
        QDir().mkpath(out);
        quint16 port = 0;
        {
            VirtualPrinterProcess p(out, {"--speed", "4"});
            port = p.port();
            QVERIFY(
                !line.runUntil(p.target(), QRegularExpression("run 1: 9 records listed, 3 strips "
                                                              "printed and marked.*confirmed"))
                     .isEmpty());
            p.stop();
        }
        QCOMPARE(line.marked().size(), 9);
        {
            PrintJournal journal;
            journal.open(line.dir.filePath("journal.db"));
            const QList<JournalEntry> strips = journal.entries({});
            QCOMPARE(strips.size(), 3);
            for (const JournalEntry& e : strips)
                QCOMPARE(e.evidence, QString("confirmed"));
        }
        line.addLabels(10, 9);
        VirtualPrinterProcess mute(out, {"--speed", "4", "--mute"}, port);
        QCOMPARE(mute.port(), port);
        const QString log = line.runUntil(
            mute.target(), QRegularExpression("answered status requests before and does not now"));
        QVERIFY(!log.isEmpty());
        mute.stop();
        QCOMPARE(line.marked().size(), 9);
        QCOMPARE(line.printed(out).size(), 9);
    }
};

QTEST_GUILESS_MAIN(TestFeedbackProof)
#include "tst_feedbackproof.moc"
