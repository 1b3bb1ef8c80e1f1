#include "cli/CliIo.h"
#include "cli/Commands.h"

int Cmd_Validate(const QStringList &, CliIo &io)
{
    io.errln(QStringLiteral("brivant-cli validate: not available in this build"));
    return kUsageExit;
}
