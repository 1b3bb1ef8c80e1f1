#include "platform/qt/QtProcessRunner.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <memory>

ProgramRun QtProcessRunner::Start_Program(const QString &NomeSW, const QStringList &arguments, int tipo,
                                          const QString &workingDir, int limitMs,
                                          ProgramWaitObserver *observer)
{
    ProgramRun run;
    const QFileInfo file(NomeSW);
    // An absolute path keeps QProcess from searching PATH for a bare name.
    const QString program = file.absoluteFilePath();
    if (NomeSW.isEmpty() || !file.isFile() || !file.isExecutable()) {
        run.errorText = NomeSW.isEmpty() ? QStringLiteral("no program given")
                                         : QStringLiteral("%1 is not an executable file").arg(program);
        return run;
    }

    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(arguments);
    if (!workingDir.isEmpty())
        process->setWorkingDirectory(workingDir);
    process->setStandardInputFile(QProcess::nullDevice());
    if (tipo == 0) {
        process->setProcessChannelMode(QProcess::ForwardedChannels);
    } else {
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
    }
    process->start(QIODevice::ReadWrite);
    if (!process->waitForStarted(-1)) {
        run.errorText = QStringLiteral("%1 could not be started: %2").arg(program, process->errorString());
        return run;
    }
    run.pid = process->processId();

    QElapsedTimer timer;
    timer.start();
    if (observer)
        observer->waitStarted(file.fileName());
    for (;;) {
        // Returns as soon as the program ends, else after one poll interval.
        process->waitForFinished(kPollMs);
        if (process->state() == QProcess::NotRunning) {
            run.outcome = ProgramRun::Outcome::Finished;
            run.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
            break;
        }
        if (timer.elapsed() >= limitMs) {
            run.outcome = ProgramRun::Outcome::TimedOut;
            // Keep the QProcess (deleting it would kill the program); it reaps the program
            // and deletes itself when the program ends.
            QProcess *keep = process.release();
            QObject::connect(keep, &QProcess::finished, keep, &QObject::deleteLater);
            break;
        }
        if (observer)
            observer->waiting(timer.elapsed());
    }
    if (observer)
        observer->waitEnded();
    return run;
}
