#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "update/DeviceCheck.h"
#include "update/UpdateJob.h"

#include <QDir>

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
    // The job is written into the workspace and names images in its project: both must be
    // there, and the name may not lead out of PROJECTS.
    const QString workspaceDir = parsed->value(QStringLiteral("--workspace"));
    if (workspaceDir.isEmpty())
        return usage(QStringLiteral("--workspace needs a folder"));
    if (!QFileInfo(workspaceDir).isDir())
        return usage(QStringLiteral("the workspace folder %1 does not exist").arg(QDir::toNativeSeparators(workspaceDir)));
    if (ConfigWorkspace::Project_Name_Is_Refused(project))
        return usage(QStringLiteral("--project '%1' is no valid project name").arg(project));
    const QString ipText = parsed->value(QStringLiteral("--ip"));
    const std::optional<QString> address = Device_Address(ipText);
    if (!address)
        return usage(QStringLiteral("--ip '%1' is no IPv4 address of four numbers from 0 to 255").arg(ipText));

    ConfigWorkspace workspace;
    // The update program runs in the workspace: the job names its images by absolute paths.
    workspace.setProgramDir(QFileInfo(workspaceDir).absoluteFilePath());
    workspace.openProject(project);
    if (!QFileInfo(workspace.Project_Dir).isDir())
        return usage(QStringLiteral("there is no project %1 in %2").arg(project, workspace.Projects_Dir));

    const UpdateJob job = UpdateJob::forProject(workspace, *address, option.toInt(),
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
