#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "image/ImageCompiler.h"

#include <QDir>
#include <QFileInfo>

// The update step's compile: both images from the project's files into PROJECT_DIR/bin.
int Cmd_Compile(const QStringList &args, CliIo &io)
{
    const auto fail = [&](const QString &why, int code) {
        io.errln(QStringLiteral("brivant-cli compile: %1").arg(why));
        return code;
    };
    QString error;
    const auto parsed = CliArgs::parse(args, {}, {}, &error);
    if (!parsed)
        return fail(error, kUsageExit);
    if (parsed->positional.size() != 1)
        return fail(QStringLiteral("usage: brivant-cli compile PROJECT_DIR"), kUsageExit);
    const QString projectDir = parsed->positional.first();
    if (!QFileInfo(projectDir).isDir())
        return fail(QStringLiteral("no project folder %1").arg(QDir::toNativeSeparators(projectDir)), 1);

    ImageCompiler compiler;
    try {
        compiler.Compile_Banks(ConfigWorkspace::join(projectDir, QStringLiteral("ParGen.xml")),
                               ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml")));
        compiler.Write_Bank_Files(projectDir);
    } catch (const BrivantError &e) {
        return fail(e.text(), 1);
    }
    const QString bin = ConfigWorkspace::join(projectDir, QStringLiteral("bin"));
    io.println(QStringLiteral("%1 rules, checksum %2: %3, %4")
                   .arg(compiler.ruleCount())
                   .arg(compiler.checksum())
                   .arg(ConfigWorkspace::join(bin, QStringLiteral("bank1.bin")),
                        ConfigWorkspace::join(bin, QStringLiteral("bank2.bin"))));
    return 0;
}
