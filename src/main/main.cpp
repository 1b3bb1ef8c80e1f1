#include "app/ProgramDir.h"
#include "app/ShippedLanguages.h"
#include "app/Startup.h"
#include "app/ui/AppContext.h"
#include "app/ui/AppWindows.h"
#include "app/ui/TFBrivanteFirmWare.h"
#include "platform/qt/IcmpEchoClient.h"
#include "platform/qt/PlcScanner.h"
#include "platform/qt/QtPlcChecker.h"
#include "platform/qt/QtHttpClient.h"
#include "platform/qt/QtProcessRunner.h"
#include "platform/qt/SteadyClock.h"
#include "platform/ui/QtServices.h"
#include "widgets/WindowStyle.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char *kUsage =
    "Usage: brivant [--workspace DIR]\n"
    "  --workspace DIR  the folder that holds MASTER, PROJECTS, LANGUAGE and Brivant.xml\n"
    "                   (default: the program's folder; for an installed program, or one\n"
    "                   whose folder is read-only, ~/.local/share/Norvalt/ZE52840)\n";

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    if (!displayAvailable()) {
        std::fputs("brivant: no display found; start it as `xvfb-run build/bin/brivant`, "
                   "or use the command-line tool `build/bin/brivant-cli`.\n",
                   stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brivant"));

    QString programDir;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--workspace")) {
            if (i + 1 >= args.size() || args.at(i + 1).isEmpty()) {
                std::fprintf(stderr, "brivant: --workspace needs a folder\n%s", kUsage);
                return 2;
            }
            programDir = args.at(++i);
        } else if (arg.startsWith(QLatin1String("--workspace=")) && arg.size() > 12) {
            programDir = arg.mid(12);
        } else {
            std::fprintf(stderr, "brivant: unknown argument '%s'\n%s", qPrintable(arg), kUsage);
            return 2;
        }
    }
    if (programDir.isEmpty())
        programDir = Default_Program_Dir(QApplication::applicationDirPath());
    programDir = QDir(programDir).absolutePath();
    if (!QDir().mkpath(programDir)) {
        std::fprintf(stderr, "brivant: cannot create the workspace folder '%s'\n", qPrintable(programDir));
        return 2;
    }

    AppContext context;
    QtMessageService messages(&context.texts);
    QtModalRunner modal;
    QtFileDialogs files;
    QtUrlOpener urls;
    SteadyClock clock;
    IcmpEchoClient echo;
    QtProcessRunner processes;
    QtHttpClient http;
    QtPlcChecker plc;
    PlcScanner plcScan;

    context.services.messages = &messages;
    context.services.modal = &modal;
    context.services.files = &files;
    context.services.urls = &urls;
    context.services.clock = &clock;
    context.services.echo = &echo;
    context.services.processes = &processes;
    context.services.http = &http;
    context.services.plc = &plc;
    context.services.plcScan = &plcScan;

    const StartupResult startup = Run_Startup(programDir, context.workspace, context.settings, context.texts,
                                              Shipped_Language_Dir(QApplication::applicationDirPath()));
    AppWindows windows(context);
    WindowStyle::Fit_To_Screen(windows.main.get());
    windows.main->show();
    if (startup.languageError) {
        // A language file that exists but cannot be read: the built-in texts stay.
        QTimer::singleShot(0, windows.main.get(), [&] { messages.generalError(*startup.languageError); });
    }
    return app.exec();
}
