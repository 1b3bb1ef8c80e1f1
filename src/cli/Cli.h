#pragma once

#include <QStringList>

struct CliIo;

// The command-line tool, in-process: `args` without the program's name.
int Run_Cli(const QStringList &args, CliIo &io);

QString Cli_Help_Text();
