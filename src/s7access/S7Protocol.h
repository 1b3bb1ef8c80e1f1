#pragma once

#include "history/ProjectHistory.h"
#include "s7access/S7Rule.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>
#include <vector>

// S7_Protocol.xml: the root S7_Protocol holding S7_Protocol_Read and S7_Protocol_Write, each
// with one attribute-only `row` per rule, then the version comment after the root.

// The bounds of Position: N_in for read rules, N_out for write rules.
struct PositionLimits
{
    static constexpr int kNoParGen = 1500;
    int NByte_IN = kNoParGen;
    int NByte_OUT = kNoParGen;
    bool operator==(const PositionLimits &) const = default;
};

// 1500 each without ParGen.xml; otherwise PROFINET_NB_IN and PROFINET_NB_OUT, each 0 when
// missing or not a number. Throws XmlError / FileError when the file exists but cannot be read.
PositionLimits Load_Position_Limits(const QString &parGenFile);

// Fills the two lists from the file; the caller has reset them to fresh rules (lists shorter
// than 512 are filled up with fresh rules). A missing file leaves them as they are. On a
// failure (unreadable or malformed file, a section or a row attribute missing) loading stops
// there and the error text is returned: the rules and fields read before it stay in the lists.
// A missing Enable reads as "Y", a missing Rack or Slot as "0". A value longer than
// kMaxCellLength is a failure too. Rows beyond 512 are ignored,
// or with RowsPast512::Keep appended to the lists (for the checks that refuse them).
enum class RowsPast512 { Ignore, Keep };
// What the reader noticed on the way: the 1-based rows (read list, write list) that lack the
// Enable attribute (the editor takes them as enabled, a save writes Enable="Y").
struct S7ReadNotes
{
    std::array<std::vector<int>, 2> rowsWithoutEnable;
};
std::optional<QString> Load_S7_Protocol(const QString &path, S7RuleList &read, S7RuleList &write,
                                        RowsPast512 rowsPast512 = RowsPast512::Ignore, S7ReadNotes *notes = nullptr);
// The same over bytes already read; `what` names the source in error texts.
std::optional<QString> Parse_S7_Protocol(const QByteArray &bytes, const QString &what,
                                         S7RuleList &read, S7RuleList &write,
                                         RowsPast512 rowsPast512 = RowsPast512::Ignore, S7ReadNotes *notes = nullptr);

// The same over a document already read.
class XmlDocument;
std::optional<QString> Read_S7_Protocol_Document(const XmlDocument &doc, const QString &what, S7RuleList &read,
                                                 S7RuleList &write, RowsPast512 rowsPast512 = RowsPast512::Ignore,
                                                 S7ReadNotes *notes = nullptr);

// Why the list may not be sent or copied: rules follow the row where validation stops (see
// Find_Rules_After_End). `what` names the file. Nothing when the list is whole.
std::optional<QString> Unvalidated_Rules_Text(const S7RuleList &rules, S7Rule::List list, const QString &what);

// Where a text that XML cannot carry sits: list, 1-based row and field.
struct UnwritableCell
{
    S7Rule::List list;
    int row;
    S7Rule::Field field;
    qsizetype position; // 0-based index of the first bad character
};
// The first cell among the rules that would be saved whose text XML cannot carry.
std::optional<UnwritableCell> First_Unwritable_Cell(const S7RuleList &read, const S7RuleList &write);

// The file's bytes: each list up to its first rule not in use, every attribute present, texts
// unchanged. Throws ValueError naming the list, row and field of a text XML cannot carry, of a
// cell longer than kMaxCellLength, or of the longest cell when the file would be larger than
// the reader takes (kMaxXmlFileSize): what is saved can always be read back.
QByteArray Serialize_S7_Protocol(const S7RuleList &read, const S7RuleList &write);

// Serialises and writes the file safely: on any error the old file stays as it was. The file
// it replaces goes to the project's history first (see Keep_In_History). Throws ValueError
// (see Serialize_S7_Protocol), HistoryError or FileError.
void Save_S7_Protocol(const QString &path, const S7RuleList &read, const S7RuleList &write,
                      KeepHistory history = KeepHistory::Yes);
