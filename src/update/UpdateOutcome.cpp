#include "update/UpdateOutcome.h"

#include "app/ConfigWorkspace.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QDir>
#include <QFileInfo>

UpdateLogStamp Update_Log_Stamp(const QString &programDir)
{
    const QFileInfo log(ConfigWorkspace::join(programDir, QLatin1String(kUpdateLogFileName)));
    if (!log.isFile())
        return {};
    return {true, log.size(), log.fileTime(QFileDevice::FileModificationTime)};
}

UpdateOutcome Describe_Update_Run(const ProgramRun &run, const QString &programDir, const TextTable &texts,
                                  const UpdateLogStamp &before)
{
    switch (run.outcome) {
    case ProgramRun::Outcome::TimedOut:
        return {UpdateOutcome::Kind::StillRunning, texts.text(TextId::Update_StillRunning)};
    case ProgramRun::Outcome::NotStarted:
        return {UpdateOutcome::Kind::Failed, texts.text(TextId::Update_NotStarted) + run.errorText};
    case ProgramRun::Outcome::Finished:
        break;
    }
    if (run.exitCode == 0)
        return {UpdateOutcome::Kind::Succeeded, texts.text(TextId::Update_Succeeded)};
    QString text = run.exitCode < 0 ? texts.text(TextId::Update_Crashed)
                                    : texts.text(TextId::Update_FailedExitCode) + QString::number(run.exitCode);
    // A log the run left as it was holds an earlier run's report: naming it would mislead.
    const QString log = ConfigWorkspace::join(programDir, QLatin1String(kUpdateLogFileName));
    const UpdateLogStamp after = Update_Log_Stamp(programDir);
    if (after.exists && after != before)
        text += QLatin1Char('\n') + texts.text(TextId::Update_SeeLog) + QDir::toNativeSeparators(log);
    return {UpdateOutcome::Kind::Failed, text};
}
