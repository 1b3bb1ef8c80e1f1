#pragma once

#include <QByteArray>
#include <QString>

// Writes the whole file through QSaveFile: a crash, a full disk or a locked file leaves the
// old file intact. Throws FileError naming the file and the system's reason.
void Write_File_Safely(const QString &path, const QByteArray &data);

// Reads a whole file; throws FileError naming the file and the reason.
QByteArray Read_Whole_File(const QString &path);
