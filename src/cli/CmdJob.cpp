#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "update/UpdateJob.h"

#include <QFileInfo>

int Cmd_Job(const QStringList &args, CliIo &io)
{
    const auto usage = [&](const QString &why) {
        io.errln(QStringLiteral("brivant-cli job: %1").arg(why));
        io.errln(QStringLiteral("usage: brivant-cli job --workspace DIR --project NAME --ip TEXT "
                                "--option 0|1|2 [--no-read-back]"));
        return kUsageExit;
    };
    QString error;
    const QStringList valueOptions{QStringLiteral("--workspace"), QStringLiteral("--project"),
                                   QStringLiteral("--ip"), QStringLiteral("--option")};
    const auto parsed = CliArgs::parse(args, valueOptions, {QStringLiteral("--no-read-back")}, &error);
    if (!parsed)
        return usage(error);
    if (!parsed->positional.isEmpty())
        return usage(QStringLiteral("unexpected argument %1").arg(parsed->positional.first()));
    for (const QString &option : valueOptions) {
        if (!parsed->has(option))
            return usage(QStringLiteral("option %1 is required").arg(option));
    }
    const QString option = parsed->value(QStringLiteral("--option"));
    if (option != QLatin1String("0") && option != QLatin1String("1") && option != QLatin1String("2"))
        return usage(QStringLiteral("--option must be 0, 1 or 2, not '%1'").arg(option));
    const QString project = parsed->value(QStringLiteral("--project"));
    if (project.isEmpty())
        return usage(QStringLiteral("--project needs a project name"));

    ConfigWorkspace workspace;
    // The update program runs in the workspace: the job names its images by absolute paths.
    workspace.setProgramDir(QFileInfo(parsed->value(QStringLiteral("--workspace"))).absoluteFilePath());
    workspace.openProject(project);

    const UpdateJob job = UpdateJob::forProject(workspace, parsed->value(QStringLiteral("--ip")), option.toInt(),
                                                !parsed->has(QStringLiteral("--no-read-back")));
    const QString jobFile = workspace.updateJobFile();
    try {
        job.write(jobFile);
    } catch (const BrivantError &e) {
        io.errln(QStringLiteral("brivant-cli job: %1").arg(e.text()));
        return 1;
    }
    io.println(jobFile);
    return 0;
}
