#pragma once

#include <QList>
#include <QString>
#include <QStringList>

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
