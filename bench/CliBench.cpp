// The command-line tool as a user runs it: a whole process for `brivant-cli compile` of the
// largest project (512 + 512 rules), beside `brivant-cli --version`, the floor of any process
// of the tool (start, Qt's core, exit).
#include "BenchMain.h"
#include "BenchProcess.h"
#include "BenchProject.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

// Processor time (user and system) of the children that ended so far, in milliseconds: on a
// busy machine the wall time mostly measures the wait for a processor and the disk.
double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void runCli(benchmark::State &state, const QStringList &args)
{
    const QString cli = QStringLiteral(BRIVANT_CLI_PATH);
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        if (runProcess(cli, args) != 0) {
            state.SkipWithError("brivant-cli failed");
            return;
        }
    }
    state.counters["cpu_ms"] = benchmark::Counter((childCpuMs() - cpuBefore) / double(state.iterations()));
}

void BM_CliVersion(benchmark::State &state)
{
    runCli(state, {QStringLiteral("--version")});
}
BENCHMARK(BM_CliVersion)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);

void BM_CliCompile(benchmark::State &state)
{
    const BenchProject project;
    runCli(state, {QStringLiteral("compile"), project.dir()});
}
BENCHMARK(BM_CliCompile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);

void BM_CliValidate(benchmark::State &state)
{
    const BenchProject project;
    runCli(state, {QStringLiteral("validate"), project.dir()});
}
BENCHMARK(BM_CliValidate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
