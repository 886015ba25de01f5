#include "db/LabelList.h"
#include "journal/PrintJournal.h"
#include "printer/PplaPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "printing/StripJournal.h"
#include "printing/StripRecovery.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StationRun.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <dlfcn.h>
#include <unistd.h>

// Every fsync and fdatasync of this process (SQLite's included) passes here:
// each one on the journal's log is noted with the size the printer's output
// file had at that moment.
namespace {

struct DiskSyncs {
    QByteArray log;   // the journal's write-ahead log
    QString output;   // the printer's output file
    QList<qint64> at; // the output's size at each sync of the log
};
DiskSyncs* watching = nullptr;

void noteSync(int fd) {
    if (!watching)
        return;
    char path[4096];
    const ssize_t n = ::readlink(QByteArray("/proc/self/fd/" + QByteArray::number(fd)).constData(),
                                 path, sizeof path);
    if (n > 0 && QByteArray(path, int(n)) == watching->log)
        watching->at << QFileInfo(watching->output).size();
}

template <typename Fn> Fn next(const char* name) {
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int fsync(int fd) {
    noteSync(fd);
    static const auto real = next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int fdatasync(int fd) {
    noteSync(fd);
    static const auto real = next<int (*)(int)>("fdatasync");
    return real(fd);
}

// The journal is on the disk before each strip's first byte goes out, and
// every step of a run is on the disk when the run or a decision ends.
class TestJournalDisk : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int n = 0;

    // The byte offsets at which each strip starts in out, and its end, found
    // from the hashes the journal holds (entries oldest first). A strip ends
    // with a line end.
    static QList<qint64> starts(const QByteArray& out, const QList<JournalEntry>& entries) {
        QList<qint64> at;
        qint64 from = 0;
        for (const JournalEntry& e : entries) {
            at << from;
            qint64 end = from;
            bool found = false;
            while (!found && end < out.size()) {
                ++end;
                found =
                    (out[end - 1] == '\r' || out[end - 1] == '\n') &&
                    QCryptographicHash::hash(out.mid(from, end - from), QCryptographicHash::Sha256)
                            .toHex() == e.sha256().toLatin1();
            }
            if (!found)
                return {};
            from = end;
        }
        at << from;
        return at;
    }
    static QString sizes(const QList<qint64>& at) {
        QStringList out;
        for (qint64 size : at)
            out << QString::number(size);
        return out.join(", ");
    }

private slots:
    void onDiskBeforeEachStrip_data() {
        QTest::addColumn<int>("records");
        QTest::newRow("one strip") << 2;
        QTest::newRow("three strips") << 7;
    }
    void onDiskBeforeEachStrip() {
        QFETCH(int, records);
        ++n;
        auto dm = openEmbedded(dir.filePath(QString("labels%1.db").arg(n)));
        for (int i = 1; i <= records; ++i)
            addLabel(dm->conADO(), "2026-12-09 08:00:00", QString("VA%1").arg(i));
        LabelList list(dm->connectionName());
        list.open({"SELECT * FROM PrintLabel ORDER BY Iden_id"});
        const QString path = dir.filePath(QString("journal%1.db").arg(n));
        PrintJournal journal;
        journal.open(path);
        StripJournal strips(journal, "embedded test");

        DiskSyncs syncs{
            QFile::encodeName(path + "-wal"), dir.filePath(QString("out%1").arg(n)), {}};
        PplaPrinter printer(usb1At("file:" + syncs.output));
        SilentProgress silent;
        const TLabelLayout layout = stripLayout();
        watching = &syncs;
        const ListPrintResult r = printListVia(*dm, list, printer, layout, LabelFormat::Barcode,
                                               silent, -1, nullptr, {}, &strips);
        watching = nullptr;
        QVERIFY2(r.completed && r.failure.isEmpty(), qPrintable(r.failure));

        QList<JournalEntry> entries = journal.entries({});
        std::reverse(entries.begin(), entries.end());
        QCOMPARE(entries.size(), (records + 2) / 3);
        QFile f(syncs.output);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<qint64> at = starts(f.readAll(), entries);
        QCOMPARE(at.size(), entries.size() + 1);
        // Before each strip's first byte the log went to the disk (holding
        // its "sending"); after the last strip it did once more (holding the
        // last "marked").
        for (qint64 offset : at)
            QVERIFY2(syncs.at.contains(offset),
                     qPrintable(QString("no sync of the journal with %1 bytes out; syncs at %2")
                                    .arg(offset)
                                    .arg(sizes(syncs.at))));
    }

    // A person's decisions in the "Unfinished strips" dialog reach the disk
    // before the dialog closes.
    void decisionsOnDisk() {
        const QString path = dir.filePath("decided.db");
        PrintJournal journal;
        journal.open(path);
        NewStrip s;
        s.port = "USB1";
        s.records = {{0, "HAND1"}};
        const qint64 id = journal.begin(s);
        journal.note(id, StripState::Uncertain, "USB1: the printer is paused");

        DiskSyncs syncs{QFile::encodeName(path + "-wal"), dir.filePath("none"), {}};
        watching = &syncs;
        releaseStrips(journal, {id});
        watching = nullptr;
        QVERIFY(!syncs.at.isEmpty());
        QVERIFY(journal.unfinished().isEmpty());
    }
};

QTEST_MAIN(TestJournalDisk)
#include "tst_journaldisk.moc"
