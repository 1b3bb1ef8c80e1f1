#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

// Where a command writes, and the folder it takes as Program_Dir when no --workspace is given.
struct CliIo
{
    QIODevice &out;
    QIODevice &err;
    QString defaultProgramDir;

    // UTF-8, a line break appended.
    void println(const QString &text) { out.write(text.toUtf8() + '\n'); }
    void errln(const QString &text) { err.write(text.toUtf8() + '\n'); }
    void write(const QByteArray &bytes) { out.write(bytes); }
};
