#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "cli/ReportCommand.h"
#include "common/Errors.h"
#include "common/SafeFile.h"
#include "report/CommissioningReport.h"
#include "texts/TextTable.h"

#include <QDir>
#include <QFileInfo>

// The commissioning report of a project as PDF or self-contained HTML. Runs in the report
// program, which has the QGuiApplication that fonts and PDF need.
int Run_Report_Command(const QStringList &args, CliIo &io)
{
    const CliCommand command("report", io);
    const auto parsed = command.parse(args, {QStringLiteral("--force")}, 2, "PROJECT_DIR FILE.pdf|FILE.html [--force]");
    if (!parsed)
        return kUsageExit;
    const QString projectDir = parsed->positional[0];
    const QString file = parsed->positional[1];
    if (!command.isProjectFolder(projectDir))
        return kUsageExit;
    // A link to a missing file would have the report created wherever it points.
    const QFileInfo target(file);
    if (target.isSymLink() && !target.exists())
        return command.fail(QStringLiteral("%1 is a link to the missing file %2; the report is not written through it")
                                .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(target.symLinkTarget())),
                            1);
    if (!Name_Is_Missing(file) && !parsed->has(QStringLiteral("--force")))
        return command.fail(QStringLiteral("%1 already exists; use --force to replace it").arg(QDir::toNativeSeparators(file)), 1);
    TextTable texts;
    texts.Load_Default_Texts();
    try {
        const ReportInput input = Load_Report_Input(projectDir, QDateTime::currentDateTime());
        Write_Report(file, input, texts);
    } catch (const ValueError &e) {
        return command.fail(e.text(), kUsageExit);
    } catch (const BrivantError &e) {
        return command.fail(e.text(), 1);
    }
    io.println(QDir::toNativeSeparators(file));
    return 0;
}
