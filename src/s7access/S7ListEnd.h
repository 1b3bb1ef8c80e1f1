#pragma once

#include "s7access/S7Rule.h"

#include <optional>

// A list ends at its first rule without PLC address: the device, the file and the validation
// never look further, so rules below such a row are lost unless the gap is closed.
struct RulesAfterEnd
{
    int firstUnusedRow; /* 1-based */
    int ignoredRules;
};

// The first unused row and the number of rules (trimmed PLC address not empty) below it;
// nothing when no rule follows the first unused row.
std::optional<RulesAfterEnd> Find_Rules_After_End(const S7RuleList &list);
