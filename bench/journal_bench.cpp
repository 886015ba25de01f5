// BatchPrint of 10,000 records (3,334 strips) from the embedded database, with
// the print journal on and off, to a port that discards the bytes and to a
// file: port (which waits for the disk after every strip). With the journal
// on, every strip is written "sending" on the disk before its first byte,
// then "sent" with the hash of its bytes and "marked".
//
//   build/bench/journal_bench

#include "bench/BenchMain.h"
#include "bench/DemoLabelList.h"
#include "journal/PrintJournal.h"
#include "printer/PplaPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "printing/StripJournal.h"
#include "settings/uBarcode.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StationRun.h"
#include "tests/support/StripLayout.h"

#include <QTemporaryDir>

namespace {

// state.range(0): 1 with the journal, 0 without; state.range(1): 1 prints to
// a file in the temporary folder, 0 to /dev/null.
void BM_BatchPrintJournal(benchmark::State& state) {
    QTemporaryDir dir;
    DemoLabelList demo(dir.filePath("batch.db"), 10000);
    const QString out = state.range(1) == 1 ? dir.filePath("strips.ppla") : "/dev/null";
    PplaPrinter printer(usb1At(QStringLiteral("file:") + out));
    SilentProgress progress;
    const TLabelLayout layout = stripLayout();
    PrintJournal journal;
    journal.open(dir.filePath("vornell-journal.db"));
    StripJournal strips(journal, dir.filePath("batch.db"));

    int printed = 0;
    for (auto _ : state) {
        const ListPrintResult r =
            printListVia(*demo.dm, *demo.list, printer, layout, LabelFormat::Barcode, progress, -1,
                         nullptr, {}, state.range(0) == 1 ? &strips : nullptr);
        printed = r.stripsPrinted;
        if (!r.completed || !r.failure.isEmpty())
            state.SkipWithError("the run did not complete");
    }
    state.counters["strips"] = printed;
    state.counters["strips/s"] =
        benchmark::Counter(double(printed), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BatchPrintJournal)
    ->ArgNames({"journal", "file"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
