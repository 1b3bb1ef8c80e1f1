#include "cli/CliIo.h"
#include "cli/Commands.h"

int Cmd_Job(const QStringList &, CliIo &io)
{
    io.errln(QStringLiteral("brivant-cli job: not available in this build"));
    return kUsageExit;
}
