#pragma once

#include <QString>
#include <QStringList>

// Starts an external program from an argument list (never through a shell) and waits for
// its end, at most `limitMs`. A program still running at the limit keeps running. A file
// that cannot be started returns at once, silently.
class ProcessRunner
{
public:
    static constexpr int kDefaultLimitMs = 150000;

    virtual ~ProcessRunner() = default;
    // tipo 0: the program's window is shown normally; any other value: hidden.
    virtual void Start_Program(const QString &NomeSW, const QStringList &arguments, int tipo,
                               const QString &workingDir, int limitMs = kDefaultLimitMs) = 0;
};
