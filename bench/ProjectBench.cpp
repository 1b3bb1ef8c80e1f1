// The project files at their largest: 512 + 512 enabled rules. The floor is a bare QDomDocument
// parse of the same S7_Protocol.xml; every other figure is compared with it.
#include "BenchProject.h"

#include "common/SafeFile.h"
#include "gsd/GsdGenerator.h"
#include "image/ImageCompiler.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7Validation.h"
#include "texts/TextTable.h"

#include <QDir>
#include <QDomDocument>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

const BenchProject &project()
{
    static const BenchProject p;
    return p;
}

const TextTable &texts()
{
    static const TextTable t = [] {
        TextTable table;
        table.Load_Default_Texts();
        return table;
    }();
    return t;
}

void BM_BareDomParse(benchmark::State &state)
{
    const QString path = project().s7ProtocolFile();
    for (auto _ : state) {
        QDomDocument doc;
        const bool ok = doc.setContent(Read_Whole_File(path));
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}
BENCHMARK(BM_BareDomParse)->Unit(benchmark::kMillisecond);

void BM_Load_S7_Protocol(benchmark::State &state)
{
    for (auto _ : state) {
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        if (Load_S7_Protocol(project().s7ProtocolFile(), read, write))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(read.data());
    }
}
BENCHMARK(BM_Load_S7_Protocol)->Unit(benchmark::kMillisecond);

void BM_Controllo_dati(benchmark::State &state)
{
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    Load_S7_Protocol(project().s7ProtocolFile(), read, write);
    const PositionLimits limits = Load_Position_Limits(project().parGenFile());
    if (const auto fault = Controllo_dati(read, write, limits, texts())) {
        state.SkipWithError(fault->message.toUtf8().constData());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(Controllo_dati(read, write, limits, texts()));
}
BENCHMARK(BM_Controllo_dati)->Unit(benchmark::kMillisecond);

void BM_Save_S7_Protocol(benchmark::State &state)
{
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    Load_S7_Protocol(project().s7ProtocolFile(), read, write);
    const QString out = QDir(project().dir()).filePath(QStringLiteral("saved.xml"));
    for (auto _ : state)
        Save_S7_Protocol(out, read, write);
}
BENCHMARK(BM_Save_S7_Protocol)->Unit(benchmark::kMillisecond);

// The editor's round: open (limits, load), confirm (validate, save).
void BM_LoadValidateSave(benchmark::State &state)
{
    const QString out = QDir(project().dir()).filePath(QStringLiteral("saved.xml"));
    for (auto _ : state) {
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        const PositionLimits limits = Load_Position_Limits(project().parGenFile());
        Load_S7_Protocol(project().s7ProtocolFile(), read, write);
        if (Controllo_dati(read, write, limits, texts()))
            state.SkipWithError("validation failed");
        Save_S7_Protocol(out, read, write);
    }
}
BENCHMARK(BM_LoadValidateSave)->Unit(benchmark::kMillisecond);

void BM_Compile_Banks(benchmark::State &state)
{
    ImageCompiler compiler;
    for (auto _ : state)
        compiler.Compile_Banks(project().parGenFile(), project().s7ProtocolFile());
    if (compiler.ruleCount() != 1024)
        state.SkipWithError("not every rule compiled");
}
BENCHMARK(BM_Compile_Banks)->Unit(benchmark::kMillisecond);

void BM_Compile_And_Write_Banks(benchmark::State &state)
{
    ImageCompiler compiler;
    for (auto _ : state) {
        compiler.Compile_Banks(project().parGenFile(), project().s7ProtocolFile());
        compiler.Write_Bank_Files(project().dir());
    }
}
BENCHMARK(BM_Compile_And_Write_Banks)->Unit(benchmark::kMillisecond);

void BM_Write_GSD_File(benchmark::State &state)
{
    const QString file = QDir(project().dir()).filePath(QStringLiteral("Station.gsd"));
    for (auto _ : state)
        GsdGenerator::Write_GSD_File(file, {244, 244});
}
BENCHMARK(BM_Write_GSD_File)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
