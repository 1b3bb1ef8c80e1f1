#include "cli/CliIo.h"
#include "cli/Commands.h"

int Cmd_Gsd(const QStringList &, CliIo &io)
{
    io.errln(QStringLiteral("brivant-cli gsd: not available in this build"));
    return kUsageExit;
}
