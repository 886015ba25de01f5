// BatchPrint of 10,000 records (3,334 strips) from the embedded database to a
// port that discards the bytes: the real driver encodes every strip and every
// strip is marked printed.
//
//   build/bench/printing_bench

#include "core/DataModule.h"
#include "db/DbLocation.h"
#include "db/DemoData.h"
#include "db/LabelList.h"
#include "printer/PplaPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "settings/uBarcode.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"

#include <QGuiApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// state.range(0): 1 runs the embedded database with synchronous=NORMAL, where
// a commit no longer waits for the disk (a power cut may lose the last marks).
void BM_BatchPrint10000(benchmark::State& state) {
    QTemporaryDir dir;
    DbLocation loc;
    loc.path = dir.filePath("batch.db");
    auto dm = createDataModule(loc);
    dm->reopen();
    QSqlDatabase db = dm->conADO();
    addDemoLabels(db, 10000);
    if (state.range(0) == 1)
        QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    LabelList list(dm->connectionName());
    list.open({"SELECT * FROM PrintLabel ORDER BY LabelText"});

    PplaPrinterOptions options;
    options.env = [](const QString& name) {
        return name == QLatin1String("VORNELL_PRINTER_USB1") ? QStringLiteral("file:/dev/null")
                                                             : QString();
    };
    PplaPrinter printer(options);
    SilentProgress progress;
    const TLabelLayout layout = stripLayout();

    int strips = 0;
    for (auto _ : state) {
        const ListPrintResult r = PrintLabelList(
            {list, dm->qryEXEC(), printer, layout, LabelFormat::Barcode, progress});
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
