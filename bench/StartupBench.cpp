// Start-up until the main window is shown (all eight windows created), beside a bare
// QMainWindow shown the same way. Two measures:
// - warm: inside this process, after the first round has loaded fonts, styles and glyphs;
// - cold: a fresh process each time (QApplication, platform plugin, fonts, windows, shown),
//   this program re-running itself with --child.
#include "BenchMain.h"
#include "BenchProcess.h"

#include "app/Startup.h"
#include "app/ui/AppContext.h"
#include "app/ui/AppWindows.h"
#include "app/ui/TFBrivanteFirmWare.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>

namespace {

void prepareWorkspace(const QString &dir)
{
    QDir(dir).mkpath(QStringLiteral("PROJECTS/Plant/bin"));
    QDir(dir).mkpath(QStringLiteral("PROJECTS/Line 4/bin"));
    QFile settings(QDir(dir).filePath(QStringLiteral("Brivant.xml")));
    if (settings.open(QIODevice::WriteOnly))
        settings.write("<Conf_Settings><lastproj><projectname>Plant</projectname></lastproj></Conf_Settings>");
}

void showAndSettle(QWidget &window)
{
    window.show();
    QApplication::processEvents();
}

std::unique_ptr<QMainWindow> bareWindow()
{
    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle(QStringLiteral("Bare"));
    window->resize(694, 440);
    showAndSettle(*window);
    return window;
}

struct Started
{
    std::unique_ptr<AppContext> context = std::make_unique<AppContext>();
    std::unique_ptr<AppWindows> windows;
};

Started startApplication(const QString &workspace)
{
    Started s;
    Run_Startup(workspace, s.context->workspace, s.context->settings, s.context->texts);
    s.windows = std::make_unique<AppWindows>(*s.context);
    showAndSettle(*s.windows->main);
    return s;
}

void BM_BareMainWindow(benchmark::State &state)
{
    for (auto _ : state) {
        auto window = bareWindow();
        benchmark::DoNotOptimize(window->isVisible());
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BareMainWindow)->Unit(benchmark::kMillisecond);

void BM_Startup(benchmark::State &state)
{
    QTemporaryDir dir;
    prepareWorkspace(dir.path());
    for (auto _ : state) {
        Started s = startApplication(dir.path());
        benchmark::DoNotOptimize(s.windows->main->isVisible());
        state.PauseTiming();
        s.windows.reset();
        s.context.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Startup)->Unit(benchmark::kMillisecond);

void runChild(benchmark::State &state, const QStringList &args)
{
    const QString self = QCoreApplication::applicationFilePath();
    for (auto _ : state) {
        if (runProcess(self, args) != 0) {
            state.SkipWithError("the child process failed");
            break;
        }
    }
}

void BM_ColdBareMainWindow(benchmark::State &state)
{
    runChild(state, {QStringLiteral("--child=bare")});
}
BENCHMARK(BM_ColdBareMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_ColdStartup(benchmark::State &state)
{
    QTemporaryDir dir;
    prepareWorkspace(dir.path());
    runChild(state, {QStringLiteral("--child=startup"), dir.path()});
}
BENCHMARK(BM_ColdStartup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    drawOffscreenUnlessSet();
    if (argc >= 2 && std::strncmp(argv[1], "--child=", 8) == 0) {
        QApplication app(argc, argv);
        if (std::strcmp(argv[1], "--child=bare") == 0) {
            auto window = bareWindow();
            return window->isVisible() ? 0 : 1;
        }
        if (argc < 3)
            return 2;
        Started s = startApplication(QString::fromLocal8Bit(argv[2]));
        return s.windows->main->isVisible() ? 0 : 1;
    }
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
