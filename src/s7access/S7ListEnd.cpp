#include "s7access/S7ListEnd.h"

std::optional<RulesAfterEnd> Find_Rules_After_End(const S7RuleList &list)
{
    const int size = int(list.size());
    int end = 0;
    while (end < size && end < kMaxRules && list[std::size_t(end)].inUse())
        ++end;
    int ignored = 0;
    for (int i = end + 1; i < size; ++i)
        ignored += list[std::size_t(i)].inUse() ? 1 : 0;
    // Past 512 the row at the end itself is in use and never checked either.
    if (end == kMaxRules && end < size && list[std::size_t(end)].inUse())
        ++ignored;
    if (ignored == 0)
        return std::nullopt;
    return RulesAfterEnd{end + 1, ignored};
}
