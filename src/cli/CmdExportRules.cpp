#include "cli/CliIo.h"
#include "cli/Commands.h"

int Cmd_ExportRules(const QStringList &, CliIo &io)
{
    io.errln(QStringLiteral("brivant-cli export-rules: not available in this build"));
    return kUsageExit;
}
