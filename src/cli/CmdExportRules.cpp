#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "common/SafeFile.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7RuleCsv.h"

#include <QDir>

int Cmd_ExportRules(const QStringList &args, CliIo &io)
{
    const CliCommand command("export-rules", io);
    const auto parsed = command.parse(args, {}, 2, "PROJECT_DIR FILE.csv");
    if (!parsed)
        return kUsageExit;
    const QString projectDir = parsed->positional[0];
    const QString csvFile = parsed->positional[1];
    if (!command.isProjectFolder(projectDir))
        return kUsageExit;
    if (!command.holdsProjectFiles(projectDir))
        return 1;

    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    // A list read only in part would make a misleading copy: nothing is written then.
    const QString s7File = ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml"));
    if (const auto loadError = Load_S7_Protocol(s7File, read, write, RowsPast512::Keep))
        return command.fail(*loadError, kUsageExit);
    // Rules after a list's end would be dropped from the copy without a word: refused instead.
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        if (const auto text = Unvalidated_Rules_Text(list == S7Rule::List::Read ? read : write, list,
                                                     QDir::toNativeSeparators(s7File)))
            return command.fail(*text, 1);
    }
    try {
        Write_File_Safely(csvFile, Rules_To_Csv(read, write));
    } catch (const BrivantError &e) {
        return command.fail(e.text(), kUsageExit);
    }
    io.println(QStringLiteral("%1 read rules and %2 write rules written to %3")
                   .arg(Rules_In_Use(read))
                   .arg(Rules_In_Use(write))
                   .arg(QDir::toNativeSeparators(csvFile)));
    return 0;
}
