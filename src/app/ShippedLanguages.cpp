#include "app/ShippedLanguages.h"

#include "common/Errors.h"
#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef BRIVANT_SHIPPED_LANGUAGE_FROM_APPDIR
#define BRIVANT_SHIPPED_LANGUAGE_FROM_APPDIR "../../share/brivant/LANGUAGE"
#endif

namespace {

bool holdsLanguageFile(const QDir &dir)
{
    return !dir.entryList({QStringLiteral("*.lng")}, QDir::Files | QDir::Hidden).isEmpty();
}

} // namespace

QString Shipped_Language_Dir(const QString &executableDir)
{
    const QDir exe(executableDir);
    for (const QString &candidate :
         {exe.filePath(QStringLiteral("LANGUAGE")), exe.filePath(QStringLiteral(BRIVANT_SHIPPED_LANGUAGE_FROM_APPDIR))}) {
        if (holdsLanguageFile(QDir(candidate)))
            return QDir::cleanPath(candidate);
    }
    return {};
}

QStringList Install_Shipped_Languages(const QString &languageDir, const QString &shippedDir)
{
    QStringList copied;
    const QDir target(languageDir);
    if (shippedDir.isEmpty() || !target.exists() || holdsLanguageFile(target))
        return copied;
    const QDir source(shippedDir);
    if (QFileInfo(source.absolutePath()) == QFileInfo(target.absolutePath()))
        return copied;
    const QStringList files =
        source.entryList({QStringLiteral("*.lng"), QStringLiteral("*.bmp")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        const QString destination = target.filePath(name);
        if (QFileInfo::exists(destination))
            continue;
        // Through the safe writer, as every file the program writes: a full disk leaves no cut
        // language file that the next start would take for the user's own.
        try {
            Write_File_Safely(destination, Read_Whole_File(source.filePath(name)));
        } catch (const BrivantError &) {
            continue;
        }
        // Installed files may be read-only; the options window leaves read-only language
        // files out, and the copy is the user's own.
        QFile::setPermissions(destination, QFile::permissions(destination) | QFileDevice::WriteOwner
                                               | QFileDevice::ReadOwner);
        copied.append(name);
    }
    return copied;
}
