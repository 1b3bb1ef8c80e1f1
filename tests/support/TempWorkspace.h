#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary program folder, removed with the object.
class TempWorkspace
{
public:
    TempWorkspace();

    QString path() const { return m_dir.path(); }
    // path()/relative
    QString file(const QString &relative) const;
    // Creates the folder (with parents) and returns its path.
    QString mkdir(const QString &relative) const;
    // Writes bytes to path()/relative, creating folders on the way; returns the full path.
    QString write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const;
    bool exists(const QString &relative) const;

private:
    QTemporaryDir m_dir;
};
