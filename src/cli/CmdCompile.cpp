#include "app/ConfigWorkspace.h"
#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "image/ImageCompiler.h"

// The update step's compile: both images from the project's files into PROJECT_DIR/bin.
int Cmd_Compile(const QStringList &args, CliIo &io)
{
    const CliCommand command("compile", io);
    const auto parsed = command.parse(args, {}, 1, "PROJECT_DIR");
    if (!parsed)
        return kUsageExit;
    const QString projectDir = parsed->positional.first();
    if (!command.isProjectFolder(projectDir) || !command.holdsProjectFiles(projectDir))
        return 1;

    ImageCompiler compiler;
    try {
        compiler.Compile_Banks(ConfigWorkspace::join(projectDir, QStringLiteral("ParGen.xml")),
                               ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml")));
        compiler.Write_Bank_Files(projectDir);
    } catch (const XmlLimitError &e) {
        return command.fail(e.text(), kUsageExit);
    } catch (const BrivantError &e) {
        return command.fail(e.text(), 1);
    }
    const QString bin = ConfigWorkspace::join(projectDir, QStringLiteral("bin"));
    io.println(QStringLiteral("%1 rules, checksum %2: %3, %4")
                   .arg(compiler.ruleCount())
                   .arg(compiler.checksum())
                   .arg(ConfigWorkspace::join(bin, QStringLiteral("bank1.bin")),
                        ConfigWorkspace::join(bin, QStringLiteral("bank2.bin"))));
    return 0;
}
