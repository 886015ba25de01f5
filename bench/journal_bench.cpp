// BatchPrint of 10,000 records (3,334 strips) from the embedded database to a
// file: port, with the print journal on and off. With it on, every strip is
// written "sending" (durably, before its first byte), "sent" with the hash of
// its bytes and "marked", each a committed transaction of its own.
//
//   build/bench/journal_bench

#include "core/DataModule.h"
#include "db/DbLocation.h"
#include "db/DemoData.h"
#include "db/LabelList.h"
#include "journal/PrintJournal.h"
#include "printer/PplaPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "printing/StripJournal.h"
#include "settings/uBarcode.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// state.range(0): 1 with the journal, 0 without.
void BM_BatchPrintJournal(benchmark::State& state) {
    QTemporaryDir dir;
    DbLocation loc;
    loc.path = dir.filePath("batch.db");
    auto dm = createDataModule(loc);
    dm->reopen();
    QSqlDatabase db = dm->conADO();
    addDemoLabels(db, 10000);
    LabelList list(dm->connectionName());
    list.open({"SELECT * FROM PrintLabel ORDER BY LabelText"});

    const QString out = dir.filePath("strips.ppla");
    PplaPrinterOptions options;
    options.env = [out](const QString& name) {
        return name == QLatin1String("VORNELL_PRINTER_USB1") ? QStringLiteral("file:") + out
                                                             : QString();
    };
    PplaPrinter printer(options);
    SilentProgress progress;
    const TLabelLayout layout = stripLayout();
    PrintJournal journal;
    journal.open(dir.filePath("vornell-journal.db"));
    StripJournal strips(journal, loc.path);

    int printed = 0;
    for (auto _ : state) {
        const ListPrintResult r =
            PrintLabelList({list, dm->qryEXEC(), printer, layout, LabelFormat::Barcode, progress},
                           -1, nullptr, {}, state.range(0) == 1 ? &strips : nullptr);
        printed = r.stripsPrinted;
        if (!r.completed)
            state.SkipWithError("the run did not complete");
    }
    state.counters["strips"] = printed;
    state.counters["strips/s"] =
        benchmark::Counter(double(printed), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BatchPrintJournal)
    ->ArgName("journal")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
