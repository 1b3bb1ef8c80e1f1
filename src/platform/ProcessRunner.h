#pragma once

#include <QString>
#include <QStringList>

// Told about the program a runner waits for, so that a window can show that the configurator
// is busy (and keep repainting) while the call blocks.
class ProgramWaitObserver
{
public:
    virtual ~ProgramWaitObserver() = default;
    // `program` is the file name of the started program.
    virtual void waitStarted(const QString &program) = 0;
    // Called at every poll, about every 10 ms.
    virtual void waiting(qint64 elapsedMs) = 0;
    virtual void waitEnded() = 0;
};

// What became of one Start_Program call.
struct ProgramRun
{
    enum class Outcome {
        NotStarted, // the file is missing, not executable, or the working folder is missing
        Finished,   // the program ended within the limit
        TimedOut,   // the limit passed; the program goes on running
    };
    Outcome outcome = Outcome::NotStarted;
    int exitCode = -1;   // Finished: the program's exit code; -1 when it crashed
    qint64 pid = 0;      // 0 when it did not start
    QString errorText;   // NotStarted: why
};

// Starts an external program from an argument list (never through a shell) and waits for
// its end, at most `limitMs`, polling every 10 ms. A program still running at the limit keeps
// running and is reaped when it ends. A file that cannot be started returns at once.
class ProcessRunner
{
public:
    static constexpr int kDefaultLimitMs = 150000;
    static constexpr int kPollMs = 10;

    virtual ~ProcessRunner() = default;
    // tipo 0: the program is shown normally; any other value: hidden. `workingDir` is the
    // program's current folder. `observer` may be null.
    virtual ProgramRun Start_Program(const QString &NomeSW, const QStringList &arguments, int tipo,
                                     const QString &workingDir, int limitMs = kDefaultLimitMs,
                                     ProgramWaitObserver *observer = nullptr) = 0;
};
