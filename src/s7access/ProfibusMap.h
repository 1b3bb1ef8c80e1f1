#pragma once

#include "s7access/S7Protocol.h"
#include "s7access/S7Rule.h"

#include <vector>

// The converter's internal data array as the rules fill it. The "in" area, sized by Number Byte
// In (PROFINET_NB_IN), holds the values of the read rules; the "out" area, sized by Number Byte
// Out (PROFINET_NB_OUT), those of the write rules. A rule takes the bits from Position * 8 +
// Start Bit over the size of its data type.
enum class MapArea { In, Out };

// The area a list fills, and its name ("in", "out").
MapArea Map_Area_Of(S7Rule::List list);
QString Map_Area_Name(MapArea area);

// The bits of the area that one data type takes: Bit 1, Byte and Char 8, Word and Int 16,
// DWord, DInt and Real 32. The device compiles any other text as Bit, so it takes one bit.
int Data_Type_Bits(const QString &dataType);

// One placed rule: its list and 1-based row, and its bits in the area. `clipped` when the
// extent runs past the area's byte count (validation checks only the first byte).
struct MapRule
{
    S7Rule::List list;
    int row;
    int firstBit;
    int bitCount;
    bool clipped;
    // The rule follows the list's end: the device never gets it.
    bool afterEnd = false;

    int lastBit() const { return firstBit + bitCount - 1; }
    int firstByte() const { return firstBit / 8; }
    int lastByte() const { return lastBit() / 8; }
    bool operator==(const MapRule &) const = default;
};

// Two enabled read rules that share bits of the "in" area: the device writes both values to
// the same place. Rows in list order (rowA < rowB); the shared bits lie within the area.
struct MapConflict
{
    int rowA;
    int rowB;
    int firstBit;
    int lastBit;

    int firstByte() const { return firstBit / 8; }
    int lastByte() const { return lastBit / 8; }
    bool operator==(const MapConflict &) const = default;
};

// An enabled rule in use that has no place in its area, and why.
struct MapUnplaced
{
    enum class Reason { NoPosition, PositionOutside, NoStartBit, StartBitOutside };
    S7Rule::List list;
    int row;
    Reason reason;
    bool afterEnd = false;
    bool operator==(const MapUnplaced &) const = default;
};

class ProfibusMap
{
public:
    ProfibusMap() = default;
    // The enabled rules in use of both lists, those after a list's end included and marked
    // (see Listed_Rules); these take no part in conflicts, as the device never gets them. A
    // rule whose Position is not within the area or whose Start Bit is not 0 to 7 has no
    // place: it is kept in unplaced() with the reason.
    static ProfibusMap build(const S7RuleList &read, const S7RuleList &write, const PositionLimits &limits);

    // Number Byte In or Number Byte Out; 0 when the count is 0 or less.
    int byteCount(MapArea area) const { return part(area).byteCount; }
    // The bytes to draw: the byte count, or more when a clipped rule runs past it.
    int shownBytes(MapArea area) const { return part(area).shownBytes; }
    // The placed rules of the area, in row order.
    const std::vector<MapRule> &rules(MapArea area) const { return part(area).rules; }
    // The indices into rules(area) of the rules that use `bit` (any bit below shownBytes * 8).
    const std::vector<int> &rulesAtBit(MapArea area, int bit) const;
    // Whether two or more read rules share `bit` within the "in" area.
    bool isConflictBit(MapArea area, int bit) const;
    // Every conflicting pair of read rules, ordered by rowA, then rowB.
    const std::vector<MapConflict> &conflicts() const { return m_conflicts; }
    // The enabled rules that have no place, read list first, in row order.
    const std::vector<MapUnplaced> &unplaced() const { return m_unplaced; }
    // The placed rule of a list's row, or null.
    const MapRule *ruleOfRow(S7Rule::List list, int row) const;

private:
    struct Part
    {
        int byteCount = 0;
        int shownBytes = 0;
        std::vector<MapRule> rules;
        std::vector<std::vector<int>> bitUsers;
    };
    const Part &part(MapArea area) const { return area == MapArea::In ? m_in : m_out; }

    Part m_in;
    Part m_out;
    std::vector<MapConflict> m_conflicts;
    std::vector<MapUnplaced> m_unplaced;
};

class TextTable;

// The warnings of a map, one line each: every conflict (text 1346), then every clipped rule
// of the read and the write list (text 1347).
QString Map_Conflict_Warning(const MapConflict &conflict, const TextTable &texts);
QString Map_Clipped_Warning(const ProfibusMap &map, const MapRule &rule, const TextTable &texts);
QStringList Map_Warnings(const ProfibusMap &map, const TextTable &texts);
// "S7comm Read row 3 is not on the map: Position is empty", and the mark of a rule after the end.
QString Map_Unplaced_Text(const ProfibusMap &map, const MapUnplaced &rule, const S7RuleList &rules,
                          const TextTable &texts);
// The lines of every unplaced rule, in the order of unplaced().
QStringList Map_Unplaced_Lines(const ProfibusMap &map, const S7RuleList &read, const S7RuleList &write,
                               const TextTable &texts);

// The map as a table, one row per placed rule, the "in" area first, each area by first bit:
// area, first byte, last byte, bits (start bit in the first byte to end bit in the last, or
// the one bit), list, row, PLC address, S7 address, data type, mnemonic, and a note naming
// the rows it conflicts with (text 1350), whether it runs past the byte count (text 1352) and
// whether it follows the list's end (text 500).
QStringList Map_Table_Header();
QList<QStringList> Map_Table_Rows(const ProfibusMap &map, const S7RuleList &read, const S7RuleList &write,
                                  const TextTable &texts);
