#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/CliRuleWarnings.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "commparams/CommParams.h"
#include "s7access/ProfibusMap.h"
#include "image/OffListTexts.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7Validation.h"
#include "texts/TextTable.h"

#include <QDir>

// Checks a project as the two windows do on OK. Both files are loaded first, so that a file
// that cannot be read (exit 2) is reported before any fault (exit 1).
int Cmd_Validate(const QStringList &args, CliIo &io)
{
    const CliCommand command("validate", io);
    const auto parsed = command.parse(args, {QStringLiteral("--all")}, 1, "PROJECT_DIR [--all]");
    if (!parsed)
        return kUsageExit;
    const QString projectDir = parsed->positional.first();
    if (!command.isProjectFolder(projectDir))
        return 2;
    if (!command.holdsProjectFiles(projectDir))
        return 1;
    const bool all = parsed->has(QStringLiteral("--all"));

    const QString parGenFile = ConfigWorkspace::join(projectDir, QStringLiteral("ParGen.xml"));
    const QString s7File = ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml"));
    CommParams params;
    PositionLimits limits;
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    try {
        params = Read_ParGen_For_Window(parGenFile);
        limits = Load_Position_Limits(parGenFile);
    } catch (const BrivantError &e) {
        return command.fail(e.text(), 2);
    }
    S7ReadNotes notes;
    if (const auto loadError = Load_S7_Protocol(s7File, read, write, RowsPast512::Ignore, &notes))
        return command.fail(*loadError, 2);
    Warn_Rules_After_End(io, QDir::toNativeSeparators(s7File), read, write);

    TextTable texts;
    texts.Load_Default_Texts();
    bool faulty = false;
    if (const auto fault = Controllo_Dati(params)) {
        if (!all) {
            io.println(texts.text(fault->textId));
            return 1;
        }
        io.println(QStringLiteral("ParGen\t%1\t%2").arg(CommParams::elementName(fault->field), texts.text(fault->textId)));
        faulty = true;
    }
    if (!all) {
        if (const auto fault = Controllo_dati(read, write, limits, texts)) {
            io.println(fault->message);
            return 1;
        }
        return 0;
    }
    // Checked as enabled, but compile refuses the file until a save writes the attribute.
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
        for (const int row : notes.rowsWithoutEnable[list == S7Rule::List::Read ? 0 : 1]) {
            if (row <= Rules_In_Use(rules))
                io.errln(QStringLiteral("warning: %1 row %2 has no Enable attribute: it is checked as enabled, and "
                                        "compile refuses the file until the editor saves it with Enable=\"Y\"")
                             .arg(List_Name(list))
                             .arg(row));
        }
    }
    // Texts outside the editor's lists pass validation but reach the device as another code.
    for (const OffListText &off : Off_List_Texts(read, write)) {
        io.errln(QStringLiteral("warning: %1 row %2: %3 \"%4\" is not in the list; the device gets code %5 (%6)")
                     .arg(List_Name(off.list))
                     .arg(off.row)
                     .arg(S7Rule::fieldName(off.field), off.text)
                     .arg(off.code)
                     .arg(off.codeText));
    }
    for (const S7Fault &fault : Controllo_dati_All(read, write, limits, texts)) {
        io.println(QStringLiteral("%1\t%2\t%3\t%4")
                       .arg(List_Name(fault.list))
                       .arg(fault.row)
                       .arg(S7Rule::fieldName(fault.field), fault.message));
        faulty = true;
    }
    // Conflicts and clipped rules do not stop a save: warnings on stderr, the exit code unchanged.
    const ProfibusMap map = ProfibusMap::build(read, write, limits);
    for (const MapConflict &c : map.conflicts())
        io.errln(QStringLiteral("Read\t%1\t%2").arg(c.rowA).arg(Map_Conflict_Warning(c, texts)));
    for (const MapArea area : {MapArea::In, MapArea::Out}) {
        for (const MapRule &r : map.rules(area)) {
            if (r.clipped)
                io.errln(QStringLiteral("%1\t%2\t%3").arg(List_Name(r.list)).arg(r.row).arg(Map_Clipped_Warning(map, r, texts)));
        }
    }
    return faulty ? 1 : 0;
}
