#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "cli/ReportCommand.h"
#include "common/Errors.h"
#include "report/CommissioningReport.h"
#include "texts/TextTable.h"

#include <QDir>

// The commissioning report of a project as PDF or self-contained HTML. Runs in the report
// program, which has the QGuiApplication that fonts and PDF need.
int Run_Report_Command(const QStringList &args, CliIo &io)
{
    const CliCommand command("report", io);
    const auto parsed = command.parse(args, {}, 2, "PROJECT_DIR FILE.pdf|FILE.html");
    if (!parsed)
        return kUsageExit;
    const QString projectDir = parsed->positional[0];
    const QString file = parsed->positional[1];
    if (!command.isProjectFolder(projectDir))
        return kUsageExit;
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
