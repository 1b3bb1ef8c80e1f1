#pragma once

#include "platform/ProcessRunner.h"

#include <QDateTime>
#include <QString>

class TextTable;

// What the user is told when the update program has ended (or the wait for it has): the
// update window shows it in a message box, brivant-cli update prints it.
struct UpdateOutcome
{
    enum class Kind {
        Succeeded,    // exit code 0
        Failed,       // not started, crashed or a non-zero exit code
        StillRunning, // still at work when the wait ended; it goes on by itself
    };
    Kind kind = Kind::Failed;
    QString text;
};

// The update program writes its report to Ethernet_Update.log in its working folder.
inline constexpr const char *kUpdateLogFileName = "Ethernet_Update.log";

// The log's size and time of last change, taken before the update program starts, so that a
// failure names the log only when this run wrote to it.
struct UpdateLogStamp
{
    bool exists = false;
    qint64 size = 0;
    QDateTime modified;
    bool operator==(const UpdateLogStamp &) const = default;
};
UpdateLogStamp Update_Log_Stamp(const QString &programDir);

// The outcome of `run`; a failure names the exit code and, when this run wrote to it (its size
// or time differs from `before`), the log in `programDir`.
UpdateOutcome Describe_Update_Run(const ProgramRun &run, const QString &programDir, const TextTable &texts,
                                  const UpdateLogStamp &before);
