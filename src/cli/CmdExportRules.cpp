#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "common/SafeFile.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7RuleCsv.h"

#include <QDir>
#include <QFileInfo>

int Cmd_ExportRules(const QStringList &args, CliIo &io)
{
    const auto fail = [&](const QString &why) {
        io.errln(QStringLiteral("brivant-cli export-rules: %1").arg(why));
        return kUsageExit;
    };
    QString error;
    const auto parsed = CliArgs::parse(args, {}, {}, &error);
    if (!parsed)
        return fail(error);
    if (parsed->positional.size() != 2)
        return fail(QStringLiteral("usage: brivant-cli export-rules PROJECT_DIR FILE.csv"));
    const QString projectDir = parsed->positional[0];
    const QString csvFile = parsed->positional[1];
    if (!QFileInfo(projectDir).isDir())
        return fail(QStringLiteral("no project folder %1").arg(QDir::toNativeSeparators(projectDir)));

    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    // A list read only in part would make a misleading copy: nothing is written then.
    if (const auto loadError = Load_S7_Protocol(ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml")),
                                                read, write))
        return fail(*loadError);
    try {
        Write_File_Safely(csvFile, Rules_To_Csv(read, write));
    } catch (const BrivantError &e) {
        return fail(e.text());
    }
    io.println(QStringLiteral("%1 read rules and %2 write rules written to %3")
                   .arg(Rules_In_Use(read))
                   .arg(Rules_In_Use(write))
                   .arg(QDir::toNativeSeparators(csvFile)));
    return 0;
}
