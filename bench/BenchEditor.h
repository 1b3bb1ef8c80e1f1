#pragma once

#include "BenchProject.h"

#include "app/ui/AppContext.h"
#include "platform/MessageService.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"

#include <benchmark/benchmark.h>
#include <memory>

// Counts every message: any one means the project did not load as it should.
class CountingMessages : public MessageService
{
public:
    void error(const QString &) override { ++count; }
    void warning(const QString &) override { ++count; }
    void information(const QString &) override { ++count; }
    bool question(const QString &) override { ++count; return false; }
    void generalError(const QString &) override { ++count; }
    int count = 0;
};

// The largest project with the English texts, as the access-list editor opens it.
struct BenchEditor
{
    BenchEditor();
    BenchProject project;
    CountingMessages messages;
    AppContext context;
};

// The project and the editor window of a benchmark program, created on first use; the program's
// main() calls reset() while the application still exists.
BenchEditor &benchEditor();
TFS7_Protocol_Set_Access &benchWindow();
void resetBenchEditor();

// Show (limits, rules loaded into both grids, laid out and painted), then hide, timing the show.
void timeShowEditor(benchmark::State &state, TFS7_Protocol_Set_Access &window);
