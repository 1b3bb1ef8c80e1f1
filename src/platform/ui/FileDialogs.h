#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Asks for file names. An empty result means the user cancelled.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    // `filter` in Qt's form, for example "Generic Station Description (*.gsd)".
    virtual QString getSaveFileName(QWidget *parent, const QString &folder, const QString &filter) = 0;
    // With the dialog's own title and a suggested file (its folder and name); an existing file
    // is confirmed by the dialog before it is chosen.
    virtual QString askSaveFile(QWidget *parent, const QString &title, const QString &suggestedFile,
                                const QString &filter) = 0;
    // Existing files to read, several at once; empty for Cancel.
    virtual QStringList getOpenFileNames(QWidget *parent, const QString &title, const QString &folder,
                                         const QString &filter) = 0;
};
