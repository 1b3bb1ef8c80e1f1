#include "cli/CliIo.h"
#include "cli/Commands.h"

int Cmd_ImportRules(const QStringList &, CliIo &io)
{
    io.errln(QStringLiteral("brivant-cli import-rules: not available in this build"));
    return kUsageExit;
}
