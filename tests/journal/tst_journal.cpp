#include "core/AppError.h"
#include "journal/JournalLocation.h"
#include "journal/PrintJournal.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

NewStrip strip(EntryKind kind, const QList<JournalRecord>& records) {
    NewStrip s;
    s.kind = kind;
    s.port = "USB1";
    s.device = "file:/tmp/out.ppla";
    s.database = "embedded /tmp/labels.db";
    s.planJson = R"({"port":"USB1"})";
    s.records = records;
    return s;
}

QList<JournalRecord> three(qint64 first) {
    return {{first, QString("VA%1").arg(first)},
            {first + 1, QString("VA%1").arg(first + 1)},
            {first + 2, QString("VA%1").arg(first + 2)}};
}

// Runs a statement on the file behind the journal's back.
void onFile(const QString& path, const QString& sql) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "behind");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(sql));
    }
    QSqlDatabase::removeDatabase("behind");
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int n = 0;
    QString fresh() { return dir.filePath(QString("journal%1.db").arg(++n)); }

private slots:
    // A new journal holds label texts: no one else's to read.
    void newJournalIsOwnerAndGroupOnly() {
        const mode_t before = ::umask(002);
        const QString path = dir.filePath("private-journal.db");
        {
            PrintJournal j;
            j.open(path);
        }
        ::umask(before);
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 0007), 0);
    }

    // Which strips wait for a person, by the steps noted for them.
    void undecidedByState_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("undecided");
        const int list = int(EntryKind::List), typed = int(EntryKind::HandTyped),
                  reprint = int(EntryKind::Reprint);
        QTest::newRow("list, sending") << list << QStringList{} << true;
        QTest::newRow("list, sent") << list << QStringList{"sent"} << true;
        QTest::newRow("list, confirmed") << list << QStringList{"sent", "confirmed"} << true;
        QTest::newRow("list, marked") << list << QStringList{"sent", "marked"} << false;
        QTest::newRow("list, failed") << list << QStringList{"failed"} << false;
        QTest::newRow("list, uncertain") << list << QStringList{"sent", "uncertain"} << true;
        QTest::newRow("list, released") << list << QStringList{"uncertain", "released"} << false;
        QTest::newRow("typed, sending") << typed << QStringList{} << true;
        QTest::newRow("typed, sent") << typed << QStringList{"sent"} << false;
        QTest::newRow("typed, confirmed") << typed << QStringList{"sent", "confirmed"} << false;
        QTest::newRow("typed, uncertain") << typed << QStringList{"uncertain"} << true;
        QTest::newRow("reprint, sent") << reprint << QStringList{"sent"} << false;
    }
    void undecidedByState() {
        QFETCH(int, kind);
        QFETCH(QStringList, steps);
        QFETCH(bool, undecided);
        PrintJournal j;
        j.open(fresh());
        const bool hasIds = EntryKind(kind) == EntryKind::List;
        const qint64 done = j.begin(strip(EntryKind::List, three(100)));
        j.note(done, StripState::Sent);
        j.note(done, StripState::Marked);
        const qint64 id =
            j.begin(strip(EntryKind(kind), hasIds ? three(1) : QList<JournalRecord>{{0, "HAND1"}}));
        for (const QString& s : steps)
            j.note(id, *stateFromName(s), "why");
        QList<qint64> ids;
        for (const JournalEntry& e : j.unfinished())
            ids << e.id;
        QCOMPARE(ids, undecided ? QList<qint64>{id} : QList<qint64>{});
        QCOMPARE(j.heldIds(), (undecided && hasIds ? QSet<qint64>{1, 2, 3} : QSet<qint64>{}));
        QCOMPARE(j.entry(id)->undecided, undecided);
    }

    // Everything written comes back after the file is opened again.
    void keepsWhatWasWritten() {
        const QString path = fresh();
        qint64 id = 0;
        {
            PrintJournal j;
            j.open(path);
            id = j.begin(strip(EntryKind::List, three(7)));
            j.note(id, StripState::Sent, {}, "ab12");
            j.note(id, StripState::Uncertain, "USB1: the printer is paused");
        }
        PrintJournal j;
        j.open(path);
        const auto e = j.entry(id);
        QVERIFY(e);
        QCOMPARE(e->kind, EntryKind::List);
        QCOMPARE(e->port, QString("USB1"));
        QCOMPARE(e->device, QString("file:/tmp/out.ppla"));
        QCOMPARE(e->database, QString("embedded /tmp/labels.db"));
        QCOMPARE(e->planJson, QString(R"({"port":"USB1"})"));
        QCOMPARE(e->records.size(), 3);
        QCOMPARE(e->records[2].idenId, 9);
        QCOMPARE(e->records[2].text, QString("VA9"));
        QCOMPARE(e->events.size(), 3);
        QCOMPARE(e->state(), StripState::Uncertain);
        QCOMPARE(e->events.last().reason, QString("USB1: the printer is paused"));
        QCOMPARE(e->sha256(), QString("ab12"));
        QVERIFY(qAbs(e->created.secsTo(QDateTime::currentDateTime())) < 3600);
        const qint64 again = j.beginReprint(id, "label torn", strip(EntryKind::List, three(7)));
        QCOMPARE(j.entry(again)->kind, EntryKind::Reprint);
        QCOMPARE(j.entry(again)->reprintOf, id);
        QCOMPARE(j.entry(again)->reprintReason, QString("label torn"));
    }

    // The history's search: text part, days and present state.
    void findsEntries_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fromDaysAgo"); // -1: any
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("found"); // first label texts, newest first
        QTest::newRow("all") << "" << -1 << "" << QStringList{"VB1", "VA50%", "VA10", "VA1"};
        QTest::newRow("text part") << "A1" << -1 << "" << QStringList{"VA10", "VA1"};
        QTest::newRow("percent literal") << "0%" << -1 << "" << QStringList{"VA50%"};
        QTest::newRow("state") << "" << -1 << "marked" << QStringList{"VA10"};
        QTest::newRow("days") << "" << 2 << "" << QStringList{"VB1", "VA50%"};
        QTest::newRow("text and state") << "V" << -1 << "sending" << QStringList{"VB1", "VA50%"};
    }
    void findsEntries() {
        QFETCH(QString, text);
        QFETCH(int, fromDaysAgo);
        QFETCH(QString, state);
        QFETCH(QStringList, found);
        const QString path = fresh();
        {
            PrintJournal j;
            j.open(path);
            j.note(j.begin(strip(EntryKind::List, {{1, "VA1"}})), StripState::Failed);
            const qint64 b = j.begin(strip(EntryKind::List, {{10, "VA10"}}));
            j.note(b, StripState::Sent);
            j.note(b, StripState::Marked);
            j.begin(strip(EntryKind::List, {{50, "VA50%"}}));
            j.begin(strip(EntryKind::HandTyped, {{0, "VB1"}}));
        }
        // The first two were made five days ago.
        onFile(path, "UPDATE entries SET created = datetime('now', '-5 days') WHERE id <= 2");
        PrintJournal j;
        j.open(path);
        JournalFilter f;
        f.textPart = text;
        if (fromDaysAgo >= 0)
            f.from = QDateTime::currentDateTime().addDays(-fromDaysAgo);
        if (!state.isEmpty())
            f.state = stateFromName(state);
        QStringList got;
        for (const JournalEntry& e : j.entries(f))
            got << e.records.first().text;
        QCOMPARE(got, found);
    }

    // Old entries go at open, unless someone still has to decide about them.
    void prunesOldDecidedEntries() {
        const QString path = fresh();
        qint64 oldDone = 0, oldOpen = 0, recent = 0;
        {
            PrintJournal j;
            j.open(path);
            oldDone = j.begin(strip(EntryKind::List, three(1)));
            j.note(oldDone, StripState::Sent);
            j.note(oldDone, StripState::Marked);
            oldOpen = j.begin(strip(EntryKind::List, three(4)));
            recent = j.begin(strip(EntryKind::List, three(7)));
            j.note(recent, StripState::Failed);
        }
        onFile(path, QString("UPDATE entries SET created = datetime('now', '-31 days') WHERE id IN "
                             "(%1, %2)")
                         .arg(oldDone)
                         .arg(oldOpen));
        PrintJournal j;
        j.open(path, 30);
        QCOMPARE(j.prunedAtOpen(), 1);
        QVERIFY(!j.entry(oldDone));
        QVERIFY(j.entry(oldOpen));
        QVERIFY(j.entry(recent));
        QCOMPARE(j.heldIds(), (QSet<qint64>{4, 5, 6}));
    }

    // A file that is no journal, or that the station may not write, is refused
    // at open, naming the file and the reason.
    void refusesUnusableFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("random bytes") << "noise";
        QTest::newRow("another database") << "other";
        QTest::newRow("read-only") << "readonly";
    }
    void refusesUnusableFile() {
        QFETCH(QString, fault);
        const QString path = fresh();
        if (fault == "noise") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(8192, '\x5a'));
        } else if (fault == "other") {
            onFile(path, "CREATE TABLE PrintLabel (Iden_id INTEGER PRIMARY KEY)");
        } else {
            {
                PrintJournal made;
                made.open(path);
            }
            QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        }
        const QByteArray before = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        // root writes any file: it opens the journal as another user.
        const bool root = fault == "readonly" && ::geteuid() == 0;
        if (root) {
            QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
            QCOMPARE(::seteuid(65534), 0);
        }
        QString error;
        try {
            PrintJournal j;
            j.open(path);
        } catch (const AppError& e) {
            error = e.text();
        }
        if (root)
            QVERIFY(::seteuid(0) == 0);
        QVERIFY2(error.startsWith("Print journal " + path + ": cannot be opened ("),
                 qPrintable(error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    // A disk that fills up: the write that does not fit raises, naming the file.
    void fullDiskRaisesOnWrite() {
        PrintJournal j;
        const QString path = fresh();
        j.open(path);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small{1, saved.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        try {
            j.begin(strip(EntryKind::List, three(1)));
        } catch (const AppError& e) {
            error = e.text();
        }
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &saved), 0);
        QVERIFY2(error.startsWith("Print journal " + path + ": cannot be written ("),
                 qPrintable(error));
        QVERIFY(j.unfinished().isEmpty());
    }

    void location_data() {
        QTest::addColumn<QString>("journal");
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("keep"); // -1: refused
        QTest::newRow("defaults") << ""
                                  << ""
                                  << "/srv/station/vornell-journal.db" << 90;
        QTest::newRow("set") << "/var/lib/j.db"
                             << "30"
                             << "/var/lib/j.db" << 30;
        QTest::newRow("bad days") << ""
                                  << "ninety"
                                  << "/srv/station/vornell-journal.db" << -1;
        QTest::newRow("zero days") << ""
                                   << "0"
                                   << "/srv/station/vornell-journal.db" << -1;
    }
    void location() {
        QFETCH(QString, journal);
        QFETCH(QString, days);
        QFETCH(QString, path);
        QFETCH(int, keep);
        QProcessEnvironment env;
        if (!journal.isEmpty())
            env.insert("VORNELL_JOURNAL", journal);
        if (!days.isEmpty())
            env.insert("VORNELL_JOURNAL_DAYS", days);
        QCOMPARE(journalPath(env, "/srv/station"), path);
        int got = -1;
        try {
            got = journalKeepDays(env);
        } catch (const AppError& e) {
            QVERIFY(e.text().startsWith("VORNELL_JOURNAL_DAYS: \"" + days + "\""));
        }
        QCOMPARE(got, keep);
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
