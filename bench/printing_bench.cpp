// BatchPrint of 10,000 records (3,334 strips) from the embedded database to a
// port that discards the bytes: the real driver encodes every strip and every
// strip is marked printed.
//
//   build/bench/printing_bench

#include "bench/BenchMain.h"
#include "bench/DemoLabelList.h"
#include "printer/PplaPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "settings/uBarcode.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StationRun.h"
#include "tests/support/StripLayout.h"

#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

// state.range(0): 1 runs the embedded database with synchronous=NORMAL, where
// a commit no longer waits for the disk (a power cut may lose the last marks).
void BM_BatchPrint10000(benchmark::State& state) {
    QTemporaryDir dir;
    DemoLabelList demo(dir.filePath("batch.db"), 10000);
    if (state.range(0) == 1)
        QSqlQuery(demo.dm->conADO()).exec(QStringLiteral("PRAGMA synchronous=NORMAL"));

    PplaPrinter printer(usb1At(QStringLiteral("file:/dev/null")));
    SilentProgress progress;
    const TLabelLayout layout = stripLayout();

    int strips = 0;
    for (auto _ : state) {
        const ListPrintResult r =
            printListVia(*demo.dm, *demo.list, printer, layout, LabelFormat::Barcode, progress);
        strips = r.stripsPrinted;
        if (!r.completed)
            state.SkipWithError("the run did not complete");
    }
    state.counters["strips"] = strips;
    state.counters["strips/s"] =
        benchmark::Counter(double(strips), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BatchPrint10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
