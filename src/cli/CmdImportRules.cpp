#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/CliRuleWarnings.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "common/SafeFile.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7RuleCsv.h"
#include "s7access/S7Validation.h"
#include "texts/TextTable.h"

#include <QDir>

// Replaces a project's rule lists by those of a CSV file, checked as the editor checks them
// on OK. S7_Protocol.xml changes only when the lists are valid.
int Cmd_ImportRules(const QStringList &args, CliIo &io)
{
    const CliCommand command("import-rules", io);
    const auto parsed = command.parse(args, {QStringLiteral("--no-history")}, 2, "PROJECT_DIR FILE.csv");
    if (!parsed)
        return kUsageExit;
    const QString projectDir = parsed->positional[0];
    const QString csvFile = parsed->positional[1];
    if (!command.isProjectFolder(projectDir))
        return kUsageExit;

    S7RuleList read;
    S7RuleList write;
    PositionLimits limits;
    std::array<std::vector<int>, 2> ruleLines;
    try {
        const auto csvError = Csv_To_Rules(
            Read_Bounded_File(csvFile, kMaxCsvFileSize, QStringLiteral("CSV files"), QStringLiteral("16 MiB")), read,
            write, &ruleLines);
        Warn_Rules_After_End(io, QDir::toNativeSeparators(csvFile), read, write);
        if (csvError)
            return command.fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(csvFile), *csvError), kUsageExit);
        limits = Load_Position_Limits(ConfigWorkspace::join(projectDir, QStringLiteral("ParGen.xml")));
    } catch (const BrivantError &e) {
        return command.fail(e.text(), kUsageExit);
    }

    TextTable texts;
    texts.Load_Default_Texts();
    if (const auto fault = Controllo_dati(read, write, limits, texts)) {
        io.println(fault->message);
        // The message names the list's row; the file's line is where to mend it.
        const std::vector<int> &lines = ruleLines[fault->list == S7Rule::List::Read ? 0 : 1];
        if (fault->row >= 1 && std::size_t(fault->row) <= lines.size())
            io.errln(QStringLiteral("%1 line %2: %3 rule %4")
                         .arg(QDir::toNativeSeparators(csvFile))
                         .arg(lines[std::size_t(fault->row - 1)])
                         .arg(List_Name(fault->list))
                         .arg(fault->row));
        return 1;
    }
    const QString s7File = ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml"));
    try {
        Save_S7_Protocol(s7File, read, write,
                         parsed->has(QStringLiteral("--no-history")) ? KeepHistory::No : KeepHistory::Yes);
    } catch (const ValueError &e) {
        // Lists the file cannot hold (or the readers would refuse): nothing was written.
        return command.fail(e.text(), 1);
    } catch (const HistoryError &e) {
        return command.fail(e.text() + QStringLiteral(" (--no-history saves without keeping it)"), kUsageExit);
    } catch (const BrivantError &e) {
        return command.fail(e.text(), kUsageExit);
    }
    io.println(QStringLiteral("%1 read rules and %2 write rules written to %3")
                   .arg(Rules_In_Use(read))
                   .arg(Rules_In_Use(write))
                   .arg(s7File));
    return 0;
}
