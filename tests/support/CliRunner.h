#pragma once

#include "cli/Cli.h"
#include "cli/CliIo.h"

#include <QBuffer>
#include <QStringList>

// Runs the command-line tool in-process and keeps what it wrote.
struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline CliRun Run_Cli_Captured(const QStringList &args, const QString &programDir = QString())
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    CliIo io{out, err, programDir};
    CliRun run;
    run.exitCode = Run_Cli(args, io);
    run.out = out.data();
    run.err = err.data();
    return run;
}
