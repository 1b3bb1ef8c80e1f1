#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// Rows of cells as delimited text: CSV (RFC 4180, comma) for rule files and tab-separated
// text for the clipboard, as spreadsheets exchange them. A cell holding the separator, a
// quote, a line break or leading/trailing blanks is quoted, quotes doubled.

// Rows joined by `lineEnd`, a line end after the last row too.
QString Format_Delimited(const QList<QStringList> &rows, QChar separator,
                         QStringView lineEnd = u"\r\n");

// Parses CR LF, LF or CR line ends; quoted cells may hold separators, quotes ("") and line
// breaks. A line end after the last row adds no row; an empty text gives no rows. Lenient:
// a quote inside an unquoted cell is kept as it is, an unclosed quote runs to the end (and
// `unclosedQuote`, when given, gets its index in `text`; -1 when every quote is closed).
QList<QStringList> Parse_Delimited(QStringView text, QChar separator, qsizetype *unclosedQuote = nullptr);

// A file read strictly, as strict CSV readers read it: a quote opens a quoted cell only as
// the cell's first character, and after its closing quote only the separator or the line
// end may follow (`"abc"xyz` is refused, not read as `abcxyz`); a quoted cell must be
// closed. Line ends (CR LF, LF or a lone CR, inside quoted cells too) count lines from 1.
struct DelimitedRow
{
    QStringList cells; // empty for a blank line
    int line = 0;      // where the row starts
};
struct DelimitedError
{
    int line = 0;
    int column = 0; // 1-based, in characters of that line; 0 when the error names no column
    QString reason;
};
struct DelimitedLimits
{
    bool keepBlankLines = true;
    // Reading stops with an error at the row after `maxRows` rows that hold anything, and at
    // a row of more than `maxCells` cells (so that a hostile file cannot fill the memory);
    // -1: no bound.
    int maxRows = -1;
    int maxCells = -1;
};
struct StrictDelimited
{
    QList<DelimitedRow> rows;
    std::optional<DelimitedError> error; // the rows before it are kept
};
StrictDelimited Parse_Delimited_Strict(QStringView text, QChar separator, const DelimitedLimits &limits = {});

// 1-based line and column of the character at `index`, lines counted as above.
std::pair<int, int> Delimited_Line_Column(QStringView text, qsizetype index);
