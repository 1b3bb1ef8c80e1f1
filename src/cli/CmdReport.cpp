#include "cli/CliIo.h"
#include "cli/Commands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

// The report needs Qt Gui, which the other commands should not pay for at start-up: it runs in
// brivant-report beside this program, with the same arguments; its output and exit code are
// passed on.
int Cmd_Report(const QStringList &args, CliIo &io)
{
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("brivant-report"));
    if (!QFileInfo(program).isExecutable()) {
        io.errln(QStringLiteral("brivant-cli report: the report program %1 is missing").arg(QDir::toNativeSeparators(program)));
        return 1;
    }
    QProcess process;
    process.start(program, args);
    // A report of 1024 rules takes well under a second; the limit only guards against a hang.
    const bool finished = process.waitForFinished(120000);
    io.write(process.readAllStandardOutput());
    io.err.write(process.readAllStandardError());
    if (!finished || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        io.errln(QStringLiteral("brivant-cli report: the report program failed"));
        return 1;
    }
    return process.exitCode();
}
