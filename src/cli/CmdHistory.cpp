#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "history/HistoryVersions.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject versionJson(const HistoryVersion &v)
{
    QJsonObject o{
        {QStringLiteral("name"), v.entry.name},
        {QStringLiteral("time"), v.entry.time.toString(Qt::ISODate)},
        {QStringLiteral("file"), v.entry.fileName},
        {QStringLiteral("size"), v.entry.size},
        {QStringLiteral("readable"), v.readable()},
    };
    if (!v.readable()) {
        o.insert(QStringLiteral("problem"), v.problem);
    } else if (v.entry.fileName == QLatin1String("S7_Protocol.xml")) {
        o.insert(QStringLiteral("read"), QJsonObject{{QStringLiteral("rules"), v.readRules},
                                                     {QStringLiteral("enabled"), v.readEnabled}});
        o.insert(QStringLiteral("write"), QJsonObject{{QStringLiteral("rules"), v.writeRules},
                                                      {QStringLiteral("enabled"), v.writeEnabled}});
    } else {
        QJsonObject params;
        for (int i = 0; i < CommParams::FieldCount; ++i)
            params.insert(CommParams::elementName(CommParams::Field(i)), v.params.texts[i]);
        params.insert(QStringLiteral("S7_Protocol_EN_GAT"), v.params.gatewayEnabled ? QStringLiteral("1") : QStringLiteral("0"));
        o.insert(QStringLiteral("params"), params);
    }
    return o;
}

} // namespace

// Lists the versions kept in PROJECT_DIR/history, oldest first, or puts one back as the live
// file (keeping the file it replaces first, unless --no-history).
int Cmd_History(const QStringList &args, CliIo &io)
{
    const CliCommand command("history", io);
    const char *usage = "usage: brivant-cli history PROJECT_DIR [--json] | brivant-cli history PROJECT_DIR --restore NAME "
                        "[--no-history]";
    QString error;
    const auto parsed = CliArgs::parse(args, {QStringLiteral("--restore")},
                                       {QStringLiteral("--json"), QStringLiteral("--no-history")}, &error);
    if (!parsed)
        return command.fail(error, kUsageExit);
    const bool restore = parsed->has(QStringLiteral("--restore"));
    if (parsed->positional.size() != 1 || parsed->positional[0].isEmpty()
        || (restore && parsed->has(QStringLiteral("--json")))
        || (!restore && parsed->has(QStringLiteral("--no-history"))))
        return command.fail(QString::fromLatin1(usage), kUsageExit);
    const QString projectDir = parsed->positional[0];
    if (!command.isProjectFolder(projectDir))
        return kUsageExit;

    if (restore) {
        const QString name = parsed->value(QStringLiteral("--restore"));
        const KeepHistory keep = parsed->has(QStringLiteral("--no-history")) ? KeepHistory::No : KeepHistory::Yes;
        try {
            const QString live = Restore_From_History(projectDir, name, keep);
            io.println(QStringLiteral("%1 restored from %2").arg(QDir::toNativeSeparators(live), name));
        } catch (const HistoryError &e) {
            return command.fail(e.text() + QStringLiteral(" (--no-history restores without keeping it)"), kUsageExit);
        } catch (const BrivantError &e) {
            return command.fail(e.text(), kUsageExit);
        }
        return 0;
    }

    std::vector<HistoryVersion> versions;
    try {
        versions = Read_History(projectDir);
    } catch (const BrivantError &e) {
        return command.fail(e.text(), kUsageExit);
    }
    if (parsed->has(QStringLiteral("--json"))) {
        QJsonArray array;
        for (const HistoryVersion &v : versions)
            array.append(versionJson(v));
        io.write(QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n');
        return 0;
    }
    for (const HistoryVersion &v : versions) {
        io.println(QStringLiteral("%1  %2  %3  %4 bytes  %5")
                       .arg(v.entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'")), v.entry.fileName,
                            v.summary())
                       .arg(v.entry.size)
                       .arg(v.entry.name));
    }
    return 0;
}
