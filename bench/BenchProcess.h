#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs a whole program to its end (at most a minute) and gives its exit code, or -1 when it did
// not start, did not end in time or crashed.
inline int runProcess(const QString &program, const QStringList &args)
{
    QProcess child;
    child.start(program, args);
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}
