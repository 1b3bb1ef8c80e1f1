// The PROFIBUS map of the largest project (512 + 512 enabled rules, both areas 244 bytes, every
// byte of the in area shared): built, tabled, its editor page repainted and recoloured after an
// edit, beside the editor's opening; and the commissioning report of that project.
#include "BenchEditor.h"
#include "BenchMain.h"

#include "report/CommissioningReport.h"
#include "s7access/ProfibusMap.h"
#include "s7access/S7Protocol.h"
#include "s7access/ui/ProfibusMapView.h"
#include "s7access/ui/S7RuleTableModel.h"

#include <QApplication>
#include <QBuffer>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTabWidget>
#include <QTextLayout>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

// Both lists of the largest project, as the editor loads them.
struct Rules
{
    Rules() { Load_S7_Protocol(benchEditor().project.s7ProtocolFile(), read, write); }
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
};

const Rules &rules()
{
    static const Rules r;
    return r;
}

void BM_BuildMap(benchmark::State &state)
{
    const Rules &f = rules();
    for (auto _ : state) {
        const ProfibusMap map = ProfibusMap::build(f.read, f.write, {244, 244});
        benchmark::DoNotOptimize(map.conflicts().size());
    }
    state.counters["conflicts"] = double(ProfibusMap::build(f.read, f.write, {244, 244}).conflicts().size());
}
BENCHMARK(BM_BuildMap)->Unit(benchmark::kMillisecond);

void BM_MapTable(benchmark::State &state)
{
    const Rules &f = rules();
    const ProfibusMap map = ProfibusMap::build(f.read, f.write, {244, 244});
    for (auto _ : state)
        benchmark::DoNotOptimize(Map_Table_Rows(map, f.read, f.write, benchEditor().context.texts).size());
}
BENCHMARK(BM_MapTable)->Unit(benchmark::kMillisecond);

// The editor's opening, now with its map page.
void BM_OpenEditor(benchmark::State &state)
{
    timeShowEditor(state, benchWindow());
}
BENCHMARK(BM_OpenEditor)->Unit(benchmark::kMillisecond)->UseRealTime();

ProfibusMapView &shownMap()
{
    TFS7_Protocol_Set_Access &w = benchWindow();
    w.show();
    w.findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(2);
    QApplication::processEvents();
    return *w.findChild<ProfibusMapView *>(QStringLiteral("ProfibusMapView"));
}

// The shown part of the page painted again.
void BM_RepaintMapPage(benchmark::State &state)
{
    ProfibusMapView &view = shownMap();
    for (auto _ : state)
        view.repaint();
    benchWindow().hide();
}
BENCHMARK(BM_RepaintMapPage)->Unit(benchmark::kMillisecond)->UseRealTime();

// One Position edit in the read grid: the map rebuilt and the page repainted.
void BM_EditRecolour(benchmark::State &state)
{
    ProfibusMapView &view = shownMap();
    S7RuleTableModel &model = benchWindow().readModel();
    const QModelIndex cell = model.index(3, model.columnOf(S7Rule::Field::Position));
    int i = 0;
    for (auto _ : state) {
        model.setData(cell, QString::number(++i % 244));
        view.repaint();
    }
    benchWindow().hide();
}
BENCHMARK(BM_EditRecolour)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReportPdf(benchmark::State &state)
{
    BenchEditor &f = benchEditor();
    qsizetype bytes = 0;
    for (auto _ : state) {
        const ReportInput input = Load_Report_Input(f.project.dir(), QDateTime::currentDateTime());
        bytes = Report_Pdf(input, f.context.texts).size();
    }
    state.counters["pdf_kB"] = double(bytes) / 1024.0;
}
BENCHMARK(BM_ReportPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReportHtml(benchmark::State &state)
{
    BenchEditor &f = benchEditor();
    for (auto _ : state) {
        const ReportInput input = Load_Report_Input(f.project.dir(), QDateTime::currentDateTime());
        benchmark::DoNotOptimize(Report_Html(input, f.context.texts).size());
    }
}
BENCHMARK(BM_ReportHtml)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same project with cells at the cells' bound of 1,000 characters: the mnemonic one
// word without a space (wider than any column); with `everyCell` every other cell of both
// lists too, words of several lengths. The report is taken of these lists as an editor
// shows them.
ReportInput longCellInput(bool everyCell)
{
    return [everyCell] {
        S7RuleList read = rules().read;
        S7RuleList write = rules().write;
        QString words;
        for (int i = 0; words.size() < 1000; ++i)
            words += QStringLiteral("cell%1 ").arg(QString(i % 7 + 1, u'w'));
        words.truncate(1000);
        for (S7RuleList *list : {&read, &write}) {
            for (S7Rule &rule : *list) {
                if (rule.PLC_Address.isEmpty())
                    continue;
                for (const S7Rule::Field field : S7Rule::fields(list == &read ? S7Rule::List::Read : S7Rule::List::Write)) {
                    if (field == S7Rule::Field::Mnemonic)
                        rule[field] = QString(1000, u'M');
                    else if (everyCell)
                        rule[field] = words;
                }
            }
        }
        return Load_Report_Input(benchEditor().project.dir(), QDateTime::currentDateTime(), read, write);
    }();
}

void BM_ReportPdfLongCells(benchmark::State &state)
{
    const ReportInput input = longCellInput(state.range(0) != 0);
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = Report_Pdf(input, benchEditor().context.texts).size();
    state.counters["pdf_kB"] = double(bytes) / 1024.0;
}
BENCHMARK(BM_ReportPdfLongCells)->ArgName("every_cell")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A small project whose first mnemonic is one word of N characters: the PDF's time grows
// with N, not with its square.
void BM_ReportPdfOneLongWord(benchmark::State &state)
{
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    for (int i = 0; i < 8; ++i)
        read[std::size_t(i)] = rules().read[std::size_t(i)];
    read[0].Mnemonic = QString(qsizetype(state.range(0)), u'X');
    const ReportInput input = Load_Report_Input(benchEditor().project.dir(), QDateTime::currentDateTime(), read, write);
    for (auto _ : state)
        benchmark::DoNotOptimize(Report_Pdf(input, benchEditor().context.texts).size());
}
BENCHMARK(BM_ReportPdfOneLongWord)->ArgName("chars")->Arg(30000)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->UseRealTime();

// What Qt's PDF writer takes by itself for the glyphs of the report with every cell at 1,000
// characters (some 17 million besides the spaces, ten or so to a line in the narrow columns,
// some 1,100 pages), drawn from glyph runs made once beforehand, at whole device pixels and
// without spaces as the report draws its Latin cells: no layout at all, only the writer's
// positioning, writing and compressing of each glyph. With `perLine` each line is its own
// run; otherwise each block of 90 lines is one, as the report draws a cell on a page.
void BM_PdfWriterGlyphsOnly(benchmark::State &state)
{
    const bool perLine = state.range(0) != 0;
    constexpr int kLinesPerBlock = 90;
    constexpr int kBlocksPerPage = 18;
    constexpr qint64 kGlyphs = 17'000'000;
    qsizetype bytes = 0;
    for (auto _ : state) {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10)));
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleStrategy(QFont::PreferNoShaping);
        font.setPointSizeF(5);
        QPainter painter(&writer);
        painter.setFont(font);
        QTextLayout layout(QStringLiteral("cellww cel"), font, &writer);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QGlyphRun line = layout.glyphRuns().first();
        {
            const quint32 space = line.rawFont().glyphIndexesForString(QStringLiteral(" ")).value(0);
            QList<quint32> kept;
            QList<QPointF> at;
            for (qsizetype i = 0; i < line.glyphIndexes().size(); ++i) {
                if (line.glyphIndexes()[i] == space)
                    continue;
                kept += line.glyphIndexes()[i];
                const QPointF p = line.positions()[i];
                at += QPointF(std::round(p.x()), std::round(p.y()));
            }
            line.setGlyphIndexes(kept);
            line.setPositions(at);
        }
        const qreal spacing = QFontMetricsF(font, &writer).lineSpacing();
        const qreal columnWidth = writer.width() / qreal(kBlocksPerPage);
        QGlyphRun block = line;
        QList<quint32> indexes;
        QList<QPointF> positions;
        for (int l = 0; l < kLinesPerBlock; ++l) {
            indexes += line.glyphIndexes();
            for (const QPointF &p : line.positions())
                positions += p + QPointF(0, std::round(l * spacing));
        }
        block.setGlyphIndexes(indexes);
        block.setPositions(positions);
        const qint64 perPage = qint64(kBlocksPerPage) * indexes.size();
        for (qint64 drawn = 0; drawn < kGlyphs; drawn += perPage) {
            if (drawn > 0)
                writer.newPage();
            for (int b = 0; b < kBlocksPerPage; ++b) {
                if (perLine) {
                    for (int l = 0; l < kLinesPerBlock; ++l)
                        painter.drawGlyphRun(QPointF(b * columnWidth, l * spacing), line);
                } else {
                    painter.drawGlyphRun(QPointF(b * columnWidth, 0), block);
                }
            }
        }
        painter.end();
        bytes = out.size();
    }
    state.counters["pdf_kB"] = double(bytes) / 1024.0;
}
BENCHMARK(BM_PdfWriterGlyphsOnly)->ArgName("per_line")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReportHtmlLongCells(benchmark::State &state)
{
    const ReportInput input = longCellInput(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(Report_Html(input, benchEditor().context.texts).size());
}
BENCHMARK(BM_ReportHtmlLongCells)->ArgName("every_cell")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    drawOffscreenUnlessSet();
    QApplication app(argc, argv);
    const int status = runBenchmarks(argc, argv);
    resetBenchEditor();
    return status;
}
