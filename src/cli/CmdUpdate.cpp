#include "cli/CliIo.h"
#include "cli/Commands.h"

int Cmd_Update(const QStringList &, CliIo &io)
{
    io.errln(QStringLiteral("brivant-cli update: not available in this build"));
    return kUsageExit;
}
