#pragma once

#include "s7access/S7Rule.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>
#include <vector>

// Both rule lists as one CSV file (RFC 4180, UTF-8 with a byte-order mark so that
// spreadsheets take it as UTF-8): a header row "List" plus the twenty attribute names, then
// one row per rule that S7_Protocol.xml would hold, read rules first, "Read" or "Write" in
// the list column. Read rules leave OnChange and OnCMD empty.
QByteArray Rules_To_Csv(const S7RuleList &read, const S7RuleList &write);

// Reads such a file into two fresh lists. The columns may come in any order but must all be
// there; rows are taken in order per list. Refused, with the reason (naming the line), for:
// bytes that are not UTF-8, a missing or unknown column, a row with another number of cells,
// a list name other than Read/Write, OnChange/OnCMD set on a read rule, more than 512 rules
// in a list, a rule without PLC_Address followed by further rules of its list (the file
// ends a list at its first rule without address, so they would be lost), a quoted cell that
// is not closed (naming its line), a drop-down text outside its column's choices, or a
// check-box text other than Y, N or empty (naming line and column).
// Read strictly (see Parse_Delimited_Strict): text after a closing quote, a NUL, a cell of more
// than kMaxCellLength characters, UTF-16 text and semicolons as separators are refused too, and
// so is a rule without PLC_Address at the end of its list (it would not be saved). Files
// beyond kMaxCsvFileSize are refused unread; reading stops after 1 + 1024 rows that hold
// anything. `ruleLines`, when given, gets the line of each rule of the read and write lists.
std::optional<QString> Csv_To_Rules(const QByteArray &bytes, S7RuleList &read, S7RuleList &write,
                                    std::array<std::vector<int>, 2> *ruleLines = nullptr);

// Far above the 1024 rules a file can hold.
inline constexpr qint64 kMaxCsvFileSize = 16 * 1024 * 1024;
