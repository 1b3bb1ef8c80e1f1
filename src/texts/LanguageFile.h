#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class TextTable;

// Decodes a language file: a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark selects that
// encoding; without one the bytes are UTF-8 when they are valid UTF-8, else Windows-1252.
QString Decode_Language_Bytes(const QByteArray &bytes);

// Splits at CR LF, LF and CR.
QStringList Split_Language_Lines(const QString &text);

// Applies one line of a language file to the table; malformed lines change nothing.
void Apply_Language_Line(TextTable &table, QStringView line);

// The locale named by a comment line "/# locale: de_DE" (the entry reader ignores it, as it
// ignores every line that does not begin with "STR"); empty when the line is not one.
QString Language_Locale_Line(QStringView line);

// Reads the file and applies every line in order; the first locale line sets the table's locale. Throws FileError when it cannot be read.
// Language files larger than this are refused unread.
inline constexpr qint64 kMaxLanguageFileSize = 8 * 1024 * 1024;
void Load_Language_File(TextTable &table, const QString &path);

// The language's state: built-in texts, then <language>.lng of `languageDir`; when that file
// is missing `language` becomes "English" and English.lng is applied if present. Returns the
// error text of a file that exists but cannot be read (the texts loaded so far stay).
std::optional<QString> Load_Language(TextTable &table, QString &language, const QString &languageDir);

// A language file that reproduces `table` when loaded, its locale line included: one "STRn = text" line per entry that
// is not a single blank, pilcrow-quoted where the text begins or ends with a blank or a
// control character or is empty. Entries that the format cannot carry ("/#/", the pilcrow, a
// line break) are left out and listed in `skipped` by index.
QByteArray Write_Language_File(const TextTable &table, QList<int> *skipped);
