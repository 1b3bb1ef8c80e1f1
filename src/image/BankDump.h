#pragma once

#include <QByteArray>
#include <QStringList>

// Device images decoded for people, one line per field or rule.
struct BankDump
{
    QStringList lines;
    bool consistent = true; // checksum right, reserved bytes zero, every code known
};

// `image` must hold exactly 2048 bytes.
BankDump Describe_Bank1(const QByteArray &image);
// `image` must hold exactly 28672 bytes. Each used entry becomes one line with the editor's
// texts of its fields.
BankDump Describe_Bank2(const QByteArray &image);
