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

// The same run with its output decoded as UTF-8, for tests that compare texts.
struct CliTextRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliTextRun Run_Cli_Text(const QStringList &args, const QString &programDir = QString())
{
    const CliRun run = Run_Cli_Captured(args, programDir);
    return {run.exitCode, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
}
