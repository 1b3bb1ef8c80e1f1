#include "support/TempWorkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

TempWorkspace::TempWorkspace()
{
    EXPECT_TRUE(m_dir.isValid());
}

QString TempWorkspace::file(const QString &relative) const
{
    return QDir(m_dir.path()).filePath(relative);
}

QString TempWorkspace::mkdir(const QString &relative) const
{
    const QString p = file(relative);
    QDir().mkpath(p);
    return p;
}

QString TempWorkspace::write(const QString &relative, const QByteArray &bytes) const
{
    const QString p = file(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << p.toStdString();
    f.write(bytes);
    return p;
}

QByteArray TempWorkspace::read(const QString &relative) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TempWorkspace::exists(const QString &relative) const
{
    return QFileInfo::exists(file(relative));
}
