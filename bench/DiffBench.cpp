// brivant-cli diff of two largest projects that differ in one inserted read rule, as a whole
// process (start, load both sides, compare, print), beside the bare start of the same program
// and the comparison inside one process.
#include "BenchMain.h"
#include "BenchProcess.h"
#include "BenchProject.h"

#include "commparams/CommParams.h"
#include "compare/ProjectDiff.h"
#include "s7access/S7Protocol.h"

#include <QCoreApplication>
#include <QDir>
#include <benchmark/benchmark.h>

namespace {

// A: 511 + 512 rules; B: the same with a rule inserted at row 256, 512 + 512.
struct DiffProjects
{
    DiffProjects()
    {
        S7RuleList read = BenchProject::Generate_Rules(S7Rule::List::Read);
        const S7RuleList write = BenchProject::Generate_Rules(S7Rule::List::Write);
        const QString b = QDir(a.dir()).filePath(QStringLiteral("B"));
        QDir().mkpath(b);
        Write_ParGen(QDir(b).filePath(QStringLiteral("ParGen.xml")), CommParams::windowDefaults());
        Save_S7_Protocol(QDir(b).filePath(QStringLiteral("S7_Protocol.xml")), read, write);
        read.erase(read.begin() + 255);
        read.push_back(S7Rule());
        Save_S7_Protocol(a.s7ProtocolFile(), read, write);
        bDir = b;
    }
    BenchProject a;
    QString bDir;
};

const DiffProjects &projects()
{
    static const DiffProjects p;
    return p;
}

int runCli(const QStringList &args)
{
    return runProcess(QStringLiteral(BRIVANT_CLI), args);
}

void BM_DiffProcess(benchmark::State &state)
{
    const DiffProjects &p = projects();
    const QStringList args{QStringLiteral("diff"), p.a.dir(), p.bDir};
    if (runCli(args) != 1)
        state.SkipWithError("diff did not report the inserted rule");
    for (auto _ : state)
        benchmark::DoNotOptimize(runCli(args));
}
BENCHMARK(BM_DiffProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_VersionProcess(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(runCli({QStringLiteral("--version")}));
}
BENCHMARK(BM_VersionProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_DiffInProcess(benchmark::State &state)
{
    const DiffProjects &p = projects();
    for (auto _ : state) {
        ProjectContent a, b;
        Load_Project_Content(p.a.dir(), a);
        Load_Project_Content(p.bDir, b);
        benchmark::DoNotOptimize(Format_Diff_Text(Diff_Projects(a, b)));
    }
}
BENCHMARK(BM_DiffInProcess)->Unit(benchmark::kMillisecond);

void BM_DiffRulesOnly(benchmark::State &state)
{
    const DiffProjects &p = projects();
    ProjectContent a, b;
    Load_Project_Content(p.a.dir(), a);
    Load_Project_Content(p.bDir, b);
    for (auto _ : state)
        benchmark::DoNotOptimize(Diff_Projects(a, b));
}
BENCHMARK(BM_DiffRulesOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
