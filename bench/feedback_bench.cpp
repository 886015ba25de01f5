// A print run of 300 strips (900 records) from the embedded database to the
// networked virtual printer at its rated 4 inches a second with 30 ms status
// answers, through the real driver: with the printer confirming every strip
// (up to eight in flight) and without. Both are timed until the last strip is
// out of the printer; "of rated" is the share of the printer's own rate.
//
//   build/bench/feedback_bench
//   FEEDBACK_BENCH_STRIPS=20 build/bench/feedback_bench   (a short run)

#include "bench/BenchMain.h"
#include "bench/DemoLabelList.h"
#include "printer/PplaPrinter.h"
#include "printer/VirtualTcpPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "settings/uBarcode.h"
#include "tests/support/DriverEnv.h"
#include "tests/support/StationRun.h"
#include "tests/support/StripLayout.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

int stripCount() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("FEEDBACK_BENCH_STRIPS", &ok);
    return ok && n > 0 ? n : 300;
}

// state.range(0): 1 with the printer's confirmation, 0 without.
void BM_PrintToNetworkPrinter(benchmark::State& state) {
    const bool confirm = state.range(0) == 1;
    const int strips = stripCount();
    QTemporaryDir dir;
    DemoLabelList demo(dir.filePath("feedback.db"), strips * 3);

    VirtualTcpPrinterOptions o;
    o.port = 0;
    o.statusLatencyMs = 30;
    // As real printers do: status answered at once, ahead of the formats
    // that wait in the input buffer.
    o.interpretDelayMs = 20;
    VirtualTcpPrinter printer(o);
    QString error;
    if (!printer.start(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    PplaPrinter driver(usb1At(loopbackTarget(printer.port())));
    SilentProgress progress;
    const TLabelLayout layout = stripLayout();

    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QSqlQuery(demo.dm->conADO()).exec(QStringLiteral("UPDATE PrintLabel SET PrintFlag=0"));
        const int before = printer.printed();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const ListPrintResult r =
            printListVia(*demo.dm, *demo.list, driver, layout, LabelFormat::Barcode, progress, -1,
                         confirm ? &driver : nullptr);
        if (!r.completed || r.stripsPrinted != strips) {
            state.SkipWithError(qPrintable(QStringLiteral("the run stopped: %1").arg(r.failure)));
            break;
        }
        if (!printer.waitPrinted(before + strips, 600000)) {
            state.SkipWithError("the printer did not finish");
            break;
        }
        seconds += clock.nsecsElapsed() / 1e9;
    }
    const double rated = 1000.0 / VirtualTcpPrinter::stripMs(o);
    state.counters["strips/s"] =
        benchmark::Counter(double(strips), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["rated strips/s"] = rated;
    if (seconds > 0)
        state.counters["of rated"] = double(strips) * double(state.iterations()) / seconds / rated;
}
BENCHMARK(BM_PrintToNetworkPrinter)
    ->ArgName("confirm")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
