#include "support/TestFiles.h"

#include <QDir>
#include <QFile>

QString Test_Data_Path(const QString &relative)
{
    return QDir(QStringLiteral(BRIVANT_TEST_DATA_DIR)).filePath(relative);
}

QByteArray Read_Test_Data(const QString &relative)
{
    QFile f(Test_Data_Path(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString Hex_Diff(const QByteArray &expected, const QByteArray &actual, int maxLines)
{
    QString out;
    if (expected.size() != actual.size())
        out += QStringLiteral("size %1 expected, %2 actual\n").arg(expected.size()).arg(actual.size());
    int lines = 0;
    const qsizetype n = qMin(expected.size(), actual.size());
    for (qsizetype i = 0; i < n && lines < maxLines; ++i) {
        if (expected[i] != actual[i]) {
            out += QStringLiteral("0x%1: expected %2, actual %3\n")
                       .arg(i, 4, 16, QLatin1Char('0'))
                       .arg(static_cast<unsigned char>(expected[i]), 2, 16, QLatin1Char('0'))
                       .arg(static_cast<unsigned char>(actual[i]), 2, 16, QLatin1Char('0'));
            ++lines;
        }
    }
    return out;
}

QByteArray From_Hex_Text(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
