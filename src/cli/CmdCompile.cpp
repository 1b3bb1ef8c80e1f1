#include "cli/CliIo.h"
#include "cli/Commands.h"

int Cmd_Compile(const QStringList &, CliIo &io)
{
    io.errln(QStringLiteral("brivant-cli compile: not available in this build"));
    return kUsageExit;
}
