#pragma once

#include "plcsource/PlcSource.h"
#include "plcsource/PlcTagTable.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7Rule.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class TextTable;

// Rules made from the members of data blocks and from the tags of tag tables.

// The connection and timing every new rule gets.
struct PlcImportSettings
{
    S7Rule::List list = S7Rule::List::Read;
    QString plcAddress;
    QString port = QStringLiteral("102");
    QString plcType = QStringLiteral("S71500");
    QString rack = QStringLiteral("0");
    QString slot = QStringLiteral("1");
    QString pollTime = QStringLiteral("1000");
};

// One member or tag, and the rule it becomes (without Position and Bit), or why not.
struct PlcImportItem
{
    QString mnemonic;    // DB100.Motor.Speed, or the tag's name
    QString address;     // DB100.DBW20, MW20
    QString typeName;    // BOOL, STRING[20]
    int bits = 0;        // its size in bits
    QString skipReason;  // empty when it becomes a rule
    S7Rule rule;
};

// The rule data type of an elementary type: BOOL Bit; BYTE, SINT, USINT Byte; CHAR Char;
// WORD, UINT, DATE, S5TIME Word; INT Int; DWORD, UDINT, TIME_OF_DAY DWord; DINT, TIME DInt;
// REAL Real. Empty for STRING and DATE_AND_TIME, which no rule carries.
QString Plc_Rule_Data_Type(PlcElementary type);

// Whether a member's path matches a pattern such as Motor.*, Values[*] or Grid[1,*]: "*"
// stands for any run of characters, everything else for itself (case-insensitive).
bool Plc_Path_Matches(const QString &path, const QString &pattern);

// The members of a block as import items; `db` is its DB number (the block's own, or the one
// the user gives for a block without). Members that match none of `patterns` are left out
// (no patterns: every member).
std::vector<PlcImportItem> Plc_Block_Items(const PlcBlockLayout &block, int db, const QStringList &patterns,
                                           const PlcImportSettings &settings);
// The tags of a tag table as import items.
std::vector<PlcImportItem> Plc_Tag_Items(const std::vector<PlcTag> &tags, const QStringList &patterns,
                                         const PlcImportSettings &settings);

// The first fault validation would find in a rule with these settings (address, port,
// type, rack, slot, poll time), as validation words it; nothing when they are valid.
std::optional<QString> Plc_Import_Settings_Fault(const PlcImportSettings &settings, const TextTable &texts);

// The outcome of adding rules to a list.
struct PlcImportResult
{
    std::vector<int> rows;  // 1-based rows of the new rules, in order
    int fitting = 0;        // when they do not all fit: how many would
    int rowsFree = 0;       // rows after the last rule in use
    bool added() const { return !rows.empty(); }
};

// Adds the importable items as rules after the last rule in use of the settings' list, each
// placed at the first free place of its area (Place_New_Rules). Nothing changes unless every
// one of them fits: 512 rules a list, the area's byte count.
PlcImportResult Add_Imported_Rules(S7RuleList &read, S7RuleList &write, const PositionLimits &limits,
                                   S7Rule::List list, const std::vector<PlcImportItem> &items);
