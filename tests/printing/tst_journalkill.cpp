#include "core/TestAbort.h"
#include "db/RecordClaims.h"
#include "journal/PrintJournal.h"
#include "printing/StripRecovery.h"
#include "tests/station/StationProcess.h"
#include "tests/support/TestDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The shipped vornell auto killed at each step of a strip, then started
// again: the journal and the database's claims hold exactly the strips left
// unfinished, no later run prints their records, and a person's decision
// marks exactly the right records. And a journal that cannot be written
// stops the run before anything is printed (journal_child).
class TestJournalKill : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString db, journalFile, out;
    QProcess printerProcess;
    quint16 printerPort = 0;

    struct Run {
        int exitCode = -1;
        QString output;
    };

    QProcessEnvironment stationEnv(bool feedback, const QString& station = "line1") const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("VORNELL_TEST_ABORT_AT");
        env.insert("VORNELL_DB", "sqlite:" + db);
        env.insert("VORNELL_JOURNAL", journalFile);
        env.insert("VORNELL_STATION", station);
        env.insert("VORNELL_AUTO_INTERVAL_MS", "200");
        if (feedback) {
            env.insert("VORNELL_PRINTER_USB1", QString("tcp:127.0.0.1:%1").arg(printerPort));
            env.insert("VORNELL_PRINTER_USB1_STATUS", "on");
        } else {
            env.insert("VORNELL_PRINTER_USB1", "file:" + out);
            env.insert("VORNELL_PRINTER_USB1_STATUS", "off");
        }
        return env;
    }
    // vornell auto until the step (killed there), or until its second run
    // (ended by SIGTERM).
    Run runAuto(const QString& abortAt, bool feedback) {
        QProcessEnvironment env = stationEnv(feedback);
        if (!abortAt.isEmpty())
            env.insert("VORNELL_TEST_ABORT_AT", abortAt);
        Child p(VORNELL, {"auto"}, env, dir.path());
        if (abortAt.isEmpty()) {
            if (!p.waitFor(QRegularExpression("run 2: ")))
                return {-1, p.out() + p.err()};
            p.signal(SIGTERM);
        }
        const int code = p.finish(120000);
        return {code, p.out() + p.err()};
    }
    QSet<qint64> claimed() {
        auto dm = openEmbedded(db);
        QSet<qint64> ids;
        QSqlQuery q(dm->conADO());
        q.exec("SELECT Iden_id FROM VornellClaim");
        while (q.next())
            ids.insert(q.value(0).toLongLong());
        return ids;
    }
    QSet<qint64> held() {
        auto dm = openEmbedded(db);
        RecordClaims claims(dm->qryEXEC(), dm->conADO(), "line1");
        PrintJournal journal;
        journal.open(journalFile);
        QSet<qint64> ids;
        for (const UnfinishedStrip& s : unfinishedStrips(&journal, claims, 437)) {
            for (const JournalRecord& r : s.journaled.records)
                ids.insert(r.idenId);
            for (qint64 id : s.ids)
                ids.insert(id);
        }
        return ids;
    }

    // vornell held --json: the records of the strips it lists.
    QSet<qint64> listedHeld() {
        Child p(VORNELL, {"held", "--json"}, stationEnv(false), dir.path());
        if (p.finish() != 0)
            qWarning("held: %s", qPrintable(p.err()));
        QSet<qint64> ids;
        for (const QJsonValue strip : QJsonDocument::fromJson(p.out().toUtf8()).array())
            for (const QJsonValue r : strip[QStringLiteral("records")].toArray())
                ids.insert(r[QStringLiteral("iden_id")].toInteger());
        return ids;
    }

    // journal_child: a run of the list through a PrintStation, for faults
    // of the journal file itself (a read-only file, a file size limit).
    Run runChild(const QStringList& extra) {
        QProcess p;
        p.setProcessEnvironment(stationEnv(false));
        p.start(JOURNAL_CHILD, QStringList{db, journalFile} + extra);
        if (!p.waitForFinished(120000))
            qFatal("journal_child did not finish");
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError())};
    }

    QSet<qint64> marked() {
        auto dm = openEmbedded(db);
        QSet<qint64> ids;
        QSqlQuery q(dm->conADO());
        q.exec("SELECT Iden_id FROM PrintLabel WHERE PrintFlag=1");
        while (q.next())
            ids.insert(q.value(0).toLongLong());
        return ids;
    }

    static QSet<qint64> range(qint64 from, qint64 to) {
        QSet<qint64> s;
        for (qint64 i = from; i <= to; ++i)
            s.insert(i);
        return s;
    }

private slots:
    void initTestCase() {
        writeStationLayout(dir.path());
        printerProcess.start(VORNELL_VIRTUAL_PRINTER,
                             {"--listen", "127.0.0.1:0", "--speed", "4"});
        QVERIFY(printerProcess.waitForStarted(10000));
        QVERIFY(printerProcess.waitForReadyRead(10000));
        const auto m = QRegularExpression("listening on 127\\.0\\.0\\.1:(\\d+)")
                           .match(QString::fromLocal8Bit(printerProcess.readLine()));
        QVERIFY(m.hasMatch());
        printerPort = quint16(m.captured(1).toUInt());
    }
    void cleanupTestCase() {
        printerProcess.terminate();
        printerProcess.waitForFinished(10000);
    }

    // Nine labels, three strips; the journal starts empty.
    void init() {
        static int n = 0;
        ++n;
        db = dir.filePath(QString("labels%1.db").arg(n));
        journalFile = dir.filePath(QString("journal%1.db").arg(n));
        out = dir.filePath(QString("out%1.ppla").arg(n));
        auto dm = openEmbedded(db);
        const QString today = QDate::currentDate().toString("yyyy-MM-dd") + " 08:00:00";
        for (int i = 1; i <= 9; ++i)
            addLabel(dm->conADO(), today, QString("VA%1").arg(i, 6, 10, QChar('0')));
    }

    void killedAtStep_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("feedback");
        QTest::addColumn<bool>("markPrinted"); // the person's choice, else print again
        QTest::addColumn<QSet<qint64>>("markedAtKill");
        QTest::addColumn<QSet<qint64>>("held");
        QTest::addColumn<bool>("bytesOut"); // the first strip reached the port
        const QSet<qint64> first{1, 2, 3};
        for (bool mark : {true, false}) {
            const char* choice = mark ? "mark printed" : "print again";
            QTest::addRow("claimed, %s", choice)
                << "claimed" << false << mark << QSet<qint64>() << first << false;
            QTest::addRow("sending, %s", choice)
                << "sending" << false << mark << QSet<qint64>() << first << false;
            QTest::addRow("sent, %s", choice)
                << "sent" << false << mark << QSet<qint64>() << first << true;
            // With feedback the three strips are one group, confirmed together.
            QTest::addRow("confirmed, %s", choice)
                << "confirmed" << true << mark << QSet<qint64>() << range(1, 9) << true;
            // Marked and released in the database, not yet in the journal.
            QTest::addRow("released, %s", choice)
                << "released" << false << mark << first << first << true;
            QTest::addRow("marked, %s", choice)
                << "marked" << false << mark << first << QSet<qint64>() << true;
        }
    }
    void killedAtStep() {
        QFETCH(QString, step);
        QFETCH(bool, feedback);
        QFETCH(bool, markPrinted);
        QFETCH(QSet<qint64>, markedAtKill);
        QFETCH(QSet<qint64>, held);
        QFETCH(bool, bytesOut);

        const Run killed = runAuto(step, feedback);
        QVERIFY2(killed.exitCode == kTestAbortExitCode, qPrintable(killed.output));
        if (!feedback)
            QCOMPARE(QFile(out).size() > 0, bytesOut);
        QCOMPARE(marked(), markedAtKill);
        // Until the station starts again its strip in flight is claimed:
        // listed by the journal, or only by the database's claims. With no
        // process of the station alive, vornell held lists exactly those.
        QCOMPARE(this->held() + claimed(), held);
        QCOMPARE(listedHeld(), held);

        // Started again: everything else prints, the held records do not.
        const Run again = runAuto({}, feedback);
        QVERIFY2(again.exitCode == 0, qPrintable(again.output));
        QCOMPARE(marked(), range(1, 9) - (held - markedAtKill));
        QCOMPARE(this->held(), held);

        // A person decides from the command line; the journal keeps who and why.
        Child decide(VORNELL,
                     {"decide", "all", markPrinted ? "mark" : "print-again", "--reason",
                      "checked the roll", "--by", "shift lead"},
                     stationEnv(false), dir.path());
        QVERIFY2(decide.finish() == 0, qPrintable(decide.out() + decide.err()));
        QCOMPARE(listedHeld(), QSet<qint64>());
        QCOMPARE(this->held(), QSet<qint64>());
        if (!held.isEmpty()) {
            Child history(VORNELL, {"history", "--json"}, stationEnv(false), dir.path());
            QCOMPARE(history.finish(), 0);
            QVERIFY2(history.out().contains("by shift lead: checked the roll"),
                     qPrintable(history.out()));
        }
        QCOMPARE(marked(), markPrinted ? range(1, 9) : range(1, 9) - (held - markedAtKill));

        // Released records print in the next run.
        const Run last = runAuto({}, feedback);
        QVERIFY2(last.exitCode == 0, qPrintable(last.output));
        QCOMPARE(marked(), range(1, 9));
    }

    // A journal the station cannot write stops the run before the first
    // byte: the message names the file and the reason, nothing is printed,
    // nothing is marked.
    void unusableJournal_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only file") << "readonly"
                                        << "cannot be opened";
        QTest::newRow("random bytes") << "corrupt"
                                      << "cannot be opened";
        // A full disk stops the claim of the first strip, before the journal.
        QTest::newRow("full disk") << "full"
                                   << "could not be claimed in the label database";
    }
    void unusableJournal() {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QStringList extra;
        if (fault == "corrupt") {
            QFile f(journalFile);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray noise(64 * 1024, '\0');
            for (char& c : noise)
                c = char(QRandomGenerator::global()->generate());
            f.write(noise);
        } else {
            // A journal that was fine, written by an earlier run.
            PrintJournal journal;
            journal.open(journalFile);
        }
        if (fault == "readonly") {
            // Others may read the folder; the file is no one's to write.
            QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
            QVERIFY(::chmod(QFile::encodeName(db).constData(), 0666) == 0);
            QVERIFY(::chmod(QFile::encodeName(journalFile).constData(), 0444) == 0);
            extra << "--journal-as-nobody";
        }
        if (fault == "full")
            extra << "--fsize-limit"
                  << "1";
        const QByteArray journalBefore = [&] {
            QFile f(journalFile);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();

        const Run run = runChild(extra);
        QCOMPARE(run.exitCode, 3);
        if (fault != "full") {
            QVERIFY2(
                run.output.contains("Print journal " + QFileInfo(journalFile).absoluteFilePath()),
                qPrintable(run.output));
            QVERIFY2(run.output.contains("Nothing is printed"), qPrintable(run.output));
        }
        QVERIFY2(run.output.contains(reason), qPrintable(run.output));
        QVERIFY(!QFile::exists(out) || QFile(out).size() == 0);
        QCOMPARE(marked(), QSet<qint64>());
        if (fault != "full") {
            QFile f(journalFile);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), journalBefore);
        }
    }
};

QTEST_GUILESS_MAIN(TestJournalKill)
#include "tst_journalkill.moc"
