#pragma once

#include "platform/ProcessRunner.h"

// Starts programs with QProcess. A program is given by its path, never looked up in PATH
// and never started through a shell.
//
// A desktop session on Linux has no start-up window state to hand to a program: a program
// opens its windows itself. Here tipo 0 forwards the program's standard output and error to
// the configurator's (visible in the terminal that started it); any other value discards them.
//
// A program that outlives the limit stays a child of the configurator; its QProcess is kept
// and deletes itself when the program ends, which reaps it (the event loop must run for that,
// as it does in the configurator).
class QtProcessRunner : public ProcessRunner
{
public:
    ProgramRun Start_Program(const QString &NomeSW, const QStringList &arguments, int tipo,
                             const QString &workingDir, int limitMs = kDefaultLimitMs,
                             ProgramWaitObserver *observer = nullptr) override;
};
