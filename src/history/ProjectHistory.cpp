#include "history/ProjectHistory.h"

#include "common/SafeFile.h"
#include "common/XmlIo.h"
#include "common/XmlReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd'T'HH-mm-ss");

const QRegularExpression &versionPattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        "^(\\d{4}-\\d{2}-\\d{2}T\\d{2}-\\d{2}-\\d{2})_(ParGen|S7_Protocol)(?:_(\\d{2,4}))?\\.xml$"));
    return pattern;
}

bool isKeptFileName(const QString &name)
{
    return name == QLatin1String("ParGen.xml") || name == QLatin1String("S7_Protocol.xml");
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// What lstat says of the name: 0 missing, or its st_mode; never follows a link.
bool lstatMode(const QString &path, mode_t &mode, qint64 *size = nullptr)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    mode = st.st_mode;
    if (size)
        *size = st.st_size;
    return true;
}

bool entryBefore(const HistoryEntry &a, const HistoryEntry &b)
{
    if (a.time != b.time)
        return a.time < b.time;
    if (a.sequence != b.sequence)
        return a.sequence < b.sequence;
    return a.name < b.name;
}

// The history folder as it stands: false when absent; throws when it is not a real folder.
bool historyFolderPresent(const QString &dir)
{
    mode_t mode = 0;
    if (!lstatMode(dir, mode)) {
        if (errno == ENOENT)
            return false;
        throw FileError(QStringLiteral("Cannot read %1: %2").arg(shown(dir), QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (S_ISLNK(mode))
        throw FileError(QStringLiteral("%1 is a link, not a folder of the project: the history is not followed through it")
                            .arg(shown(dir)));
    if (!S_ISDIR(mode))
        throw FileError(QStringLiteral("%1 is not a folder").arg(shown(dir)));
    return true;
}

std::optional<HistoryEntry> entryFor(const QString &dir, const QString &name)
{
    const QRegularExpressionMatch match = versionPattern().match(name);
    if (!match.hasMatch())
        return std::nullopt;
    HistoryEntry entry;
    entry.time = QDateTime::fromString(match.captured(1), kTimeFormat);
    if (!entry.time.isValid())
        return std::nullopt;
    entry.time = QDateTime(entry.time.date(), entry.time.time(), Qt::UTC);
    entry.name = name;
    entry.path = QDir(dir).filePath(name);
    entry.fileName = match.captured(2) + QStringLiteral(".xml");
    entry.sequence = match.captured(3).isEmpty() ? 1 : match.captured(3).toInt();
    mode_t mode = 0;
    qint64 size = 0;
    if (!lstatMode(entry.path, mode, &size)) {
        if (errno == ENOENT)
            return std::nullopt;
        entry.problem = QString::fromLocal8Bit(std::strerror(errno));
    } else if (S_ISLNK(mode)) {
        entry.problem = QStringLiteral("a link, not followed");
    } else if (S_ISDIR(mode)) {
        entry.problem = QStringLiteral("a folder");
    } else if (!S_ISREG(mode)) {
        entry.problem = QStringLiteral("not a regular file");
    } else {
        entry.regular = true;
        entry.size = size;
    }
    return entry;
}

// Removes the oldest versions beyond the bounds; `newest` (just written) always stays.
void trimHistory(std::vector<HistoryEntry> entries, const QString &newest)
{
    std::erase_if(entries, [](const HistoryEntry &e) { return !e.regular; });
    std::sort(entries.begin(), entries.end(), entryBefore);
    std::vector<bool> removed(entries.size(), false);
    const auto remove = [&](std::size_t i) {
        if (entries[i].name == newest)
            return false;
        // unlink never follows a link; the entry was a regular file when listed.
        ::unlink(QFile::encodeName(entries[i].path).constData());
        removed[i] = true;
        return true;
    };
    for (const QString &fileName : {QStringLiteral("ParGen.xml"), QStringLiteral("S7_Protocol.xml")}) {
        int count = int(std::count_if(entries.begin(), entries.end(),
                                      [&](const HistoryEntry &e) { return e.fileName == fileName; }));
        for (std::size_t i = 0; i < entries.size() && count > kHistoryVersionsPerFile; ++i) {
            if (entries[i].fileName == fileName && remove(i))
                --count;
        }
    }
    qint64 total = 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
        total += removed[i] ? 0 : entries[i].size;
    for (std::size_t i = 0; i < entries.size() && total > kHistoryMaxBytes; ++i) {
        if (!removed[i] && remove(i))
            total -= entries[i].size;
    }
}

} // namespace

QString History_Dir(const QString &projectDir)
{
    return QDir(projectDir).filePath(QStringLiteral("history"));
}

std::vector<HistoryEntry> List_History(const QString &projectDir)
{
    const QString dir = History_Dir(projectDir);
    std::vector<HistoryEntry> entries;
    if (!historyFolderPresent(dir))
        return entries;
    QDir folder(dir);
    if (!folder.isReadable())
        throw FileError(QStringLiteral("Cannot read %1: permission denied").arg(shown(dir)));
    const QStringList names = folder.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                                               QDir::Name);
    for (const QString &name : names) {
        if (auto entry = entryFor(dir, name))
            entries.push_back(std::move(*entry));
    }
    std::sort(entries.begin(), entries.end(), entryBefore);
    return entries;
}

std::optional<HistoryEntry> Find_History_Entry(const QString &projectDir, const QString &name)
{
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return std::nullopt;
    const QString dir = History_Dir(projectDir);
    if (!historyFolderPresent(dir))
        return std::nullopt;
    return entryFor(dir, name);
}

QByteArray Read_History_Version(const HistoryEntry &entry)
{
    mode_t mode = 0;
    qint64 size = 0;
    if (!lstatMode(entry.path, mode, &size) || !S_ISREG(mode))
        throw FileError(QStringLiteral("Cannot read %1: %2")
                            .arg(shown(entry.path), entry.problem.isEmpty() ? QStringLiteral("not a regular file") : entry.problem));
    if (size > kMaxXmlFileSize)
        throw FileError(QStringLiteral("Cannot read %1: larger than %2 bytes").arg(shown(entry.path)).arg(kMaxXmlFileSize));
    return Read_Whole_File(entry.path);
}

QString History_Version_Name(const QDateTime &time, const QString &fileName, const QStringList &taken)
{
    const QString stamp = time.toUTC().toString(kTimeFormat);
    const QString base = QFileInfo(fileName).completeBaseName();
    // After every version of the file within that second, even when older ones were removed
    // since: a freed lower number would sort the new version first.
    int last = 0;
    for (const QString &name : taken) {
        const QRegularExpressionMatch match = versionPattern().match(name);
        if (match.hasMatch() && match.captured(1) == stamp && match.captured(2) == base)
            last = std::max(last, match.captured(3).isEmpty() ? 1 : match.captured(3).toInt());
    }
    if (last == 0)
        return QStringLiteral("%1_%2.xml").arg(stamp, base);
    return QStringLiteral("%1_%2_%3.xml").arg(stamp, base).arg(last + 1, 2, 10, QLatin1Char('0'));
}

void Keep_In_History(const QString &liveFile, const QByteArray &newContent, KeepHistory keep)
{
    const QFileInfo live(liveFile);
    if (keep == KeepHistory::No || !isKeptFileName(live.fileName()) || Name_Is_Missing(liveFile))
        return;
    const QString fileName = live.fileName();
    const QString dir = History_Dir(live.path());
    const auto fail = [&](const QString &why) {
        return HistoryError(QStringLiteral("Cannot keep the replaced %1 in the project's history, so it was not saved: %2")
                                .arg(fileName, why));
    };
    try {
        // Bounded as every reader is: a file the readers refuse could never be restored.
        const QByteArray old = Read_Xml_File_Bytes(liveFile);
        if (old == newContent)
            return;
        std::vector<HistoryEntry> entries = List_History(live.path());
        QDateTime time = QDateTime::currentDateTimeUtc();
        QStringList taken;
        const HistoryEntry *newest = nullptr;
        for (const HistoryEntry &e : entries) {
            taken.append(e.name);
            // A clock set back still sorts the new version last.
            time = std::max(time, e.time);
            if (e.regular && e.fileName == fileName)
                newest = &e;
        }
        if (newest && newest->size == old.size() && Read_History_Version(*newest) == old)
            return;
        const bool create = entries.empty() && !historyFolderPresent(dir);
        if (create && !QDir().mkdir(dir))
            throw FileError(QStringLiteral("Cannot create %1: %2").arg(shown(dir), QString::fromLocal8Bit(std::strerror(errno))));
        const QString name = History_Version_Name(time, fileName, taken);
        try {
            Write_File_Safely(QDir(dir).filePath(name), old);
        } catch (const FileError &) {
            if (create)
                QDir().rmdir(dir); // only when still empty
            throw;
        }
        if (auto entry = entryFor(dir, name))
            entries.push_back(std::move(*entry));
        trimHistory(std::move(entries), name);
    } catch (const HistoryError &) {
        throw;
    } catch (const BrivantError &e) {
        throw fail(e.text());
    }
}
