#pragma once

#include "s7access/S7Protocol.h"
#include "s7access/S7Rule.h"

#include <optional>
#include <vector>

// Where new rules go in their list's area of the converter's data array (the "in" area for
// read rules, "out" for write rules): each at the first free place for its size, beside the
// rules already in the list. Bit rules pack into bytes; Byte and Char take any byte; 2- and
// 4-byte values take even positions. No value straddles two of the GSD's 64-byte modules,
// since a master reads one module at a time.
inline constexpr int kGsdModuleBytes = 64;

struct RulePlace
{
    int position; // byte in the area
    int bit;      // 0 to 7; 0 unless a Bit rule
    bool operator==(const RulePlace &) const = default;
};

struct RulePlacement
{
    std::vector<RulePlace> places; // one per new rule, when all fit
    int fitting = 0;               // how many of the new rules, in order, find a place
};

// Places new rules of the given sizes in bits (1, 8, 16 or 32, as Data_Type_Bits gives them)
// in `list`'s area. Every rule in use of both lists holds its place, disabled rules too.
// `places` is empty unless all of them fit.
RulePlacement Place_New_Rules(const S7RuleList &read, const S7RuleList &write, S7Rule::List list,
                              const PositionLimits &limits, const std::vector<int> &bits);
