#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "compare/ProjectDiff.h"

#include <QDir>

// Compares two projects, or their rule or parameter files, in any mix. Exit 0 when equal, 1
// when different, 2 when a side cannot be read. As git's diff driver (--git with git's seven
// arguments: path, old file, old hash, old mode, new file, new hash, new mode) it names the
// path and answers 0 for a difference, since git stops at an external diff that fails.
int Cmd_Diff(const QStringList &args, CliIo &io)
{
    const CliCommand command("diff", io);
    QString error;
    const auto parsed = CliArgs::parse(args, {}, {QStringLiteral("--json"), QStringLiteral("--git")}, &error);
    if (!parsed)
        return command.fail(error, kUsageExit);
    const bool git = parsed->has(QStringLiteral("--git"));
    const bool json = parsed->has(QStringLiteral("--json"));
    if (parsed->positional.size() != (git ? 7 : 2))
        return command.fail(QStringLiteral("usage: brivant-cli diff A B [--json] | brivant-cli diff --git PATH OLD "
                                           "OLD-HEX OLD-MODE NEW NEW-HEX NEW-MODE"),
                            kUsageExit);
    const QString before = parsed->positional[git ? 1 : 0];
    const QString after = parsed->positional[git ? 4 : 1];

    // git stops the whole git diff at a driver that fails: as its driver, a side that cannot be
    // compared is a line of the output.
    const auto cannotCompare = [&](const QString &reason) {
        if (!git)
            return command.fail(reason, 2);
        io.println(QStringLiteral("%1: cannot be compared: %2").arg(parsed->positional[0], reason));
        return 0;
    };
    ProjectContent a, b;
    for (auto [path, content] : {std::pair{&before, &a}, std::pair{&after, &b}})
        if (const auto loadError = Load_Project_Content(*path, *content))
            return cannotCompare(*loadError);
    const ProjectDiff diff = Diff_Projects(a, b);
    if (!diff.paramsCompared && !diff.rulesCompared)
        return cannotCompare(QStringLiteral("%1 and %2 hold nothing comparable (parameters against rules)")
                                 .arg(QDir::toNativeSeparators(before), QDir::toNativeSeparators(after)));
    const QString shownBefore = git ? QStringLiteral("a/") + parsed->positional[0] : QDir::toNativeSeparators(before);
    const QString shownAfter = git ? QStringLiteral("b/") + parsed->positional[0] : QDir::toNativeSeparators(after);
    if (json) {
        io.write(Format_Diff_Json(diff, shownBefore, shownAfter));
    } else if (!diff.equal()) {
        io.println(QStringLiteral("--- %1\n+++ %2").arg(shownBefore, shownAfter));
        io.write(Format_Diff_Text(diff).toUtf8());
    }
    if (git)
        return 0;
    return diff.equal() ? 0 : 1;
}
