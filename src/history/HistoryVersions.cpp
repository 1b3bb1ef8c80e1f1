#include "history/HistoryVersions.h"

#include "common/SafeFile.h"
#include "common/XmlIo.h"
#include "s7access/S7Protocol.h"

#include <QDir>

namespace {

void countRules(const S7RuleList &rules, int &inUse, int &enabled)
{
    inUse = Rules_In_Use(rules);
    enabled = 0;
    for (int i = 0; i < inUse; ++i)
        enabled += rules[std::size_t(i)].Enable == QLatin1String("Y") ? 1 : 0;
}

QString address(const CommParams &p, int first)
{
    return QStringLiteral("%1.%2.%3.%4").arg(p.texts[first], p.texts[first + 1], p.texts[first + 2], p.texts[first + 3]);
}

} // namespace

QString HistoryVersion::summary() const
{
    if (!readable())
        return QStringLiteral("unreadable: %1").arg(problem);
    if (entry.fileName == QLatin1String("S7_Protocol.xml"))
        return QStringLiteral("read %1 (%2 enabled), write %3 (%4 enabled)")
            .arg(readRules)
            .arg(readEnabled)
            .arg(writeRules)
            .arg(writeEnabled);
    using F = CommParams;
    return QStringLiteral("%1/%2, gateway %3, station %4, in %5, out %6")
        .arg(address(params, F::S7_Protocol_IP1), address(params, F::S7_Protocol_SM1),
             params.gatewayEnabled ? address(params, F::S7_Protocol_GAT1) : QStringLiteral("off"),
             params.texts[F::PROFIBUS_ID_Device], params.texts[F::PROFINET_NB_IN], params.texts[F::PROFINET_NB_OUT]);
}

HistoryVersion Read_History_Entry(const HistoryEntry &entry)
{
    HistoryVersion version;
    version.entry = entry;
    if (!entry.regular) {
        version.problem = entry.problem;
        return version;
    }
    try {
        if (entry.fileName == QLatin1String("S7_Protocol.xml")) {
            S7RuleList read, write;
            if (auto error = Load_History_Rules(entry, read, write)) {
                version.problem = *error;
                return version;
            }
            countRules(read, version.readRules, version.readEnabled);
            countRules(write, version.writeRules, version.writeEnabled);
        } else {
            version.params = Load_History_Params(entry);
        }
    } catch (const BrivantError &e) {
        version.problem = e.text();
    }
    return version;
}

std::vector<HistoryVersion> Read_History(const QString &projectDir)
{
    std::vector<HistoryVersion> versions;
    for (const HistoryEntry &entry : List_History(projectDir))
        versions.push_back(Read_History_Entry(entry));
    return versions;
}

std::vector<HistoryVersion> Read_File_History(const QString &projectDir, const QString &fileName)
{
    std::vector<HistoryVersion> versions;
    const std::vector<HistoryEntry> entries = List_History(projectDir);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->fileName == fileName)
            versions.push_back(Read_History_Entry(*it));
    }
    return versions;
}

std::optional<QString> Load_History_Rules(const HistoryEntry &entry, S7RuleList &read, S7RuleList &write)
{
    read = Fresh_Rule_List();
    write = Fresh_Rule_List();
    QByteArray bytes;
    try {
        bytes = Read_History_Version(entry);
    } catch (const BrivantError &e) {
        return e.text();
    }
    return Parse_S7_Protocol(bytes, QDir::toNativeSeparators(entry.path), read, write);
}

CommParams Load_History_Params(const HistoryEntry &entry)
{
    // Checked as a regular file of bounded size first; the window's reader then reads it.
    const QByteArray bytes = Read_History_Version(entry);
    const XmlDocument doc = Parse_Xml(bytes, QDir::toNativeSeparators(entry.path));
    if (Document_Root(doc).isNull())
        throw XmlError(QStringLiteral("%1 holds no root element").arg(QDir::toNativeSeparators(entry.path)));
    return Read_ParGen_For_Window(entry.path);
}

QString Restore_From_History(const QString &projectDir, const QString &name, KeepHistory keep)
{
    const std::optional<HistoryEntry> entry = Find_History_Entry(projectDir, name);
    if (!entry)
        throw FileError(QStringLiteral("%1 holds no version %2")
                            .arg(QDir::toNativeSeparators(History_Dir(projectDir)), name));
    const HistoryVersion version = Read_History_Entry(*entry);
    if (!version.readable())
        throw FileError(QStringLiteral("Cannot restore %1: %2").arg(name, version.problem));
    const QByteArray bytes = Read_History_Version(*entry);
    const QString live = QDir(projectDir).filePath(entry->fileName);
    Keep_In_History(live, bytes, keep);
    Write_File_Safely(live, bytes);
    return live;
}
