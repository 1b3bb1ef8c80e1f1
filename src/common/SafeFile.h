#pragma once

#include <QByteArray>
#include <QString>

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

// Reads a whole file; throws FileError naming the file and the reason.
QByteArray Read_Whole_File(const QString &path);
