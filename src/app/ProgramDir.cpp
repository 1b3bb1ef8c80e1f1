#include "app/ProgramDir.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString User_Workspace_Dir(bool create)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/share");
    dir += QStringLiteral("/Norvalt/ZE52840");
    if (create)
        QDir().mkpath(dir);
    return dir;
}

QString Default_Program_Dir(const QString &executableDir, bool create)
{
    const bool installed = QFileInfo::exists(QDir(executableDir).filePath(QString::fromLatin1(kInstalledMarker)));
    if (!installed && QFileInfo(executableDir).isWritable())
        return executableDir;
    return User_Workspace_Dir(create);
}
