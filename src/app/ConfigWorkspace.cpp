#include "app/ConfigWorkspace.h"

#include <QDir>

QString ConfigWorkspace::join(const QString &folder, const QString &name)
{
    return QDir::toNativeSeparators(folder + QLatin1Char('/') + name);
}

bool ConfigWorkspace::Project_Name_Is_Refused(const QString &name)
{
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return true;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 32 || c.unicode() == 127)
            return true;
    }
    return false;
}

void ConfigWorkspace::setProgramDir(const QString &programDir)
{
    QString dir = QDir::toNativeSeparators(QDir::cleanPath(programDir));
    Program_Dir = dir;
    Master_Dir = join(dir, QStringLiteral("MASTER"));
    Projects_Dir = join(dir, QStringLiteral("PROJECTS"));
    Language_Dir = join(dir, QStringLiteral("LANGUAGE"));
}

void ConfigWorkspace::createFolders() const
{
    for (const QString &dir : {Master_Dir, Projects_Dir, Language_Dir}) {
        if (!QDir(dir).exists())
            QDir().mkdir(dir);
    }
}

void ConfigWorkspace::Set_Files()
{
    ParGen_File = join(Project_Dir, QStringLiteral("ParGen.xml"));
    S7_Protocol_File = join(Project_Dir, QStringLiteral("S7_Protocol.xml"));
}

void ConfigWorkspace::openProject(const QString &name)
{
    Project_Name = name;
    Project_Dir = name.isEmpty() ? QString() : join(Projects_Dir, name);
    Set_Files();
}

QString ConfigWorkspace::settingsFile() const
{
    return join(Program_Dir, QStringLiteral("Brivant.xml"));
}

QString ConfigWorkspace::updateJobFile() const
{
    return join(Program_Dir, QStringLiteral("Ethernet_Update.xml"));
}
