#pragma once

#include "platform/ProcessRunner.h"

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

// The outcome of `run`; a failure names the exit code and, when the file exists, the log in
// `programDir`.
UpdateOutcome Describe_Update_Run(const ProgramRun &run, const QString &programDir, const TextTable &texts);
