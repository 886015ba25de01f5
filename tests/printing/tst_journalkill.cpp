#include "core/TestAbort.h"
#include "journal/PrintJournal.h"
#include "printing/StripRecovery.h"
#include "tests/support/TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// A station killed at each step of a strip, then started again: the journal
// names exactly the strips left unfinished, their records are held from later
// runs, and the operator's decision marks exactly the right records. And a
// journal that cannot be written stops the run before anything is printed.
class TestJournalKill : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString db, journalFile, out;
    QProcess printerProcess;
    quint16 printerPort = 0;

    struct Child {
        int exitCode = -1;
        QString output;
    };

    Child runChild(const QString& abortAt, bool feedback, const QStringList& extra = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("VORNELL_TEST_ABORT_AT");
        if (!abortAt.isEmpty())
            env.insert("VORNELL_TEST_ABORT_AT", abortAt);
        if (feedback) {
            env.insert("VORNELL_PRINTER_USB1", QString("tcp:127.0.0.1:%1").arg(printerPort));
            env.insert("VORNELL_PRINTER_USB1_STATUS", "on");
        } else {
            env.insert("VORNELL_PRINTER_USB1", "file:" + out);
            env.insert("VORNELL_PRINTER_USB1_STATUS", "off");
        }
        p.setProcessEnvironment(env);
        QStringList args{db, journalFile};
        if (feedback)
            args << "--feedback";
        p.start(JOURNAL_CHILD, args + extra);
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
        printerProcess.start(VORNELL_VIRTUAL_PRINTER,
                             {"--listen", "127.0.0.1:0", "--speed", "200"});
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
        for (int i = 1; i <= 9; ++i)
            addLabel(dm->conADO(), "2026-12-09 08:00:00",
                     QString("VA%1").arg(i, 6, 10, QChar('0')));
    }

    void killedAtStep_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("feedback");
        QTest::addColumn<bool>("markPrinted"); // the operator's choice, else print again
        QTest::addColumn<QSet<qint64>>("affected");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("bytesOut"); // the first strip reached the port
        const QSet<qint64> first{1, 2, 3};
        for (bool mark : {true, false}) {
            const char* choice = mark ? "mark printed" : "print again";
            QTest::addRow("sending, %s", choice)
                << "sending" << false << mark << first << "sending" << false;
            QTest::addRow("sent, %s", choice) << "sent" << false << mark << first << "sent" << true;
            // With feedback the three strips are one group, confirmed together.
            QTest::addRow("confirmed, %s", choice)
                << "confirmed" << true << mark << range(1, 9) << "confirmed" << true;
            QTest::addRow("marked, %s", choice)
                << "marked" << false << mark << QSet<qint64>() << "" << true;
        }
    }
    void killedAtStep() {
        QFETCH(QString, step);
        QFETCH(bool, feedback);
        QFETCH(bool, markPrinted);
        QFETCH(QSet<qint64>, affected);
        QFETCH(QString, state);
        QFETCH(bool, bytesOut);

        const Child killed = runChild(step, feedback);
        QVERIFY2(killed.exitCode == kTestAbortExitCode, qPrintable(killed.output));
        if (!feedback)
            QCOMPARE(QFile(out).size() > 0, bytesOut);
        const QSet<qint64> markedBefore = step == "marked" ? range(1, 3) : QSet<qint64>();
        QCOMPARE(marked(), markedBefore);

        QSet<qint64> listed;
        {
            PrintJournal journal;
            journal.open(journalFile);
            const QList<UnfinishedStrip> strips = unfinishedStrips(journal, 437);
            for (const UnfinishedStrip& s : strips) {
                QCOMPARE(stateName(s.journaled.state()), state);
                for (const JournalRecord& r : s.journaled.records)
                    listed.insert(r.idenId);
            }
            QCOMPARE(listed, affected);
            QCOMPARE(journal.heldIds(), affected);
        }

        // Started again: everything else prints, the held records do not.
        const Child again = runChild({}, feedback);
        QVERIFY2(again.exitCode == 0, qPrintable(again.output));
        QCOMPARE(marked(), range(1, 9) - affected);

        {
            PrintJournal journal;
            journal.open(journalFile);
            auto dm = openEmbedded(db);
            QList<qint64> entries;
            for (const JournalEntry& e : journal.unfinished())
                entries << e.id;
            if (markPrinted)
                markStripsPrinted(journal, dm->qryEXEC(), entries);
            else
                releaseStrips(journal, entries);
            QVERIFY(journal.unfinished().isEmpty());
            QVERIFY(journal.heldIds().isEmpty());
            for (qint64 id : entries)
                QCOMPARE(journal.entry(id)->state(),
                         markPrinted ? StripState::Marked : StripState::Released);
        }
        QCOMPARE(marked(), markPrinted ? range(1, 9) : range(1, 9) - affected);

        // Released records print in the next run.
        const Child last = runChild({}, feedback);
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
        QTest::newRow("full disk") << "full"
                                   << "cannot be written";
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

        const Child run = runChild({}, false, extra);
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.output.contains("Print journal " + QFileInfo(journalFile).absoluteFilePath()),
                 qPrintable(run.output));
        QVERIFY2(run.output.contains(reason), qPrintable(run.output));
        QVERIFY2(run.output.contains("Nothing is printed"), qPrintable(run.output));
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
