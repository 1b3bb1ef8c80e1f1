#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/SafeFile.h"
#include "common/Errors.h"
#include "gsd/GsdGenerator.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QDir>
#include <QFileInfo>

// The GSD step without its dialogs: the file name comes from the command line, and an existing
// file is replaced only with --force.
int Cmd_Gsd(const QStringList &args, CliIo &io)
{
    const CliCommand command("gsd", io);
    const auto parsed = command.parse(args, {QStringLiteral("--force")}, 2, "PROJECT_DIR FILE [--force]");
    if (!parsed)
        return kUsageExit;
    const QString projectDir = parsed->positional.at(0);
    const QString parGenFile = ConfigWorkspace::join(projectDir, QStringLiteral("ParGen.xml"));
    if (Name_Is_Missing(parGenFile)) {
        TextTable texts;
        texts.Load_Default_Texts();
        io.errln(texts.text(TextId::Rows_ErrorPleaseSetSetCommunicationParameter));
        return 1;
    }
    const QString file = GsdGenerator::With_Gsd_Extension(parsed->positional.at(1));
    try {
        const GsdGenerator::Counts counts = GsdGenerator::Read_Gsd_Counts(parGenFile);
        if (!Name_Is_Missing(file) && !parsed->has(QStringLiteral("--force")))
            return command.fail(QStringLiteral("%1 already exists; use --force to replace it").arg(QDir::toNativeSeparators(file)), 1);
        GsdGenerator::Write_GSD_File(file, counts);
    } catch (const XmlLimitError &e) {
        return command.fail(e.text(), kUsageExit);
    } catch (const BrivantError &e) {
        return command.fail(e.text(), 1);
    }
    io.println(file);
    return 0;
}
