#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as Qt types, and a scratch folder for the readers that take a path.
inline QByteArray Fuzz_Bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// Writes the bytes to `name` in a folder that lives as long as the process.
inline QString Fuzz_File(const QString &name, const QByteArray &bytes)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}
