#pragma once

#include "s7access/S7Rule.h"

#include <QString>

#include <optional>
#include <vector>

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

// One rule in use of a list as every reader of the lists shows it (the map, the report, the
// PLC check): its 1-based row and whether it lies after the list's end, where validation,
// the saved file and the device never see it.
struct ListedRule
{
    int row;
    bool afterEnd;
    bool operator==(const ListedRule &) const = default;
};

// Every rule in use of the list, in row order: the rules up to the end first, then those
// after it (marked). Rows past 512 count as after the end.
std::vector<ListedRule> Listed_Rules(const S7RuleList &list);

// The 1-based rows of the rules in use after the list's end.
std::vector<int> Rows_After_End(const S7RuleList &list);

class TextTable;

// One line per list with rules after its end, as the questions that offer to close the gaps
// list them: "\nS7comm Read: first empty row 5, rules below it: 16". Empty when both lists
// are whole.
QString Gap_Lines(const S7RuleList &read, const S7RuleList &write, const TextTable &texts);
