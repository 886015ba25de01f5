#include "core/AppError.h"
#include "db/LabelList.h"
#include "db/RecordClaims.h"
#include "journal/PrintJournal.h"
#include "printer/PplaPrinter.h"
#include "printer/RecordingPpla.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "printing/StripJournal.h"
#include "printing/StripRecovery.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StationRun.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

// Print runs write the journal; held records are passed over; the operator's
// decisions mark exactly the records of the strips decided.
class TestJournalRun : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    std::unique_ptr<LabelList> list;
    std::unique_ptr<PrintJournal> journal;
    std::unique_ptr<StripJournal> strips;
    SilentProgress silent;
    TLabelLayout layout = stripLayout();
    int n = 0;

    void fill(int records) {
        list.reset();
        dm.reset();
        strips.reset();
        journal.reset();
        ++n;
        dm = openEmbedded(dir.filePath(QString("run%1.db").arg(n)));
        for (int i = 1; i <= records; ++i)
            addLabel(dm->conADO(), "2026-12-09 08:00:00", QString("VA%1").arg(i));
        list = std::make_unique<LabelList>(dm->connectionName());
        list->open({"SELECT * FROM PrintLabel ORDER BY Iden_id"});
        journal = std::make_unique<PrintJournal>();
        journal->open(dir.filePath(QString("journal%1.db").arg(n)));
        strips = std::make_unique<StripJournal>(*journal, "embedded test");
    }
    ListPrintResult print(PplaApi& ppla) {
        return printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent, -1, nullptr, {},
                            strips.get());
    }
    QSet<qint64> marked() const {
        QSet<qint64> out;
        QSqlQuery q(dm->conADO());
        q.exec("SELECT Iden_id FROM PrintLabel WHERE PrintFlag=1");
        while (q.next())
            out << q.value(0).toLongLong();
        return out;
    }
    QStringList steps(const JournalEntry& e) const {
        QStringList out;
        for (const JournalEvent& ev : e.events)
            out << stateName(ev.state);
        return out;
    }
    PplaPrinterOptions toFile(const QString& path) {
        PplaPrinterOptions o;
        o.env = [path](const QString& name) {
            return name == "VORNELL_PRINTER_USB1" ? "file:" + path : QString();
        };
        return o;
    }

private slots:
    // Each strip: sending, sent (with the hash of the bytes the port got),
    // marked; plan, records, port and device as printed.
    void journalsEachStrip() {
        fill(4);
        const QString out = dir.filePath("strips.ppla");
        PplaPrinter printer(toFile(out));
        const ListPrintResult r = print(printer);
        QVERIFY2(r.completed, qPrintable(r.failure));
        const QList<JournalEntry> all = journal->entries({});
        QCOMPARE(all.size(), 2);
        const JournalEntry& first = all.last();
        QCOMPARE(steps(first), (QStringList{"sending", "sent", "marked"}));
        QCOMPARE(first.records.size(), 3);
        QCOMPARE(first.records[1].idenId, 2);
        QCOMPARE(first.records[1].text, QString("VA2"));
        QCOMPARE(first.port, QString("USB1"));
        QCOMPARE(first.database, QString("embedded test"));
        const QJsonObject plan = QJsonDocument::fromJson(first.planJson.toUtf8()).object();
        QCOMPARE(plan["port"].toString(), QString("USB1"));
        QCOMPARE(plan["records"].toArray().at(2).toObject()["text"].toString(), QString("VA3"));
        // The file holds both strips, one after the other: the first strip's
        // hash is that of the file's first part.
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const QByteArray second = QByteArray::fromHex(all.first().sha256().toLatin1());
        QVERIFY(!first.sha256().isEmpty());
        bool split = false;
        for (qsizetype at = 1; at < bytes.size() && !split; ++at)
            split = QCryptographicHash::hash(bytes.left(at), QCryptographicHash::Sha256).toHex() ==
                        first.sha256().toLatin1() &&
                    QCryptographicHash::hash(bytes.mid(at), QCryptographicHash::Sha256) == second;
        QVERIFY(split);
        QVERIFY(journal->unfinished().isEmpty());
        QCOMPARE(marked(), (QSet<qint64>{1, 2, 3, 4}));
    }

    // A strip that never went out is failed and holds nothing; one whose
    // bytes may have gone out is uncertain and holds its records.
    void failedStrip_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QSet<qint64>>("held");
        QTest::newRow("port does not open") << "A_CreatePrn"
                                            << "failed" << QSet<qint64>{};
        QTest::newRow("write fails") << "A_Print_Out"
                                     << "uncertain" << QSet<qint64>{1, 2, 3};
    }
    void failedStrip() {
        QFETCH(QString, op);
        QFETCH(QString, state);
        QFETCH(QSet<qint64>, held);
        fill(6);
        RecordingPpla ppla;
        ppla.setResult(op, 1);
        ppla.setLastErrorText("No such device");
        const ListPrintResult r = print(ppla);
        QVERIFY(!r.failure.isEmpty());
        const QList<JournalEntry> all = journal->entries({});
        QCOMPARE(all.size(), 1);
        QCOMPARE(stateName(all.first().state()), state);
        QCOMPARE(all.first().events.last().reason, r.failure);
        QCOMPARE(journal->heldIds(), held);
        QCOMPARE(marked(), QSet<qint64>());
    }

    // Held records are passed over by every run until decided; "Mark
    // printed" marks exactly them, "Print again" lets the next run print them.
    void heldUntilDecided_data() {
        QTest::addColumn<bool>("markPrinted");
        QTest::newRow("mark printed") << true;
        QTest::newRow("print again") << false;
    }
    void heldUntilDecided() {
        QFETCH(bool, markPrinted);
        fill(7);
        NewStrip s;
        s.port = "USB1";
        s.records = {{2, "VA2"}, {5, "VA5"}};
        const qint64 left = journal->begin(s);
        journal->note(left, StripState::Sent);
        QCOMPARE(heldRecordsText(int(journal->heldIds().size()), 437),
                 QString("2 records held: see Unfinished strips"));

        RecordingPpla ppla;
        QVERIFY(print(ppla).completed);
        QStringList texts;
        for (const auto& c : ppla.calls())
            if (c.op == "A_Prn_Text_TrueType")
                texts << QString::fromUtf8(c.args[10].toByteArray());
        QVERIFY2(!texts.join(',').contains("VA2") && !texts.join(',').contains("VA5"),
                 qPrintable(texts.join(',')));
        QCOMPARE(marked(), (QSet<qint64>{1, 3, 4, 6, 7}));

        const QList<UnfinishedStrip> open = unfinishedStrips(*journal, 437);
        QCOMPARE(open.size(), 1);
        QVERIFY2(open.first().line.endsWith("USB1  VA2, VA5  -  sent, no confirmation"),
                 qPrintable(open.first().line));
        RecordClaims claims(dm->qryEXEC(), dm->conADO(), "test station");
        if (markPrinted)
            markStripsPrinted(*journal, claims, {left});
        else
            releaseStrips(*journal, {left});
        QCOMPARE(journal->entry(left)->state(),
                 markPrinted ? StripState::Marked : StripState::Released);
        QCOMPARE(marked(),
                 (markPrinted ? QSet<qint64>{1, 2, 3, 4, 5, 6, 7} : QSet<qint64>{1, 3, 4, 6, 7}));
        QVERIFY(journal->heldIds().isEmpty());
        list->open({"SELECT * FROM PrintLabel WHERE ifnull(PrintFlag,0)=0 ORDER BY Iden_id"});
        QVERIFY(print(ppla).completed);
        QCOMPARE(marked(), (QSet<qint64>{1, 2, 3, 4, 5, 6, 7}));
    }

    // Hand-typed strips end at "sent": nothing to mark, nothing held.
    void handTypedEndsAtSent() {
        fill(0);
        RecordingPpla ppla;
        const ListPrintResult r = printHandTypedList(
            {LabelRow::ofTexts("A1", "A2", "A3"), LabelRow::ofTexts("B1", "", "")}, layout,
            LabelFormat::Text, ppla, silent, nullptr, {}, strips.get());
        QVERIFY(r.completed);
        const QList<JournalEntry> all = journal->entries({});
        QCOMPARE(all.size(), 2);
        for (const JournalEntry& e : all) {
            QCOMPARE(e.kind, EntryKind::HandTyped);
            QCOMPARE(steps(e), (QStringList{"sending", "sent"}));
        }
        QCOMPARE(all.first().records.size(), 1);
        QVERIFY(journal->unfinished().isEmpty());
    }

    // A journal that cannot be opened: the run raises its text before
    // anything is sent, and nothing is marked.
    void unusableJournalPrintsNothing() {
        fill(3);
        const QString path = dir.filePath("missing/folder/journal.db");
        StripJournal broken(path, 90, "embedded test");
        QVERIFY(broken.failure().startsWith("Print journal " + path + ": cannot be opened ("));
        RecordingPpla ppla;
        QString error;
        try {
            printListVia(*dm, *list, ppla, layout, LabelFormat::Barcode, silent, -1, nullptr, {},
                         &broken);
        } catch (const AppError& e) {
            error = e.text();
        }
        QCOMPARE(error, broken.failure());
        QVERIFY(ppla.calls().isEmpty());
        QCOMPARE(marked(), QSet<qint64>());
    }
};

QTEST_MAIN(TestJournalRun)
#include "tst_journalrun.moc"
