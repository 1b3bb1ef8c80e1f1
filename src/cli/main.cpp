#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "app/ProgramDir.h"

#include <QCoreApplication>
#include <QFile>
#ifdef BRIVANT_HAS_REPORT
#include <QGuiApplication>
#endif
#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    // Only the report draws (fonts, PDF): it gets a QGuiApplication on the offscreen platform,
    // so that it runs without a display; every other command starts as a bare core application.
    std::unique_ptr<QCoreApplication> application;
#ifdef BRIVANT_HAS_REPORT
    if (argc > 1 && std::strcmp(argv[1], "report") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
#endif
    if (!application)
        application = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication &app = *application;
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    CliIo io{out, err, Default_Program_Dir(QCoreApplication::applicationDirPath())};
    return Run_Cli(app.arguments().mid(1), io);
}
