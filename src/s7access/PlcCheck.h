#pragma once

#include "s7access/S7Frames.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7Rule.h"

class TextTable;

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <compare>
#include <cstdint>
#include <optional>
#include <vector>

// A read-only check of the rule lists against their PLCs: each enabled rule in use reads its
// item once, write rules included (they only read their target).

// One PLC connection as the device opens it.
struct PlcEndpoint
{
    std::uint32_t address = 0; // a × 2^24 + b × 2^16 + c × 2^8 + d
    std::uint16_t port = 0;
    int rack = 0;
    int slot = 0;

    QString host() const;
    // "A.B.C.D:PORT"
    QString text() const;
    auto operator<=>(const PlcEndpoint &) const = default;
};

// The item one rule reads and where.
struct PlcCheckItem
{
    S7Rule::List list = S7Rule::List::Read;
    int row = 0;                       // 1-based
    std::optional<PlcEndpoint> plc;    // none when the rule's address is not an IPv4 address
    QString plcText;                   // "A.B.C.D:PORT", as typed when the address is not valid
    QString address;                   // DB100.DBW20
    S7::ReadItem item;
    bool afterEnd = false;             // the rule follows the list's end (see Listed_Rules)
};

// The enabled rules in use of both lists, those after a list's end included, read list first,
// in row order; rows that validation refuses on their own (Plc_Check_Unsent) are left out.
// Numbers are read as the device reads them. A rule with Data Identifier "DB" reads area 0x84
// of DB Number; any other identifier reads the rule's PLC Area. `limits` bound Position.
std::vector<PlcCheckItem> Plc_Check_Items(const S7RuleList &read, const S7RuleList &write,
                                          const PositionLimits &limits = {});

// The distinct PLCs of the items, in order of first use.
std::vector<PlcEndpoint> Plc_Check_Endpoints(const std::vector<PlcCheckItem> &items);

// A value read from a PLC, decoded from its big-endian bytes by its transport size.
struct PlcValue
{
    enum class Kind { Unsigned, Signed, Real, Char };
    Kind kind = Kind::Unsigned;
    std::int64_t integer = 0;
    float real = 0;
    char16_t character = 0;

    // Bit 0 or 1, Byte/Word/DWord unsigned, Int/DInt signed, Real as the shortest decimal
    // that reads back as the same value, Char as the character.
    QString text() const;
    // A number, or a one-character string for a Char; null for a Real that is not finite.
    QJsonValue json() const;
};
// Nothing when `bytes` is shorter than the transport size's value.
std::optional<PlcValue> Decode_Plc_Value(std::uint8_t transportSize, const QByteArray &bytes);

struct PlcCheckResult
{
    S7Rule::List list = S7Rule::List::Read;
    int row = 0;
    QString plc;
    QString address;
    bool ok = false;
    PlcValue value;
    QString error;
    bool afterEnd = false;
    // The first field validation refuses: the rule was not sent ("incomplete: FIELD").
    std::optional<S7Rule::Field> incomplete;
};

// The enabled rules in use that validation refuses on their own (the PLC address aside, which
// the checker reports itself): they are not sent, and fail with "incomplete: FIELD".
std::vector<PlcCheckResult> Plc_Check_Unsent(const S7RuleList &read, const S7RuleList &write,
                                             const PositionLimits &limits = {});
// The results of a check and the rules not sent, in list and row order.
std::vector<PlcCheckResult> Plc_Check_Merge(std::vector<PlcCheckResult> results, const std::vector<PlcCheckResult> &unsent);
// How many results belong to rules after a list's end.
int Plc_Check_After_End_Count(const std::vector<PlcCheckResult> &results);

// A result prepared for an item: not ok, with `error`.
PlcCheckResult Plc_Check_Failure(const PlcCheckItem &item, const QString &error);
PlcCheckResult Plc_Check_Success(const PlcCheckItem &item, const PlcValue &value);

// "Read<TAB>3<TAB>127.0.0.1:102<TAB>DB100.DBW20<TAB>OK 1234" or the error in the last column;
// a rule after the list's end adds "; after the end of the list: not sent to the device".
QString Plc_Check_Line(const PlcCheckResult &result);
// The same line for the check's window: the list's name and the most frequent errors from the
// text table; rarer errors keep their English text.
QString Plc_Check_Line(const PlcCheckResult &result, const TextTable &texts);
// A result's error from the text table when it is one of the frequent ones; else as it is.
QString Plc_Check_Error_Text(const QString &error, const TextTable &texts);
// One JSON array, one object per line with the keys list, row, plc, ok, then value (when ok)
// or error, then "afterEnd": true for a rule after the list's end.
QByteArray Plc_Check_Json(const std::vector<PlcCheckResult> &results);

// The time limits of a check.
struct PlcCheckLimits
{
    // Per PLC: for the connection and for each answer.
    int connectMs = 2000;
    // For the whole check.
    int wholeMs = 60000;
};

// The device keeps at most this many PLC connections at a time; the check does the same.
inline constexpr int kMaxPlcConnections = 10;
