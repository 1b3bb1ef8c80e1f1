#include "cli/CliIo.h"
#include "cli/Commands.h"

int Cmd_Dump(const QStringList &, CliIo &io)
{
    io.errln(QStringLiteral("brivant-cli dump: not available in this build"));
    return kUsageExit;
}
