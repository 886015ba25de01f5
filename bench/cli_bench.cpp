// Whole-process figures of the command line: `vornell print-list` of N label
// texts to a port that discards the bytes (file:/dev/null), wall time and peak
// memory of the child process, beside glabels-3-batch merging the same texts
// into a sheet of 30 x 10 mm labels three across (when it is installed).
//
// CLI_BENCH_TEXTS (default 10000) sets N; CLI_BENCH_LONG_TEXTS (default
// 1000000) the length of the long list whose memory should stay that of the
// short one.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ChildRun {
    double seconds = 0;
    double peakMb = 0;
    double cpuSeconds = 0; // user + system time of the child
    int exitCode = -1;
};

// Runs a program in dir with extra environment entries; waits for it.
ChildRun runChild(const std::vector<std::string>& args, const fs::path& dir,
                  const std::vector<std::pair<std::string, std::string>>& env) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        for (const auto& [k, v] : env)
            setenv(k.c_str(), v.c_str(), 1);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    ChildRun r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakMb = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    r.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

int envInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

std::string text(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "QZ%06d", i % 1000000);
    return buf;
}

// A work directory with the station's layout (three labels on a 30 x 10 mm
// strip, port USB1) and the list of n texts.
fs::path workDir(int n) {
    const fs::path dir = fs::temp_directory_path() / ("vornell-cli-bench-" + std::to_string(n));
    fs::create_directories(dir);
    std::ofstream ini(dir / "Quillet.ini");
    ini << "[mainBarcode]\n_iprinter=USB1\n_ftype_name=Times New Roman\n_fBellow=400 standard\n";
    const int left[3] = {30, 270, 510};
    for (int c = 1; c <= 3; ++c)
        ini << "_bleft" << c << '=' << left[c - 1] << "\n_btop" << c << "=30\n_bwidth" << c
            << "=1\n_bhight" << c << "=30\n_fleft" << c << '=' << left[c - 1] << "\n_ftop" << c
            << "=18\n_fhight" << c << "=30\n";
    std::ofstream list(dir / "list.txt");
    std::ofstream csv(dir / "texts.csv");
    for (int i = 0; i < n; ++i) {
        list << text(i) << '\n';
        csv << text(i) << ',' << text(i).substr(2, 6) << '\n';
    }
    // The same labels for glabels: a sheet 90 mm wide, 30 x 10 mm labels
    // three across, a Code 128 barcode of characters 3-8 above an "SN:" line.
    std::ofstream gl(dir / "strip3010.glabels");
    gl << R"(<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">
  <Template brand="Vornell" part="S3010" size="Other" width="90mm" height="300mm"
            description="30 x 10 mm, three across">
    <Meta category="label"/>
    <Label-rectangle id="0" width="30mm" height="10mm" round="0mm" x_waste="0mm" y_waste="0mm">
      <Markup-margin size="0.5mm"/>
      <Layout nx="3" ny="30" x0="0mm" y0="0mm" dx="30mm" dy="10mm"/>
    </Label-rectangle>
  </Template>
  <Objects id="0" rotate="False">
    <Object-barcode x="1mm" y="0.5mm" w="28mm" h="5.5mm" style="Code128" text="False"
        checksum="True" color="0x000000ff" field="2" format="10"
        a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
    <Object-text x="1mm" y="6.2mm" w="28mm" h="3.5mm" justify="Left" auto_shrink="False"
        a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span color="0x000000ff" font_family="Liberation Serif" font_size="7"
          font_weight="Regular" font_italic="False" line_spacing="1">SN:<Field name="1"/></Span>
    </Object-text>
  </Objects>
  <Merge type="Text/Comma" src="texts.csv"/>
</Glabels-document>
)";
    return dir;
}

bool childFailed = false; // a failed vornell run fails the benchmark program

void report(benchmark::State& state, const ChildRun& r, int n) {
    if (r.exitCode != 0) {
        childFailed = true;
        state.SkipWithError(("exit code " + std::to_string(r.exitCode)).c_str());
    }
    state.SetIterationTime(r.seconds);
    state.counters["peak_MB"] = r.peakMb;
    state.counters["child_cpu_s"] = r.cpuSeconds;
    state.counters["texts"] = n;
}

void BM_PrintList(benchmark::State& state, int n) {
    const fs::path dir = workDir(n);
    for (auto _ : state)
        report(state,
               runChild(
                   {VORNELL, "print-list", "list.txt"}, dir,
                   {{"VORNELL_PRINTER_USB1", "file:/dev/null"}, {"QT_QPA_PLATFORM", "offscreen"}}),
               n);
    fs::remove_all(dir);
}

void BM_Glabels(benchmark::State& state, int n) {
    if (std::system("command -v glabels-3-batch >/dev/null 2>&1") != 0) {
        state.SkipWithError("glabels-3-batch is not installed (apt package glabels)");
        for (auto _ : state) {
        }
        return;
    }
    const fs::path dir = workDir(n);
    for (auto _ : state)
        report(state,
               runChild(
                   {"glabels-3-batch", "-o", "labels.pdf", "-i", "texts.csv", "strip3010.glabels"},
                   dir, {}),
               n);
    fs::remove_all(dir);
}

} // namespace

int main(int argc, char** argv) {
    const int texts = envInt("CLI_BENCH_TEXTS", 10000);
    const int longTexts = envInt("CLI_BENCH_LONG_TEXTS", 1000000);
    benchmark::RegisterBenchmark("print_list_to_dev_null", BM_PrintList, texts)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("print_list_long_to_dev_null", BM_PrintList, longTexts)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("glabels_3_batch_merge", BM_Glabels, texts)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return childFailed ? 1 : 0;
}
