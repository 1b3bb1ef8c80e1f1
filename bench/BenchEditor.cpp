#include "BenchEditor.h"

#include <QApplication>

BenchEditor::BenchEditor()
{
    context.texts.Load_Default_Texts();
    context.workspace.Project_Dir = project.dir();
    context.workspace.ParGen_File = project.parGenFile();
    context.workspace.S7_Protocol_File = project.s7ProtocolFile();
    context.services.messages = &messages;
}

namespace {

std::unique_ptr<BenchEditor> g_editor;
std::unique_ptr<TFS7_Protocol_Set_Access> g_window;

} // namespace

BenchEditor &benchEditor()
{
    if (!g_editor)
        g_editor = std::make_unique<BenchEditor>();
    return *g_editor;
}

TFS7_Protocol_Set_Access &benchWindow()
{
    if (!g_window)
        g_window = std::make_unique<TFS7_Protocol_Set_Access>(benchEditor().context);
    return *g_window;
}

void resetBenchEditor()
{
    g_window.reset();
    g_editor.reset();
}

void timeShowEditor(benchmark::State &state, TFS7_Protocol_Set_Access &window)
{
    for (auto _ : state) {
        window.show();
        QApplication::processEvents();
        state.PauseTiming();
        window.hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
