#pragma once

#include <QGuiApplication>

#include <benchmark/benchmark.h>

// The main of a benchmark that draws text: an offscreen application for the
// fonts (unless the caller names a platform), then Google Benchmark with the
// command line.
inline int runBenchmarks(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
