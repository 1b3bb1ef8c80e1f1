#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QIODevice>
#include <QString>

#include <cerrno>
#include <cstring>
#include <optional>

// Where a command writes, and the folder it takes as Program_Dir when no --workspace is given.
struct CliIo
{
    QIODevice &out;
    QIODevice &err;
    QString defaultProgramDir;
    // The reason of the first write to `out` that failed (a full disk, a closed pipe); nothing
    // more is written to `out` after it, and the tool ends with an error.
    std::optional<QString> outError = std::nullopt;

    // UTF-8, a line break appended.
    void println(const QString &text) { write(text.toUtf8() + '\n'); }
    void errln(const QString &text) { err.write(text.toUtf8() + '\n'); }
    void write(const QByteArray &bytes)
    {
        if (outError)
            return;
        errno = 0;
        if (out.write(bytes) != bytes.size())
            outError = failureReason(errno);
    }
    // Flushes `out` when it is a file; false (and outError set) when something was not written.
    bool finishOut()
    {
        if (auto *file = qobject_cast<QFileDevice *>(&out); file && !outError) {
            errno = 0;
            if (!file->flush())
                outError = failureReason(errno);
        }
        return !outError;
    }

private:
    QString failureReason(int error) const
    {
        if (error != 0)
            return QString::fromLocal8Bit(std::strerror(error));
        const QString text = out.errorString();
        return text.isEmpty() ? QStringLiteral("the output cannot be written") : text;
    }
};
