#include "core/AppError.h"
#include "journal/JournalSql.h"
#include "journal/PrintJournal.h"
#include "printer/PplaDecoder.h"
#include "printer/PplaPrinter.h"
#include "printing/PrintLabelRowJob.h"
#include "printing/StripHistory.h"
#include "printing/StripPlan.h"
#include "printing/StripPlanRead.h"
#include "printing/StripPreviewer.h"
#include "printing/StripReprint.h"
#include "tests/support/DataTable.h"
#include "tests/support/JournaledStrip.h"
#include "tests/support/NetworkPrinter.h"
#include "tests/support/StripLayout.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The history's search, its picture of a strip, and reprints, against a real
// journal file and the real driver writing to a file: port.
class TestStripHistory : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    QString freshPath(const char* what) {
        return dir.filePath(QStringLiteral("%1-%2").arg(QLatin1String(what)).arg(++files));
    }

    static LabelRow records(qint64 first, const QStringList& texts) {
        LabelRow row;
        for (int i = 0; i < texts.size(); ++i)
            row.labels[size_t(i)] = {first + i, texts[i]};
        return row;
    }

    // The one label format a file holds.
    static DecodedLabel decoded(const QString& path) {
        PplaDecoder decoder;
        decoder.feed(readAll(path));
        decoder.finish();
        const QList<DecodedLabel> labels = decoder.takeLabels();
        if (labels.size() != 1)
            qFatal("decoded: %d labels in %s", int(labels.size()), qPrintable(path));
        return labels.first();
    }

    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Sets when an entry was created, as if it had been written then.
    static void backdate(const PrintJournal& journal, qint64 id, const QDateTime& at) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "backdate");
            db.setDatabaseName(journal.path());
            QVERIFY(db.open());
            QSqlQuery q(db);
            q.prepare("UPDATE entries SET created = ? WHERE id = ?");
            q.addBindValue(journalTime(at));
            q.addBindValue(id);
            QVERIFY(q.exec());
        }
        QSqlDatabase::removeDatabase("backdate");
    }

private slots:
    void search_data() {
        DataTable<QString, QDate, QDate, int, QStringList>(
            {"textPart", "from", "to", "state", "firstLabels"})
            .row("nothing given: all, newest first", "", QDate(), QDate(), -1,
                 {"HAND-1", "VA000005", "VB000004", "VA000001"})
            .row("part of any label", "A0000", QDate(), QDate(), -1, {"VA000005", "VA000001"})
            .row("not the first label", "VC00", QDate(), QDate(), -1, {"VA000005"})
            .row("letter case", "va00000", QDate(), QDate(), -1, {"VA000005", "VA000001"})
            .row("blanks around", "  VB0 ", QDate(), QDate(), -1, {"VB000004"})
            .row("a percent sign is a character", "%", QDate(), QDate(), -1, QStringList{})
            .row("one day, to its last second", "", QDate(2026, 3, 5), QDate(2026, 3, 5), -1,
                 {"VB000004"})
            .row("from a day on", "", QDate(2026, 3, 6), QDate(), -1, {"HAND-1", "VA000005"})
            .row("up to a day", "", QDate(), QDate(2026, 3, 1), -1, {"VA000001"})
            .row("marked", "", QDate(), QDate(), int(StripState::Marked), {"VA000001"})
            .row("uncertain", "", QDate(), QDate(), int(StripState::Uncertain), {"VA000005"})
            .row("sent", "", QDate(), QDate(), int(StripState::Sent), {"HAND-1"})
            .row("all three", "VA", QDate(2026, 3, 2), QDate(2026, 3, 6),
                 int(StripState::Uncertain), {"VA000005"})
            .row("all three, state does not hold", "VA", QDate(2026, 3, 2), QDate(2026, 3, 6),
                 int(StripState::Marked), QStringList{})
            .row("no such text", "ZZ", QDate(), QDate(), -1, QStringList{});
    }
    void search() {
        QFETCH(QString, textPart);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(int, state);
        QFETCH(QStringList, firstLabels);
        PrintJournal journal;
        journal.open(freshPath("search.db"), 36500);
        const QString out = freshPath("out.ppla");
        const qint64 a = printJournaled(journal, records(1, {"VA000001", "VA000002"}), out);
        const qint64 b = printJournaled(journal, records(4, {"VB000004"}), out, StripState::Failed);
        const qint64 c = printJournaled(journal, records(5, {"VA000005", "VC000006"}), out,
                                        StripState::Uncertain);
        const qint64 d =
            printJournaled(journal, LabelRow::ofTexts("HAND-1", "", ""), out, StripState::Sent);
        backdate(journal, a, QDateTime(QDate(2026, 3, 1), QTime(10, 0)));
        backdate(journal, b, QDateTime(QDate(2026, 3, 5), QTime(23, 59, 30)));
        backdate(journal, c, QDateTime(QDate(2026, 3, 6), QTime(0, 0)));
        backdate(journal, d, QDateTime(QDate(2026, 3, 10), QTime(8, 0)));

        HistorySearch search{textPart, from, to, std::nullopt};
        if (state >= 0)
            search.state = StripState(state);
        QStringList found;
        for (const JournalEntry& e : findStrips(journal, search))
            found << e.records.first().text;
        QCOMPARE(found, firstLabels);
    }

    // The line of a strip that failed and of a reprint.
    void lines() {
        PrintJournal journal;
        journal.open(freshPath("lines.db"), 36500);
        const qint64 id = printJournaled(journal, records(1, {"VA000001", "VA000002"}),
                                         freshPath("out.ppla"), StripState::Uncertain);
        const HistoryLine line = historyLine(*journal.entry(id), 437);
        QCOMPARE(line.kind, QString("list"));
        QCOMPARE(line.port, QString("USB1"));
        QCOMPARE(line.labels, QString("VA000001, VA000002"));
        QCOMPARE(line.state, QString("uncertain"));
        QCOMPARE(line.reason, QString("jam"));
        QCOMPARE(historyLine(*journal.entry(id), 936).state, QString::fromUtf8("不确定"));
    }

    // The plan read back is the plan written: a reprint on the same port
    // sends the very bytes of the first print.
    void wholeStripReprintSendsTheSameBytes() {
        PrintJournal journal;
        journal.open(freshPath("whole.db"), 36500);
        const QString first = freshPath("first.ppla");
        const qint64 id =
            printJournaled(journal, records(11, {"VA000011", "VA000012", "VA000013"}), first);
        const QString again = freshPath("again.ppla");
        PplaPrinter printer(usb1Reaches("file:" + again));
        const ReprintResult r = reprintStrip(journal, printer, *journal.entry(id),
                                             {"USB1", std::nullopt, "  smudged  ", 437});
        QVERIFY2(r.printed, qPrintable(r.failure));
        QCOMPARE(readAll(again), readAll(first));
        const JournalEntry e = *journal.entry(r.entry);
        QCOMPARE(e.kind, EntryKind::Reprint);
        QCOMPARE(e.reprintOf, id);
        QCOMPARE(e.reprintReason, QString("smudged"));
        QCOMPARE(e.state(), StripState::Sent);
        QCOMPARE(e.events.size(), 2);
        QCOMPARE(e.events.first().state, StripState::Sending);
        QCOMPARE(e.sha256(), journal.entry(id)->sha256());
        QCOMPARE(e.records.size(), 3);
        QCOMPARE(e.records[2].idenId, 13);
        QVERIFY(!e.undecided); // a reprint marks nothing: sent ends it
        // The strip printed again is left as it was.
        QCOMPARE(journal.entry(id)->events.size(), 3);
        QCOMPARE(reprintResultText(r, 437), QString("Printed again on USB1: VA000011, "
                                                    "VA000012, VA000013."));
    }

    // One label: a strip with only that label, at its own column's place.
    void oneLabelReprint_data() {
        DataTable<int, QString>({"column", "text"})
            .row("first", 0, "VA000021")
            .row("middle", 1, "VA000022")
            .row("last", 2, "VA000023");
    }
    void oneLabelReprint() {
        QFETCH(int, column);
        QFETCH(QString, text);
        PrintJournal journal;
        journal.open(freshPath("one.db"), 36500);
        const QString first = freshPath("first.ppla");
        const qint64 id =
            printJournaled(journal, records(21, {"VA000021", "VA000022", "VA000023"}), first);
        const QString out = freshPath("one.ppla");
        PplaPrinter printer(usb1Reaches("file:" + out));
        const ReprintResult r =
            reprintStrip(journal, printer, *journal.entry(id), {"USB1", column, "torn", 437});
        QVERIFY2(r.printed, qPrintable(r.failure));

        const DecodedLabel whole = decoded(first);
        const DecodedLabel one = decoded(out);
        QCOMPARE(whole.barcodes.size(), 3);
        QCOMPARE(whole.images.size(), 3);
        QCOMPARE(one.barcodes.size(), 1);
        QCOMPARE(decodeCode128Field(one.barcodes[0].field), barcodeContent(text).toUtf8());
        QCOMPARE(one.barcodes[0].colUnits, whole.barcodes[column].colUnits);
        QCOMPARE(one.barcodes[0].rowUnits, whole.barcodes[column].rowUnits);
        QCOMPARE(one.images.size(), 1);
        QCOMPARE(one.images[0].colUnits, whole.images[column].colUnits);
        QVERIFY(!one.images[0].bitmap.isEmpty());
        QCOMPARE(one.images[0].bitmap.bits, whole.images[column].bitmap.bits);

        const JournalEntry e = *journal.entry(r.entry);
        QCOMPARE(e.records.size(), 1);
        QCOMPARE(e.records[0].idenId, 21 + column);
        QCOMPARE(e.records[0].text, text);
        // The preview of the reprint's plan holds that label only.
        StripPreviewer previewer;
        const StripPreviewResult picture = journaledPicture(previewer, e);
        QCOMPARE(picture.items.size(), 2);
        for (const StripItem& item : picture.items)
            QCOMPARE(item.column, column);
    }

    // Nothing is journaled or sent without a reason, for an empty label, or
    // from a plan that cannot be read.
    void refused_data() {
        DataTable<QString, int, bool, QString>({"reason", "column", "badPlan", "message"})
            .row("no reason", "", -1, false,
                 "A reprint needs a reason: type why the strip is printed again. Nothing was "
                 "printed.")
            .row("blanks only", " \t ", 1, false,
                 "A reprint needs a reason: type why the strip is printed again. Nothing was "
                 "printed.")
            .row("empty label", "torn", 2, false,
                 "Label 3 of this strip is empty. Nothing was printed.")
            .row("unreadable plan", "torn", -1, true,
                 "The journal's plan of this strip cannot be read: \"darkness\" is missing or no "
                 "number");
    }
    void refused() {
        QFETCH(QString, reason);
        QFETCH(int, column);
        QFETCH(bool, badPlan);
        QFETCH(QString, message);
        PrintJournal journal;
        journal.open(freshPath("refused.db"), 36500);
        const qint64 id =
            printJournaled(journal, records(31, {"VA000031", "VA000032"}), freshPath("first.ppla"));
        JournalEntry original = *journal.entry(id);
        if (badPlan)
            original.planJson.replace("\"darkness\"", "\"dark\"");
        const QString out = freshPath("refused.ppla");
        PplaPrinter printer(usb1Reaches("file:" + out));
        ReprintRequest request{"USB1", std::nullopt, reason, 437};
        if (column >= 0)
            request.column = column;
        try {
            reprintStrip(journal, printer, original, request);
            QFAIL("no error");
        } catch (const AppError& e) {
            QCOMPARE(e.text(), message);
        }
        QCOMPARE(journal.entries({}).size(), 1);
        QVERIFY(!QFile::exists(out));
    }

    // Where the printer answers, the reprint counts once it finished the
    // strip: "confirmed", or "uncertain" with the printer's condition.
    void reprintWithFeedback_data() {
        DataTable<int, bool, QString>({"pauseAfter", "printed", "failure"})
            .row("finished", -1, true, "")
            .row("paused", 0, false, "USB1: the printer is paused");
    }
    void reprintWithFeedback() {
        QFETCH(int, pauseAfter);
        QFETCH(bool, printed);
        QFETCH(QString, failure);
        PrintJournal journal;
        journal.open(freshPath("feedback.db"), 36500);
        const qint64 id =
            printJournaled(journal, records(51, {"VA000051"}), freshPath("first.ppla"));
        VirtualTcpPrinterOptions o = networkPrinter(20);
        o.pauseAfter = pauseAfter;
        VirtualTcpPrinter device(o);
        QVERIFY(started(device));
        PplaPrinterOptions options =
            printerEnv({{"VORNELL_PRINTER_USB1", QString("tcp:127.0.0.1:%1").arg(device.port())},
                        {"VORNELL_PRINTER_USB1_STATUS", "on"}});
        options.connectTimeoutMs = 2000;
        options.writeTimeoutMs = 2000;
        PplaPrinter printer(options);
        FeedbackSettings s;
        s.answerMs = 1000;
        s.pollMs = 2;
        const ReprintResult r = reprintStrip(journal, printer, *journal.entry(id),
                                             {"USB1", std::nullopt, "faded", 437}, &printer, s);
        QCOMPARE(r.printed, printed);
        QCOMPARE(r.failure, failure);
        const JournalEntry reprint = *journal.entry(r.entry);
        QList<StripState> states;
        for (const JournalEvent& e : reprint.events)
            states << e.state;
        QCOMPARE(states,
                 (QList<StripState>{StripState::Sending, StripState::Sent,
                                    printed ? StripState::Confirmed : StripState::Uncertain}));
        QCOMPARE(reprint.events.last().reason, failure);
        QCOMPARE(device.received(), 1);
    }

    // A port that does not open: the reprint is journaled failed, with why.
    void failedReprintIsJournaled() {
        PrintJournal journal;
        journal.open(freshPath("failed.db"), 36500);
        const qint64 id =
            printJournaled(journal, records(41, {"VA000041"}), freshPath("first.ppla"));
        // USB2 reaches a file in a folder that does not exist.
        PplaPrinter printer(
            printerEnv({{"VORNELL_PRINTER_USB2", "file:" + dir.filePath("missing/x.ppla")}}));
        const ReprintResult r =
            reprintStrip(journal, printer, *journal.entry(id), {"USB2", std::nullopt, "x", 437});
        QVERIFY(!r.printed);
        QCOMPARE(r.failure, QString("Open USB fail!"));
        const JournalEntry e = *journal.entry(r.entry);
        QCOMPARE(e.port, QString("USB2"));
        QCOMPARE(e.state(), StripState::Failed);
        QCOMPARE(e.events.last().reason, QString("Open USB fail!"));
        QCOMPARE(historyLine(e, 437).reason, QString("x"));
    }
};

QTEST_MAIN(TestStripHistory)
#include "tst_striphistory.moc"
