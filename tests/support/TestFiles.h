#pragma once

#include <QByteArray>
#include <QString>

// A file of tests/data.
QString Test_Data_Path(const QString &relative);
QByteArray Read_Test_Data(const QString &relative);

// Hexadecimal dump of the differences between two byte arrays, for readable failures.
QString Hex_Diff(const QByteArray &expected, const QByteArray &actual, int maxLines = 16);

// "7D 01 A8" -> bytes
QByteArray From_Hex_Text(const char *text);
