#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "texts/LanguageFile.h"
#include "texts/TextTable.h"
#include "app/ConfigWorkspace.h"

#include <QJsonArray>
#include <QJsonDocument>

int Cmd_Texts(const QStringList &args, CliIo &io)
{
    QString error;
    const auto parsed = CliArgs::parse(args, {QStringLiteral("--workspace"), QStringLiteral("--language")},
                                       {QStringLiteral("--lng")}, &error);
    if (!parsed || !parsed->positional.isEmpty()) {
        io.errln(QStringLiteral("brivant-cli texts: %1")
                     .arg(parsed ? QStringLiteral("unexpected argument %1").arg(parsed->positional.first()) : error));
        return kUsageExit;
    }
    if (parsed->has(QStringLiteral("--workspace")) && parsed->value(QStringLiteral("--workspace")).isEmpty()) {
        io.errln(QStringLiteral("brivant-cli texts: --workspace needs a folder"));
        return kUsageExit;
    }
    ConfigWorkspace workspace;
    workspace.setProgramDir(parsed->value(QStringLiteral("--workspace"), io.defaultProgramDir));
    QString language = parsed->value(QStringLiteral("--language"), QStringLiteral("English"));

    TextTable table;
    // A language file that exists but cannot be read gives no texts: they would not be the
    // ones the configurator shows.
    if (const auto failure = Load_Language(table, language, workspace.Language_Dir)) {
        io.errln(QStringLiteral("brivant-cli texts: %1").arg(*failure));
        return 1;
    }

    if (parsed->has(QStringLiteral("--lng"))) {
        QList<int> skipped;
        io.write(Write_Language_File(table, &skipped));
        for (const int index : skipped)
            io.errln(QStringLiteral("brivant-cli texts: text %1 cannot be written to a language file "
                                    "(it holds \"/#/\", a pilcrow or a line break); left out")
                         .arg(index));
        return 0;
    }
    QJsonArray array;
    for (const QString &text : table.entries())
        array.append(text);
    io.write(QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n');
    return 0;
}
