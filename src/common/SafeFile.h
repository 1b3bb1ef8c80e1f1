#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>

// Writes the whole file through a temporary beside it that replaces the old file only when
// every byte was written and flushed: a crash, a full disk or a locked file leaves the old file
// intact. Throws FileError naming the file and the system's reason.
void Write_File_Safely(const QString &path, const QByteArray &data);

// One file of a set written as a unit.
struct SafeFileWrite
{
    QString path;
    QByteArray data;
};

// Writes the files as one unit: all are written to temporaries first, then they replace the
// old files; on any failure every old file stays as it was (files replaced before the failure
// get their old contents back). Throws FileError naming the file and the system's reason.
void Write_Files_Safely(std::span<const SafeFileWrite> files);

// Whether nothing of that name exists. A link to a missing file, or a name that cannot be
// examined (no permission on its folder), is not missing: reading it fails with its reason.
bool Name_Is_Missing(const QString &path);

// What the name is when it is no regular file, no link to one and no folder: "a named pipe",
// "a character device", "a block device" or "a socket". Nothing otherwise (a missing name too).
// Readers look before they open: opening a pipe waits for a writer, a device never ends.
std::optional<QString> Special_File_Kind(const QString &path);

// Throws FileError "Cannot read NAME: it is a named pipe, not a file" for such a name.
void Require_Regular_File(const QString &path);

// Reads a whole file; throws FileError naming the file and the reason (a pipe or a device is
// refused unopened).
QByteArray Read_Whole_File(const QString &path);

// The same for a file of at most `maxBytes` bytes, checked before reading and while reading;
// a larger one is refused with FileError "NAME holds N bytes, while the program reads KIND of
// at most M" (KIND e.g. "CSV files", M as `maxShown`), as is an allocation failure.
QByteArray Read_Bounded_File(const QString &path, qint64 maxBytes, const QString &kind, const QString &maxShown);
