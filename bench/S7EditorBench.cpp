// Opening the access-list editor on the largest project (512 + 512 enabled rules), beside the
// bare QDomDocument parse of the same S7_Protocol.xml; scrolling and editing a full grid; the
// resident memory with the window open (counter rss_MB).
//
// The bare parse is sensitive to glibc's heap trimming: freeing a whole DOM returns memory to
// the system and the next parse faults it back in, which can triple its time depending on the
// process's heap history. For figures that compare like with like, run with
// MALLOC_TRIM_THRESHOLD_=268435456 MALLOC_MMAP_THRESHOLD_=268435456.
#include "BenchEditor.h"
#include "BenchMain.h"

#include "common/SafeFile.h"
#include "s7access/ui/S7GridView.h"
#include "s7access/ui/S7RuleTableModel.h"

#include <QApplication>
#include <QDomDocument>
#include <QFile>
#include <QScrollBar>
#include <benchmark/benchmark.h>

namespace {

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void BM_BareDomParse(benchmark::State &state)
{
    const QString path = benchEditor().project.s7ProtocolFile();
    for (auto _ : state) {
        QDomDocument doc;
        benchmark::DoNotOptimize(doc.setContent(Read_Whole_File(path)));
    }
}
BENCHMARK(BM_BareDomParse)->Unit(benchmark::kMillisecond);

// Show (limits, rules loaded into both grids, laid out and painted), then hide.
void BM_OpenEditor(benchmark::State &state)
{
    TFS7_Protocol_Set_Access &w = benchWindow();
    timeShowEditor(state, w);
    if (benchEditor().messages.count != 0 || w.readModel().rules()[511].PLC_Address.isEmpty())
        state.SkipWithError("the project did not load");
    w.show();
    QApplication::processEvents();
    state.counters["rss_MB"] = residentMegabytes();
    w.hide();
}
BENCHMARK(BM_OpenEditor)->Unit(benchmark::kMillisecond)->UseRealTime();

// One page down through the full read grid, repainted each step.
void BM_ScrollPage(benchmark::State &state)
{
    TFS7_Protocol_Set_Access &w = benchWindow();
    w.show();
    QApplication::processEvents();
    auto *view = w.findChild<S7GridView *>(QStringLiteral("ACG_S7_Read"));
    QScrollBar *bar = view->verticalScrollBar();
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        view->viewport()->repaint();
    }
    w.hide();
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One cell edit in a full grid (an undo step) and its repaint.
void BM_EditCell(benchmark::State &state)
{
    TFS7_Protocol_Set_Access &w = benchWindow();
    w.show();
    QApplication::processEvents();
    auto *view = w.findChild<S7GridView *>(QStringLiteral("ACG_S7_Read"));
    S7RuleTableModel &model = w.readModel();
    const QModelIndex cell = model.index(3, model.columnOf(S7Rule::Field::Mnemonic));
    int i = 0;
    for (auto _ : state) {
        model.setData(cell, QString::number(++i));
        view->viewport()->repaint();
    }
    w.hide();
}
BENCHMARK(BM_EditCell)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    drawOffscreenUnlessSet();
    QApplication app(argc, argv);
    const int status = runBenchmarks(argc, argv);
    resetBenchEditor();
    return status;
}
