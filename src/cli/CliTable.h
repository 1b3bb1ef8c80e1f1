#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

// Rows as lines of text: each column padded to its widest cell, two blanks apart; the last
// column is not padded, and no line ends in blanks.
inline QString Aligned_Table(const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QStringList &row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (widths.size() <= c)
                widths.append(0);
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? row[c].leftJustified(widths[c] + 2) : row[c];
        while (line.endsWith(u' '))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}
