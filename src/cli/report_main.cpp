#include "cli/CliIo.h"
#include "cli/ReportCommand.h"

#include <QFile>
#include <QGuiApplication>

// brivant-report: the report command of brivant-cli, in a program of its own because it needs
// Qt Gui. It draws offscreen, so it runs without a display.
int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    CliIo io{out, err, QString()};
    return Run_Report_Command(app.arguments().mid(1), io);
}
