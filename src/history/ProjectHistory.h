#pragma once

#include "common/Errors.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The project's history: before ParGen.xml or S7_Protocol.xml is replaced, the file it
// replaces is kept in PROJECT/history under a name that sorts by the time it was replaced
// (UTC): "2026-12-11T14-03-22_S7_Protocol.xml". A second version of the same file within the
// same second takes a sequence number: "2026-12-11T14-03-22_S7_Protocol_02.xml" (sorting after
// the first, since '.' comes before '_'). The history keeps the last kHistoryVersionsPerFile
// versions of each file and at most kHistoryMaxBytes in all, removing the oldest first.
// Nothing in it is ever followed out of the project: links and folders named like versions
// are listed as unreadable, never read, never removed.

inline constexpr int kHistoryVersionsPerFile = 50;
inline constexpr qint64 kHistoryMaxBytes = 20 * 1024 * 1024;

// The copy of the replaced file could not be kept; the live file is as it was.
class HistoryError : public FileError
{
public:
    using FileError::FileError;
};

// Whether a saver keeps the file it replaces.
enum class KeepHistory { Yes, No };

// PROJECT/history.
QString History_Dir(const QString &projectDir);

// One name in the history folder that reads as a version.
struct HistoryEntry
{
    QString name;       // the name in the history folder
    QString path;       // the full path
    QString fileName;   // "ParGen.xml" or "S7_Protocol.xml"
    QDateTime time;     // when the version was replaced, UTC
    int sequence = 1;   // 1, then 2... for versions of one file within one second
    qint64 size = 0;    // bytes (0 for a link or folder)
    bool regular = false;  // a regular file, not a link, folder or other kind
    QString problem;    // why it cannot be read ("a link", "a folder"), empty for a regular file
};

// The project's versions, oldest first (by time, then sequence, then name); names that do not
// read as versions are left out. Throws FileError when the history is not a folder of the
// project (a link, a file) or cannot be listed; an absent history holds nothing.
std::vector<HistoryEntry> List_History(const QString &projectDir);

// The entry of that name, or nothing (a name with a path separator never names one).
std::optional<HistoryEntry> Find_History_Entry(const QString &projectDir, const QString &name);

// The bytes of a version; throws FileError for an entry that is not a regular file in the
// history folder or larger than the XML reader's bound, or cannot be read.
QByteArray Read_History_Version(const HistoryEntry &entry);

// Called by the savers before `liveFile` (a project's ParGen.xml or S7_Protocol.xml) is
// replaced by `newContent`. Keeps the current file in the project's history when it exists
// and differs both from `newContent` and from the newest kept version of it, then removes the
// oldest versions beyond the bounds. Does nothing for other file names or with KeepHistory::No.
// Throws HistoryError when the copy cannot be kept (the live file untouched).
void Keep_In_History(const QString &liveFile, const QByteArray &newContent, KeepHistory keep = KeepHistory::Yes);

// The name a version of `fileName` replaced at `time` takes, given the names already there.
QString History_Version_Name(const QDateTime &time, const QString &fileName, const QStringList &taken);
