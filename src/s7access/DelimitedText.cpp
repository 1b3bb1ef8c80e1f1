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

StrictDelimited Parse_Delimited_Strict(QStringView text, QChar separator, const DelimitedLimits &limits)
{
    StrictDelimited result;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    qsizetype lineStart = 0; // index of the first character of the current line
    int rowsHeld = 0;
    const auto fail = [&](int atLine, int column, QString reason) {
        result.error = DelimitedError{atLine, column, std::move(reason)};
        return result;
    };
    // Past a line end at `i`: true when there was one.
    const auto lineEnd = [&]() {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            return false;
        i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
        ++line;
        lineStart = i;
        return true;
    };
    while (i < n) {
        DelimitedRow row;
        row.line = line;
        if (lineEnd()) {
            if (limits.keepBlankLines)
                result.rows.append(std::move(row));
            continue;
        }
        if (limits.maxRows >= 0 && rowsHeld == limits.maxRows)
            return fail(line, 0, QStringLiteral("the file holds more than %1 rows").arg(limits.maxRows));
        ++rowsHeld;
        for (;;) {
            // One cell, at i.
            if (limits.maxCells >= 0 && row.cells.size() == limits.maxCells)
                return fail(line, int(i - lineStart) + 1, QStringLiteral("a row holds more than %1 cells").arg(limits.maxCells));
            QString cell;
            if (i < n && text[i] == u'"') {
                const int openLine = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = text[i];
                    if (c == u'"') {
                        if (i + 1 < n && text[i + 1] == u'"') {
                            cell += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == u'\r' || c == u'\n') {
                        const qsizetype from = i;
                        lineEnd();
                        cell += text.sliced(from, i - from);
                        continue;
                    }
                    cell += c;
                    ++i;
                }
                if (!closed)
                    return fail(openLine, 0, QStringLiteral("a quoted cell is not closed"));
                if (i < n && text[i] != separator && text[i] != u'\r' && text[i] != u'\n')
                    return fail(line, int(i - lineStart) + 1,
                                QStringLiteral("after the closing quote of a cell only the separator or the line end may follow"));
            } else {
                const qsizetype from = i;
                while (i < n && text[i] != separator && text[i] != u'\r' && text[i] != u'\n')
                    ++i;
                cell = text.sliced(from, i - from).toString();
            }
            row.cells.append(std::move(cell));
            if (i >= n)
                break;
            if (text[i] == separator) {
                ++i;
                continue;
            }
            lineEnd();
            break;
        }
        result.rows.append(std::move(row));
    }
    return result;
}

std::pair<int, int> Delimited_Line_Column(QStringView text, qsizetype index)
{
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < index && i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n' || (c == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
            ++line;
            lineStart = i + 1;
        }
    }
    return {line, int(index - lineStart) + 1};
}
