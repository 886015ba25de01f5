// The print journal reads back its own entries exactly: a strip written with
// any texts (ports, devices, plan JSON, label texts, reasons, hashes; NULs and
// non-ASCII included) and any steps after it reads back field for field, its
// steps in order after its "sending", its state the last one noted.
#include "FuzzCheck.h"
#include "core/AppError.h"
#include "journal/PrintJournal.h"

#include <QCoreApplication>
#include <QFile>

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

namespace {

QString text(FuzzedDataProvider& in, size_t most) {
    const std::string s = in.ConsumeRandomLengthString(most);
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The journal file on a memory file system where there is one: every step is
// synced to disk.
QString journalPath() {
    const QString dir = QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm")
                                                                  : QStringLiteral("/tmp");
    return QStringLiteral("%1/vornell-fuzz-journal-%2.db").arg(dir).arg(getpid());
}

// Kept to the end of the process and never destroyed: Qt Sql's connection
// registry is gone by the time statics are.
PrintJournal& journal() {
    static PrintJournal* j = nullptr;
    static int uses = 0;
    if (uses++ % 2000 == 0) { // start a fresh file now and then
        delete j;
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(journalPath() + QLatin1String(suffix));
        j = new PrintJournal();
        j->open(journalPath());
    }
    return *j;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv); // Qt Sql's drivers
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    NewStrip strip;
    strip.kind = static_cast<EntryKind>(in.ConsumeIntegralInRange<int>(0, 1));
    strip.port = text(in, 8);
    strip.device = text(in, 24);
    strip.database = text(in, 24);
    strip.planJson = text(in, 200);
    const int labels = in.ConsumeIntegralInRange<int>(0, 3);
    for (int i = 0; i < labels; ++i)
        strip.records.append({in.ConsumeIntegral<qint64>(), text(in, 12)});
    struct Step {
        StripState state;
        QString reason, sha256;
    };
    QList<Step> steps(in.ConsumeIntegralInRange<int>(0, 3));
    for (Step& s : steps)
        s = {static_cast<StripState>(in.ConsumeIntegralInRange<int>(1, 6)), text(in, 24),
             text(in, 64)};

    std::optional<JournalEntry> back;
    qint64 id = 0;
    try {
        PrintJournal& j = journal();
        id = j.begin(strip);
        for (const Step& s : steps)
            j.note(id, s.state, s.reason, s.sha256);
        back = j.entry(id);
    } catch (const AppError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        FUZZ_CHECK(!"the journal failed");
    }
    FUZZ_CHECK(back.has_value());
    FUZZ_CHECK(back->id == id);
    FUZZ_CHECK(back->kind == strip.kind);
    FUZZ_CHECK(back->port == strip.port);
    FUZZ_CHECK(back->device == strip.device);
    FUZZ_CHECK(back->database == strip.database);
    FUZZ_CHECK(back->planJson == strip.planJson);
    FUZZ_CHECK(back->records.size() == strip.records.size());
    for (qsizetype i = 0; i < strip.records.size(); ++i) {
        FUZZ_CHECK(back->records[i].idenId == strip.records[i].idenId);
        FUZZ_CHECK(back->records[i].text == strip.records[i].text);
    }
    FUZZ_CHECK(back->events.size() == steps.size() + 1);
    FUZZ_CHECK(back->events[0].state == StripState::Sending);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const JournalEvent& e = back->events[i + 1];
        FUZZ_CHECK(e.state == steps[i].state);
        FUZZ_CHECK(e.reason == steps[i].reason);
        FUZZ_CHECK(e.sha256 == steps[i].sha256);
    }
    FUZZ_CHECK(back->state() == (steps.isEmpty() ? StripState::Sending : steps.last().state));
    return 0;
}
