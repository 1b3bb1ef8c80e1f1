#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "app/ProgramDir.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    CliIo io{out, err, Default_Program_Dir(QCoreApplication::applicationDirPath())};
    return Run_Cli(app.arguments().mid(1), io);
}
