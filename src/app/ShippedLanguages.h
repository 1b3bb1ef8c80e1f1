#pragma once

#include <QString>
#include <QStringList>

// The language files and flag pictures that come with the program: in the build and in a
// portable copy the folder LANGUAGE beside the program, in an installation the package's data
// folder (share/brivant/LANGUAGE). Empty when neither exists.
QString Shipped_Language_Dir(const QString &executableDir);

// A workspace whose LANGUAGE folder holds no language file gets copies of the shipped *.lng
// and *.bmp files. A file of the same name already there is never replaced, and nothing is
// copied into a folder that holds a language file. Returns the names of the files copied;
// failures are silent, as for the workspace folders themselves.
QStringList Install_Shipped_Languages(const QString &languageDir, const QString &shippedDir);
