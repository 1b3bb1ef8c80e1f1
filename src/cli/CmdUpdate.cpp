#include "cli/CmdUpdate.h"

#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "image/ImageCompiler.h"
#include "platform/qt/IcmpEchoClient.h"
#include "platform/qt/QtProcessRunner.h"
#include "platform/qt/SteadyClock.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"
#include "update/DeviceCheck.h"
#include "update/UpdateJob.h"
#include "update/UpdateOutcome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

namespace {

constexpr int kFailureExit = 1;

QString defaultText(int index)
{
    TextTable texts;
    texts.Load_Default_Texts();
    return texts.text(index);
}

} // namespace

int Run_Update_Command(const QStringList &args, CliIo &io, UpdateCommandServices &services)
{
    const auto fail = [&](const QString &why) {
        io.errln(QStringLiteral("brivant-cli update: %1").arg(why));
        return kFailureExit;
    };
    const auto usage = [&](const QString &why) {
        io.errln(QStringLiteral("brivant-cli update: %1").arg(why));
        io.errln(QStringLiteral("usage: brivant-cli update PROJECT_DIR --ip A.B.C.D [--option 0|1|2] "
                                "[--no-read-back] [--workspace DIR]"));
        return kUsageExit;
    };

    QString error;
    const auto parsed = CliArgs::parse(
        args, {QStringLiteral("--ip"), QStringLiteral("--option"), QStringLiteral("--workspace")},
        {QStringLiteral("--no-read-back")}, &error);
    if (!parsed)
        return usage(error);
    if (parsed->positional.size() != 1)
        return usage(parsed->positional.isEmpty() ? QStringLiteral("PROJECT_DIR is missing")
                                                  : QStringLiteral("unexpected argument %1").arg(parsed->positional[1]));
    if (!parsed->has(QStringLiteral("--ip")))
        return usage(QStringLiteral("option --ip is required"));
    const QString ipText = parsed->value(QStringLiteral("--ip"));
    // The command line takes a dotted address only, never a name to look up.
    const std::optional<QString> address = Device_Address(ipText);
    if (!address)
        return usage(QStringLiteral("--ip '%1' is no IPv4 address of four numbers from 0 to 255").arg(ipText));
    const QString option = parsed->value(QStringLiteral("--option"), QStringLiteral("0"));
    if (option != QLatin1String("0") && option != QLatin1String("1") && option != QLatin1String("2"))
        return usage(QStringLiteral("--option must be 0, 1 or 2, not '%1'").arg(option));

    if (parsed->positional.first().isEmpty())
        return usage(QStringLiteral("an empty argument names no project folder"));
    if (parsed->has(QStringLiteral("--workspace")) && parsed->value(QStringLiteral("--workspace")).isEmpty())
        return usage(QStringLiteral("--workspace needs a folder"));
    const QFileInfo projectInfo(parsed->positional.first());
    if (!projectInfo.isDir())
        return fail(QStringLiteral("the project folder %1 does not exist").arg(QDir::toNativeSeparators(projectInfo.filePath())));
    if (!parsed->has(QStringLiteral("--workspace")) && !io.defaultProgramDir.isEmpty())
        QDir().mkpath(io.defaultProgramDir); // the user's data folder of an installed copy
    ConfigWorkspace workspace;
    // Absolute paths: the update program runs in the workspace and reads the image paths
    // from the job.
    workspace.setProgramDir(QFileInfo(parsed->value(QStringLiteral("--workspace"), io.defaultProgramDir)).absoluteFilePath());
    if (!QFileInfo(workspace.Program_Dir).isDir())
        return fail(QStringLiteral("the workspace folder %1 does not exist").arg(workspace.Program_Dir));
    workspace.Project_Dir = QDir::toNativeSeparators(projectInfo.absoluteFilePath());
    workspace.Project_Name = projectInfo.fileName();
    workspace.Set_Files();

    // 1. The bank files, as the update step of the main window builds them.
    try {
        ImageCompiler compiler;
        compiler.Compile_Banks(workspace.ParGen_File, workspace.S7_Protocol_File);
        compiler.Write_Bank_Files(workspace.Project_Dir);
        io.println(QStringLiteral("bank files written to %1: %2 rules, checksum %3")
                       .arg(QDir::toNativeSeparators(workspace.Project_Dir + QStringLiteral("/bin")))
                       .arg(compiler.ruleCount())
                       .arg(compiler.checksum()));
    } catch (const XmlLimitError &e) {
        fail(QStringLiteral("compile failed: %1").arg(e.text()));
        return kUsageExit;
    } catch (const BrivantError &e) {
        return fail(QStringLiteral("compile failed: %1").arg(e.text()));
    }

    // 2. The device must answer an ICMP echo.
    const PingOutcome ping = Send_Ping(services.echo, services.clock, *address);
    if (!ping.found) {
        if (ping.noSocket)
            return fail(ping.errorText);
        if (ping.ping_res == 2)
            return fail(QStringLiteral("%1 (%2 gave no reply)").arg(defaultText(TextId::Boot_DeviceNotFound), *address));
        return fail(QStringLiteral("%1 (%2)").arg(defaultText(TextId::Boot_ErrorCheckIpAddress),
                                                  ping.errorText.isEmpty() ? *address : ping.errorText));
    }
    io.println(QStringLiteral("device %1 answered").arg(*address));

    // 3. The job, beside the update program's working folder.
    const UpdateJob job =
        UpdateJob::forProject(workspace, *address, option.toInt(), !parsed->has(QStringLiteral("--no-read-back")));
    const QString jobFile = workspace.updateJobFile();
    try {
        job.write(jobFile);
    } catch (const BrivantError &e) {
        return fail(e.text());
    }
    io.println(QStringLiteral("job written to %1").arg(jobFile));

    // 4. The update program, started without arguments in the workspace; its report follows.
    const QString program = Update_Program_Path(workspace.Program_Dir, services.ownDir);
    io.println(QStringLiteral("starting %1").arg(program));
    // The program writes to the same output: ours must come out first. Output that cannot be
    // written would lose the program's report: the device is not touched then.
    if (auto *file = qobject_cast<QFileDevice *>(&io.err))
        file->flush();
    if (!io.finishOut())
        return kFailureExit;
    const UpdateLogStamp logBefore = Update_Log_Stamp(workspace.Program_Dir);
    const ProgramRun run = services.processes.Start_Program(program, {}, 0, workspace.Program_Dir, services.limitMs);
    // Told as the update window tells it; only a program that ended with 0 is a success.
    TextTable texts;
    texts.Load_Default_Texts();
    const UpdateOutcome outcome = Describe_Update_Run(run, workspace.Program_Dir, texts, logBefore);
    switch (outcome.kind) {
    case UpdateOutcome::Kind::Succeeded:
        io.println(outcome.text);
        return 0;
    case UpdateOutcome::Kind::StillRunning:
        return fail(QStringLiteral("%1 (process %2)").arg(outcome.text).arg(run.pid));
    case UpdateOutcome::Kind::Failed:
        break;
    }
    return fail(outcome.text);
}

int Cmd_Update(const QStringList &args, CliIo &io)
{
    IcmpEchoClient echo;
    SteadyClock clock;
    QtProcessRunner processes;
    UpdateCommandServices services{echo, clock, processes, QCoreApplication::applicationDirPath()};
    return Run_Update_Command(args, io, services);
}
