#pragma once

#include "platform/ProcessRunner.h"

#include <QString>
#include <QStringList>

struct CliIo;
class Clock;
class EchoClient;

// What the update command talks to; Cmd_Update passes the real ones.
struct UpdateCommandServices
{
    EchoClient &echo;
    Clock &clock;
    ProcessRunner &processes;
    // The folder of the running program, where the update program is looked for when the
    // workspace has none.
    QString ownDir;
    int limitMs = ProcessRunner::kDefaultLimitMs;
};

// brivant-cli update PROJECT_DIR --ip A.B.C.D [--option 0|1|2] [--no-read-back] [--workspace DIR]
int Run_Update_Command(const QStringList &args, CliIo &io, UpdateCommandServices &services);
