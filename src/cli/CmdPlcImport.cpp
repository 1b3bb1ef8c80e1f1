#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/CliTable.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "plcsource/PlcImport.h"
#include "plcsource/PlcSource.h"
#include "plcsource/PlcTagTable.h"
#include "s7access/S7Protocol.h"
#include "texts/TextTable.h"

#include <QDir>

// The commands on the PLC program's sources: the layout of data blocks, and rules made from
// their members and from tag tables.

namespace {

// Takes every "--select PATTERN" (or --select=PATTERN) out of the arguments.
QStringList takeSelections(QStringList &args, QString *error)
{
    QStringList patterns;
    for (qsizetype i = 0; i < args.size();) {
        if (args[i] == QLatin1String("--select")) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("option --select needs a value");
                return {};
            }
            patterns.append(args[i + 1]);
            args.remove(i, 2);
        } else if (args[i].startsWith(QLatin1String("--select="))) {
            patterns.append(args[i].mid(9));
            args.remove(i);
        } else {
            ++i;
        }
    }
    return patterns;
}

const QStringList kConnectionOptions = {QStringLiteral("--list"), QStringLiteral("--plc"), QStringLiteral("--port"),
                                        QStringLiteral("--type"), QStringLiteral("--rack"), QStringLiteral("--slot"),
                                        QStringLiteral("--poll")};

// The settings of the new rules from the options; nothing after the fault was printed.
std::optional<PlcImportSettings> importSettings(const CliArgs &args, const CliCommand &command)
{
    PlcImportSettings s;
    const QString list = args.value(QStringLiteral("--list"));
    if (list == QLatin1String("read")) {
        s.list = S7Rule::List::Read;
    } else if (list == QLatin1String("write")) {
        s.list = S7Rule::List::Write;
    } else {
        command.fail(QStringLiteral("--list read or --list write is required"), kUsageExit);
        return std::nullopt;
    }
    if (!args.has(QStringLiteral("--plc"))) {
        command.fail(QStringLiteral("--plc IP is required"), kUsageExit);
        return std::nullopt;
    }
    s.plcAddress = args.value(QStringLiteral("--plc"));
    s.port = args.value(QStringLiteral("--port"), s.port);
    s.plcType = args.value(QStringLiteral("--type"), s.plcType);
    s.rack = args.value(QStringLiteral("--rack"), s.rack);
    s.slot = args.value(QStringLiteral("--slot"), s.slot);
    s.pollTime = args.value(QStringLiteral("--poll"), s.pollTime);
    TextTable texts;
    texts.Load_Default_Texts();
    if (const auto fault = Plc_Import_Settings_Fault(s, texts)) {
        command.fail(*fault, kUsageExit);
        return std::nullopt;
    }
    return s;
}

// What both import commands take: --select patterns, the connection options and `extra`,
// PROJECT_DIR and at least one source; nothing after the fault was printed.
struct ImportRequest
{
    CliArgs args;
    QStringList patterns;
    QString projectDir;
    PlcImportSettings settings;
};

std::optional<ImportRequest> importRequest(const QStringList &arguments, const QStringList &extra, const QString &usage,
                                           const CliCommand &command)
{
    QStringList rest = arguments;
    QString error;
    const QStringList patterns = takeSelections(rest, &error);
    if (!error.isEmpty()) {
        command.fail(error, kUsageExit);
        return std::nullopt;
    }
    auto parsed = CliArgs::parse(rest, kConnectionOptions + extra, {}, &error);
    if (!parsed) {
        command.fail(error, kUsageExit);
        return std::nullopt;
    }
    if (parsed->positional.size() < 2) {
        command.fail(usage, kUsageExit);
        return std::nullopt;
    }
    const QString projectDir = parsed->positional.first();
    if (!command.isProjectFolder(projectDir))
        return std::nullopt;
    const auto settings = importSettings(*parsed, command);
    if (!settings)
        return std::nullopt;
    return ImportRequest{std::move(*parsed), patterns, projectDir, *settings};
}

// Adds the items to the project's list and saves it; prints what was added and skipped.
int addToProject(const QString &projectDir, const PlcImportSettings &settings,
                 const std::vector<PlcImportItem> &items, const CliCommand &command, CliIo &io)
{
    PositionLimits limits;
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    const QString s7File = ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml"));
    try {
        limits = Load_Position_Limits(ConfigWorkspace::join(projectDir, QStringLiteral("ParGen.xml")));
    } catch (const BrivantError &e) {
        return command.fail(e.text(), kUsageExit);
    }
    if (const auto loadError = Load_S7_Protocol(s7File, read, write))
        return command.fail(*loadError, kUsageExit);

    int wanted = 0;
    for (const PlcImportItem &item : items)
        wanted += item.skipReason.isEmpty() ? 1 : 0;
    const QString listName = List_Name(settings.list).toLower();
    PlcImportResult result;
    if (wanted > 0) {
        result = Add_Imported_Rules(read, write, limits, settings.list, items);
        if (!result.added()) {
            const int bytes = settings.list == S7Rule::List::Read ? limits.NByte_IN : limits.NByte_OUT;
            io.println(QStringLiteral("%1 %2 rules do not fit: %3 would fit (%4 rows free after the last rule, "
                                      "%5 bytes in the %6 area); nothing written")
                           .arg(wanted)
                           .arg(listName)
                           .arg(result.fitting)
                           .arg(result.rowsFree)
                           .arg(std::max(bytes, 0))
                           .arg(settings.list == S7Rule::List::Read ? QStringLiteral("in") : QStringLiteral("out")));
            return 1;
        }
        try {
            Save_S7_Protocol(s7File, read, write);
        } catch (const BrivantError &e) {
            return command.fail(e.text(), kUsageExit);
        }
    }
    const S7RuleList &list = settings.list == S7Rule::List::Read ? read : write;
    if (result.rows.empty())
        io.println(QStringLiteral("No %1 rules added").arg(listName));
    else
        io.println(QStringLiteral("%1 %2 rules added at rows %3 to %4:")
                       .arg(result.rows.size())
                       .arg(listName)
                       .arg(result.rows.front())
                       .arg(result.rows.back()));
    QList<QStringList> rows;
    std::size_t next = 0;
    for (const PlcImportItem &item : items) {
        if (!item.skipReason.isEmpty())
            continue;
        const S7Rule &r = list[std::size_t(result.rows[next++] - 1)];
        rows.append({QStringLiteral("row %1").arg(result.rows[next - 1]), item.address, r.Data_Type,
                     QStringLiteral("position %1.%2").arg(r.Position, r.Bit), item.mnemonic});
    }
    io.write(Aligned_Table(rows).toUtf8());
    QList<QStringList> skipped;
    for (const PlcImportItem &item : items)
        if (!item.skipReason.isEmpty())
            skipped.append({item.mnemonic, item.typeName, item.skipReason});
    if (!skipped.isEmpty()) {
        io.println(QStringLiteral("Skipped %1:").arg(skipped.size()));
        io.write(Aligned_Table(skipped).toUtf8());
    }
    return 0;
}

} // namespace

int Cmd_DbLayout(const QStringList &args, CliIo &io)
{
    const CliCommand command("db-layout", io);
    QString error;
    const auto parsed = CliArgs::parse(args, {}, {QStringLiteral("--json")}, &error);
    if (!parsed)
        return command.fail(error, kUsageExit);
    if (parsed->positional.isEmpty())
        return command.fail(QStringLiteral("usage: brivant-cli db-layout SOURCE... [--json]"), kUsageExit);
    std::vector<PlcBlockLayout> blocks;
    try {
        blocks = Load_Plc_Sources(parsed->positional);
    } catch (const BrivantError &e) {
        return command.fail(e.text(), kUsageExit);
    }
    if (parsed->has(QStringLiteral("--json"))) {
        io.write(Plc_Layout_Json(blocks));
        return 0;
    }
    for (const PlcBlockLayout &b : blocks) {
        io.println(QStringLiteral("%1: %2 bytes").arg(b.number >= 0 ? b.name : QStringLiteral("\"%1\"").arg(b.name)).arg(b.length));
        QList<QStringList> rows;
        for (const PlcMemberLayout &m : b.members)
            rows.append({QStringLiteral("  ") + Plc_Member_Address(b, m), m.typeName(), m.path});
        io.write(Aligned_Table(rows).toUtf8());
    }
    return 0;
}

int Cmd_ImportDb(const QStringList &args, CliIo &io)
{
    const CliCommand command("import-db", io);
    const auto request = importRequest(args, {QStringLiteral("--db"), QStringLiteral("--block")},
                                       QStringLiteral("usage: brivant-cli import-db PROJECT_DIR SOURCE... --list read|write "
                                                      "--plc IP [--port N] [--type PLC_TYPE] [--rack R] [--slot S] "
                                                      "[--poll MS] [--db N] [--block NAME] [--select PATTERN]..."),
                                       command);
    if (!request)
        return kUsageExit;
    const auto &[parsed, patterns, projectDir, settings] = *request;
    int db = -1;
    if (parsed.has(QStringLiteral("--db"))) {
        bool ok = false;
        db = parsed.value(QStringLiteral("--db")).toInt(&ok);
        if (!ok || db < 0 || db > 65535)
            return command.fail(QStringLiteral("--db takes a DB number from 0 to 65535"), kUsageExit);
    }

    std::vector<PlcBlockLayout> blocks;
    try {
        blocks = Load_Plc_Sources(parsed.positional.mid(1));
    } catch (const BrivantError &e) {
        return command.fail(e.text(), kUsageExit);
    }
    const QString wantedBlock = parsed.value(QStringLiteral("--block"));
    std::vector<const PlcBlockLayout *> chosen;
    for (const PlcBlockLayout &b : blocks) {
        QString name = wantedBlock;
        if (name.startsWith(u'"') && name.endsWith(u'"') && name.size() >= 2)
            name = name.mid(1, name.size() - 2);
        if (wantedBlock.isEmpty() || b.name.compare(name, Qt::CaseInsensitive) == 0
            || (b.number >= 0 && name.remove(u' ').compare(b.name, Qt::CaseInsensitive) == 0))
            chosen.push_back(&b);
    }
    if (chosen.empty())
        return command.fail(wantedBlock.isEmpty() ? QStringLiteral("the sources hold no data block")
                                                  : QStringLiteral("the sources hold no data block %1").arg(wantedBlock),
                            kUsageExit);
    int unnumbered = 0;
    for (const PlcBlockLayout *b : chosen)
        unnumbered += b->number < 0 ? 1 : 0;
    if (unnumbered > 0 && db < 0)
        return command.fail(QStringLiteral("the block \"%1\" has no number in the file: give it with --db N")
                                .arg(std::find_if(chosen.begin(), chosen.end(), [](auto *b) { return b->number < 0; }).operator*()->name),
                            kUsageExit);
    if (unnumbered > 1)
        return command.fail(QStringLiteral("--db names one block, but %1 blocks have no number: choose one with --block NAME").arg(unnumbered),
                            kUsageExit);

    std::vector<PlcImportItem> items;
    for (const PlcBlockLayout *b : chosen) {
        auto part = Plc_Block_Items(*b, b->number >= 0 ? b->number : db, patterns, settings);
        items.insert(items.end(), part.begin(), part.end());
    }
    if (items.empty())
        return command.fail(QStringLiteral("no member matches %1").arg(patterns.join(QStringLiteral(", "))), kUsageExit);
    return addToProject(projectDir, settings, items, command, io);
}

int Cmd_ImportTags(const QStringList &args, CliIo &io)
{
    const CliCommand command("import-tags", io);
    const auto request = importRequest(args, {},
                                       QStringLiteral("usage: brivant-cli import-tags PROJECT_DIR FILE... --list read|write "
                                                      "--plc IP [--port N] [--type PLC_TYPE] [--rack R] [--slot S] "
                                                      "[--poll MS] [--select PATTERN]..."),
                                       command);
    if (!request)
        return kUsageExit;
    const auto &[parsed, patterns, projectDir, settings] = *request;
    std::vector<PlcTag> tags;
    try {
        for (const QString &file : parsed.positional.mid(1)) {
            auto part = Load_Plc_Tag_Table(file);
            tags.insert(tags.end(), part.begin(), part.end());
        }
    } catch (const BrivantError &e) {
        return command.fail(e.text(), kUsageExit);
    }
    const std::vector<PlcImportItem> items = Plc_Tag_Items(tags, patterns, settings);
    if (items.empty())
        return command.fail(patterns.isEmpty() ? QStringLiteral("the files hold no tags")
                                               : QStringLiteral("no tag matches %1").arg(patterns.join(QStringLiteral(", "))),
                            kUsageExit);
    return addToProject(projectDir, settings, items, command, io);
}
