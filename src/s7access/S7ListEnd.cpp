#include "s7access/S7ListEnd.h"

std::optional<RulesAfterEnd> Find_Rules_After_End(const S7RuleList &list)
{
    const int end = Rules_In_Use(list);
    int ignored = 0;
    for (std::size_t r = std::size_t(end); r < list.size(); ++r) {
        if (list[r].inUse())
            ++ignored;
    }
    if (ignored == 0)
        return std::nullopt;
    return RulesAfterEnd{end + 1, ignored};
}
