// How fast the driver turns a strip into PPLA bytes, against the printer's own
// time for it. One strip is what the print job sends: three Code 128 barcodes
// and three "SN:" text images, print-out, feeds, close, into memory.
//
// printer_share_pct is the encoding time as a share of the time a printer at
// 4 in/s needs to print one 10 mm strip (98.4 ms).

#include "bench/BenchMain.h"
#include "printer/Port.h"
#include "printer/PplaPrinter.h"
#include "printer/StripRenderer.h"

#include <memory>

namespace {

constexpr double kPrinterSecondsPerStrip = (10.0 / 25.4) / 4.0; // 10 mm at 4 in/s

void drawStrip(PplaPrinter& p, const QByteArray texts[3]) {
    static const char* names[] = {"A3", "B3", "C3"};
    p.A_CreatePrn(0, "1");
    p.A_Set_Darkness(12);
    for (int c = 0; c < 3; ++c) {
        const int left = 30 + 240 * c;
        p.A_Prn_Barcode(left, 30, 1, 'e', 2, 1, 30, 'N', 0, texts[c].mid(2, 6).constData());
        const QByteArray sn = "SN:" + texts[c];
        p.A_Prn_Text_TrueType(left + 10, 18, 30, "Times New Roman", 1, 400, 0, 0, 0, names[c],
                              sn.constData(), 1);
    }
    p.A_Print_Out(1, 1, 1, 1);
    p.A_Feed_Label();
    p.A_Feed_Label();
    p.A_ClosePrn();
}

// The driver writing every strip into memory.
struct MemoryDriver {
    std::shared_ptr<MemoryPort> port = std::make_shared<MemoryPort>();
    PplaPrinter printer{port};
};

// Three texts printed again and again (reprints, previews).
QByteArray repeatedText(int column) {
    return "AB2405170" + QByteArray::number(column + 1);
}

void drawRepeatedStrip(PplaPrinter& p) {
    const QByteArray texts[3] = {repeatedText(0), repeatedText(1), repeatedText(2)};
    drawStrip(p, texts);
}

void addCounters(benchmark::State& state) {
    const double strips = static_cast<double>(state.iterations());
    state.counters["strips_per_s"] = benchmark::Counter(strips, benchmark::Counter::kIsRate);
    // seconds / (strips x printer seconds per strip), in percent
    state.counters["printer_share_pct"] =
        benchmark::Counter(strips * kPrinterSecondsPerStrip / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Every strip has new serial numbers: no text picture can be reused.
void BM_EncodeStrip_NewTexts(benchmark::State& state) {
    MemoryDriver d;
    qint64 serial = 24051700000;
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray texts[3] = {"AB" + QByteArray::number(serial++),
                                     "AB" + QByteArray::number(serial++),
                                     "AB" + QByteArray::number(serial++)};
        drawStrip(d.printer, texts);
        bytes += d.port->takeBytes().size();
    }
    state.SetBytesProcessed(bytes);
    addCounters(state);
}
BENCHMARK(BM_EncodeStrip_NewTexts);

// The same three texts again (reprints, previews): pictures come from the cache.
void BM_EncodeStrip_RepeatedTexts(benchmark::State& state) {
    MemoryDriver d;
    for (auto _ : state) {
        drawRepeatedStrip(d.printer);
        benchmark::DoNotOptimize(d.port->takeBytes());
    }
    addCounters(state);
}
BENCHMARK(BM_EncodeStrip_RepeatedTexts);

// The virtual printer's picture of one strip (live preview).
void BM_RenderStrip(benchmark::State& state) {
    MemoryDriver d;
    drawRepeatedStrip(d.printer);
    const QByteArray bytes = d.port->takeBytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(renderStrip(bytes));
}
BENCHMARK(BM_RenderStrip);

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv); // the application gives the text pictures their fonts
}
