#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/CliTable.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "s7access/DelimitedText.h"
#include "s7access/ProfibusMap.h"
#include "s7access/S7Protocol.h"
#include "texts/TextTable.h"

#include <algorithm>

// The PROFIBUS data map of a project: which rule fills which bytes of the converter's in and out
// areas. Files that cannot be read answer 2, as validate does.
int Cmd_Map(const QStringList &args, CliIo &io)
{
    const CliCommand command("map", io);
    const auto parsed = command.parse(args, {QStringLiteral("--csv")}, 1, "PROJECT_DIR [--csv]");
    if (!parsed)
        return kUsageExit;
    const QString projectDir = parsed->positional.first();
    if (!command.isProjectFolder(projectDir))
        return kUsageExit;

    PositionLimits limits;
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    try {
        limits = Load_Position_Limits(ConfigWorkspace::join(projectDir, QStringLiteral("ParGen.xml")));
    } catch (const BrivantError &e) {
        return command.fail(e.text(), kUsageExit);
    }
    if (const auto loadError = Load_S7_Protocol(ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml")),
                                                read, write))
        return command.fail(*loadError, kUsageExit);

    TextTable texts;
    texts.Load_Default_Texts();
    const ProfibusMap map = ProfibusMap::build(read, write, limits);
    QList<QStringList> rows{Map_Table_Header()};
    rows += Map_Table_Rows(map, read, write, texts);
    if (parsed->has(QStringLiteral("--csv"))) {
        // As export-rules writes its files: UTF-8 with a byte-order mark, RFC 4180, CR LF.
        io.write(QByteArray("\xEF\xBB\xBF") + Format_Delimited(rows, u',').toUtf8());
        return 0;
    }
    io.println(QStringLiteral("in: %1 bytes (Number Byte In, read rules); out: %2 bytes (Number Byte Out, write rules)")
                   .arg(map.byteCount(MapArea::In))
                   .arg(map.byteCount(MapArea::Out)));
    io.write(Aligned_Table(rows).toUtf8());
    // The enabled rules without a place, with the reason, after the table.
    for (const QString &line : Map_Unplaced_Lines(map, read, write, texts))
        io.println(line);
    return 0;
}
