#include "cli/Cli.h"

#include "cli/CliIo.h"
#include "cli/Commands.h"

#include <QHash>

#include <new>

QString Cli_Help_Text()
{
    return QStringLiteral(
        "Usage: brivant-cli COMMAND [ARGUMENTS]\n"
        "\n"
        "The command-line tool of the configurator ZE52840 for the converter DA52840.\n"
        "\n"
        "Commands:\n"
        "  texts [--workspace DIR] [--language NAME] [--lng]\n"
        "      Load the language NAME (default English) from DIR/LANGUAGE and print the 1400\n"
        "      texts as one JSON array, or with --lng as a complete language file.\n"
        "  compile PROJECT_DIR\n"
        "      Compile ParGen.xml and S7_Protocol.xml into PROJECT_DIR/bin/bank1.bin and bank2.bin.\n"
        "  gsd PROJECT_DIR FILE [--force]\n"
        "      Write the GSD file of the project to FILE (\".gsd\" appended when missing).\n"
        "  validate PROJECT_DIR [--all]\n"
        "      Check ParGen.xml and S7_Protocol.xml as the windows do; exit 1 on a fault, 2 when\n"
        "      a file cannot be loaded. --all lists every faulty rule.\n"
        "      --all also warns on stderr of read rules that fill the same bytes of the PROFIBUS\n"
        "      in area and of rules that run past their area's byte count.\n"
        "  job --workspace DIR --project NAME --ip TEXT --option 0|1|2 [--no-read-back]\n"
        "      Write DIR/Ethernet_Update.xml as the update window does.\n"
        "  dump FILE\n"
        "      Decode bank1.bin or bank2.bin for people.\n"
        "  export-rules PROJECT_DIR FILE.csv\n"
        "      Write both rule lists of S7_Protocol.xml as CSV.\n"
        "  import-rules PROJECT_DIR FILE.csv [--no-history]\n"
        "      Check the rules of a CSV file and write them to S7_Protocol.xml when valid.\n"
        "      The file it replaces is kept in PROJECT_DIR/history; --no-history saves without it.\n"
        "  update PROJECT_DIR --ip A.B.C.D [--option 0|1|2] [--no-read-back] [--workspace DIR]\n"
        "      Compile, check the device by ICMP echo, write the job and run the update program.\n"
        "  plc-check PROJECT_DIR [--timeout MS] [--json]\n"
        "      Read each enabled rule's item once from its PLC (never writing) and print one line\n"
        "      per rule: list, row, PLC, S7 address, then OK and the value, or the error. MS limits\n"
        "      each PLC's connection and each answer (default 2000); --json prints one JSON array.\n"
        "      Exit 0 when every rule is OK, 1 when any is not, 2 when the project cannot be read.\n"
        "  plc-info ADDRESS [--port N] [--rack R] [--slot S] [--timeout MS] [--json]\n"
        "      Read which PLC answers (order number, family, module type, firmware, mode) by\n"
        "      read SZL; port 102, rack 0, slot 2 unless given. Exit 1 when it cannot connect.\n"
        "  plc-scan FIRST LAST [--port N] [--timeout MS] [--json]\n"
        "      Find the PLCs from address FIRST to LAST (at most 256): try rack/slot 0/2, 0/1, 0/0\n"
        "      and 0/3 and list address, rack/slot, family and module. Exit 1 when none is found.\n"
        "  diff A B [--json]\n"
        "      Compare two project folders, S7_Protocol.xml, ParGen.xml or CSV files in any mix;\n"
        "      exit 0 when equal, 1 when different, 2 when a side cannot be read.\n"
        "      With --git and git's seven arguments it serves as a git diff driver.\n"
        "  map PROJECT_DIR [--csv]\n"
        "      Print which rule fills which bytes of the converter's PROFIBUS in and out areas,\n"
        "      conflicts and rules past the byte count marked; --csv as a spreadsheet file.\n"
        "  report PROJECT_DIR FILE.pdf|FILE.html [--force]\n"
        "      Write the commissioning report: parameters, rule lists, PROFIBUS map, GSD modules\n"
        "      and the images' sizes and checksums; the HTML file is self-contained.\n"
        "  history PROJECT_DIR [--json] [--restore NAME] [--no-history]\n"
        "      List the versions of ParGen.xml and S7_Protocol.xml kept in PROJECT_DIR/history,\n"
        "      oldest first: time (UTC), file, rule counts or parameters, size and NAME. --restore\n"
        "      puts version NAME back as the live file, keeping the file it replaces first.\n"
        "  db-layout SOURCE... [--json]\n"
        "      Print the absolute layout of every data block with standard access in the PLC's\n"
        "      sources (.db, .udt, .awl, .scl): one line per elementary member with its S7 address,\n"
        "      type and path; --json as one JSON array. Exit 2 with FILE:LINE when refused.\n"
        "  import-db PROJECT_DIR SOURCE... --list read|write --plc IP [--port N] [--type PLC_TYPE]\n"
        "            [--rack R] [--slot S] [--poll MS] [--db N] [--block NAME] [--select PATTERN]...\n"
        "      Add one rule per elementary member of the data blocks (or per member whose path\n"
        "      matches a PATTERN such as Motor.* or Values[*]) after the list's last rule, placed\n"
        "      at the first free positions of its PROFIBUS area. Defaults: --port 102 --type S71500\n"
        "      --rack 0 --slot 1 --poll 1000; --db gives the number of a block without one.\n"
        "      Exit 1 and nothing written when the rules do not fit.\n"
        "  import-tags PROJECT_DIR FILE... --list read|write --plc IP [--port N] [--type PLC_TYPE]\n"
        "              [--rack R] [--slot S] [--poll MS] [--select PATTERN]...\n"
        "      The same for the input, output and flag tags of tag tables (.asc, .sdf, .xlsx).\n"
        "\n"
        "Options:\n"
        "  --help       Show this text.\n"
        "  --version    Show the program version.\n");
}

namespace {

int runCommand(const QStringList &args, CliIo &io)
{
    if (args.isEmpty()) {
        io.err.write(Cli_Help_Text().toUtf8());
        return kUsageExit;
    }
    const QString &command = args.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        io.write(Cli_Help_Text().toUtf8());
        return 0;
    }
    if (command == QLatin1String("--version")) {
        io.println(QStringLiteral("1.002"));
        return 0;
    }
    using Command = int (*)(const QStringList &, CliIo &);
    static const QHash<QString, Command> commands = {
        {QStringLiteral("texts"), &Cmd_Texts},
        {QStringLiteral("compile"), &Cmd_Compile},
        {QStringLiteral("gsd"), &Cmd_Gsd},
        {QStringLiteral("validate"), &Cmd_Validate},
        {QStringLiteral("job"), &Cmd_Job},
        {QStringLiteral("dump"), &Cmd_Dump},
        {QStringLiteral("export-rules"), &Cmd_ExportRules},
        {QStringLiteral("import-rules"), &Cmd_ImportRules},
        {QStringLiteral("update"), &Cmd_Update},
        {QStringLiteral("plc-check"), &Cmd_PlcCheck},
        {QStringLiteral("plc-info"), &Cmd_PlcInfo},
        {QStringLiteral("plc-scan"), &Cmd_PlcScan},
        {QStringLiteral("diff"), &Cmd_Diff},
        {QStringLiteral("map"), &Cmd_Map},
        {QStringLiteral("report"), &Cmd_Report},
        {QStringLiteral("history"), &Cmd_History},
        {QStringLiteral("db-layout"), &Cmd_DbLayout},
        {QStringLiteral("import-db"), &Cmd_ImportDb},
        {QStringLiteral("import-tags"), &Cmd_ImportTags},
    };
    const auto it = commands.constFind(command);
    if (it == commands.constEnd()) {
        io.errln(QStringLiteral("brivant-cli: unknown command '%1'; see brivant-cli --help").arg(command));
        return kUsageExit;
    }
    return (*it)(args.mid(1), io);
}

} // namespace

int Run_Cli(const QStringList &args, CliIo &io)
{
    int code = 2;
    try {
        code = runCommand(args, io);
    } catch (const std::bad_alloc &) {
        // Whatever a hostile input asked for: a message and an exit code, never an abort.
        io.errln(QStringLiteral("brivant-cli: not enough memory for %1").arg(args.value(0)));
        return 2;
    }
    // Output that did not arrive is a failure, whatever the command did: a cut file must not
    // pass for a complete one. diff answers 1 for "different", so its failure is 2.
    if (!io.finishOut()) {
        io.errln(QStringLiteral("brivant-cli: write error: %1").arg(*io.outError));
        if (!args.isEmpty() && args.first() == QLatin1String("diff"))
            return 2;
        return code != 0 ? code : 1;
    }
    return code;
}
