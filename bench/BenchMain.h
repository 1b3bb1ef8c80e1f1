#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <benchmark/benchmark.h>

// The widget benchmarks draw off screen unless QT_QPA_PLATFORM names another platform.
inline void drawOffscreenUnlessSet()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Runs the benchmarks that the command line selects, inside the application that main() made;
// 1 when the command line holds options that Google Benchmark does not know.
inline int runBenchmarks(int &argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
