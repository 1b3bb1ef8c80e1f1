#pragma once

#include <QStringList>

struct CliIo;

// One function per command; `args` are the words after the command's name. Each returns
// the process's exit code.
int Cmd_Texts(const QStringList &args, CliIo &io);
int Cmd_Compile(const QStringList &args, CliIo &io);
int Cmd_Gsd(const QStringList &args, CliIo &io);
int Cmd_Validate(const QStringList &args, CliIo &io);
int Cmd_Job(const QStringList &args, CliIo &io);
int Cmd_Dump(const QStringList &args, CliIo &io);
int Cmd_ExportRules(const QStringList &args, CliIo &io);
int Cmd_ImportRules(const QStringList &args, CliIo &io);
int Cmd_Update(const QStringList &args, CliIo &io);
int Cmd_PlcCheck(const QStringList &args, CliIo &io);
int Cmd_Diff(const QStringList &args, CliIo &io);
int Cmd_Map(const QStringList &args, CliIo &io);
int Cmd_History(const QStringList &args, CliIo &io);
// The PLC program's data blocks and tag tables.
int Cmd_DbLayout(const QStringList &args, CliIo &io);
int Cmd_ImportDb(const QStringList &args, CliIo &io);
int Cmd_ImportTags(const QStringList &args, CliIo &io);
// Runs the report program brivant-report beside the running program.
int Cmd_Report(const QStringList &args, CliIo &io);

// Exit code of a command line that cannot be understood.
inline constexpr int kUsageExit = 2;
