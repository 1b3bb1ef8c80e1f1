#include "common/SafeFile.h"

#include "common/Errors.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

void Write_File_Safely(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    const auto fail = [&](const QString &reason) {
        throw FileError(QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        fail(reason);
    }
    if (!file.commit())
        fail(file.errorString());
}

QByteArray Read_Whole_File(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Cannot read %1: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("Cannot read %1: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    return data;
}
