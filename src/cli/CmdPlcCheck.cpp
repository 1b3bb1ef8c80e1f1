#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "platform/qt/QtPlcChecker.h"
#include "s7access/PlcCheck.h"
#include "s7access/S7Protocol.h"

#include <algorithm>

// Reads each enabled rule's item once from its PLC, with the lists as S7_Protocol.xml holds
// them. Nothing is ever written to a PLC.
int Cmd_PlcCheck(const QStringList &args, CliIo &io)
{
    const CliCommand command("plc-check", io);
    const char *usage = "usage: brivant-cli plc-check PROJECT_DIR [--timeout MS] [--json]";
    QString error;
    const auto parsed = CliArgs::parse(args, {QStringLiteral("--timeout")}, {QStringLiteral("--json")}, &error);
    if (!parsed)
        return command.fail(error, kUsageExit);
    if (parsed->positional.size() != 1)
        return command.fail(QString::fromLatin1(usage), kUsageExit);
    PlcCheckLimits limits;
    if (parsed->has(QStringLiteral("--timeout"))) {
        bool ok = false;
        const int timeout = parsed->value(QStringLiteral("--timeout")).toInt(&ok);
        if (!ok || timeout < 1 || timeout > 600000)
            return command.fail(QStringLiteral("--timeout takes milliseconds from 1 to 600000"), kUsageExit);
        limits.connectMs = timeout;
        limits.wholeMs = std::max(limits.wholeMs, 10 * timeout);
    }
    const QString projectDir = parsed->positional.first();
    if (!command.isProjectFolder(projectDir))
        return 2;

    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    PositionLimits positions;
    try {
        positions = Load_Position_Limits(ConfigWorkspace::join(projectDir, QStringLiteral("ParGen.xml")));
    } catch (const BrivantError &e) {
        return command.fail(e.text(), 2);
    }
    if (const auto loadError = Load_S7_Protocol(ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml")),
                                                read, write))
        return command.fail(*loadError, 2);

    // Rows that validation refuses are not sent: they fail as incomplete, in their place.
    const std::vector<PlcCheckResult> results =
        Plc_Check_Merge(QtPlcChecker::Run_Plc_Check(Plc_Check_Items(read, write, positions), limits),
                        Plc_Check_Unsent(read, write, positions));
    if (parsed->has(QStringLiteral("--json"))) {
        io.write(Plc_Check_Json(results));
    } else {
        for (const PlcCheckResult &result : results)
            io.println(Plc_Check_Line(result));
    }
    const bool allOk = std::all_of(results.begin(), results.end(), [](const PlcCheckResult &r) { return r.ok; });
    return allOk ? 0 : 1;
}
