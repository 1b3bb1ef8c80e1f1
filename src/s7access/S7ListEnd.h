#pragma once

#include "s7access/S7Rule.h"

#include <optional>

// Where validation stops reading a list: at its first unused row (a rule is in use when its
// trimmed PLC Address is not empty), and after row 512 at the latest. Rules that follow are
// never checked, so nothing may send or copy them.
struct RulesAfterEnd
{
    int firstUnusedRow; // 1-based; 513 when the first 512 rows are all in use
    int ignoredRules;   // rules in use after that row
};

// Nothing when no rule follows the list's end.
std::optional<RulesAfterEnd> Find_Rules_After_End(const S7RuleList &list);
