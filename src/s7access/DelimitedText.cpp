#include "s7access/DelimitedText.h"

namespace {

bool needsQuotes(const QString &cell, QChar separator)
{
    if (cell.isEmpty())
        return false;
    if (cell.front().unicode() <= 32 || cell.back().unicode() <= 32)
        return true;
    for (const QChar c : cell)
        if (c == separator || c == u'"' || c == u'\n' || c == u'\r')
            return true;
    return false;
}

} // namespace

QString Format_Delimited(const QList<QStringList> &rows, QChar separator, QStringView lineEnd)
{
    QString out;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                out += separator;
            const QString &cell = row[i];
            if (needsQuotes(cell, separator)) {
                out += u'"';
                for (const QChar c : cell) {
                    if (c == u'"')
                        out += u'"';
                    out += c;
                }
                out += u'"';
            } else {
                out += cell;
            }
        }
        out += lineEnd;
    }
    return out;
}

QList<QStringList> Parse_Delimited(QStringView text, QChar separator, qsizetype *unclosedQuote)
{
    if (unclosedQuote)
        *unclosedQuote = -1;
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    const qsizetype n = text.size();
    qsizetype i = 0;
    bool rowOpen = false; // something of the current row was read
    while (i < n) {
        const QChar c = text[i];
        if (c == u'"' && cell.isEmpty()) {
            // Quoted cell: up to the closing quote; "" stands for one quote.
            const qsizetype opening = i;
            bool closed = false;
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        cell += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                cell += text[i++];
            }
            if (!closed && unclosedQuote)
                *unclosedQuote = opening;
            rowOpen = true;
            continue;
        }
        if (c == separator) {
            row.append(std::exchange(cell, {}));
            rowOpen = true;
            ++i;
            continue;
        }
        if (c == u'\r' || c == u'\n') {
            row.append(std::exchange(cell, {}));
            rows.append(std::exchange(row, {}));
            rowOpen = false;
            i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
            continue;
        }
        cell += c;
        rowOpen = true;
        ++i;
    }
    if (rowOpen) {
        row.append(cell);
        rows.append(row);
    }
    return rows;
}
