#include "s7access/RulePlacement.h"

#include "s7access/ProfibusMap.h"

namespace {

// Every rule in use counts, enabled or not: a disabled rule keeps its place for when it is
// enabled again.
S7RuleList allEnabled(const S7RuleList &rules)
{
    S7RuleList copy = rules;
    for (S7Rule &rule : copy)
        if (rule.inUse())
            rule.Enable = QStringLiteral("Y");
    return copy;
}

} // namespace

RulePlacement Place_New_Rules(const S7RuleList &read, const S7RuleList &write, S7Rule::List list,
                              const PositionLimits &limits, const std::vector<int> &bits)
{
    const ProfibusMap map = ProfibusMap::build(allEnabled(read), allEnabled(write), limits);
    const MapArea area = Map_Area_Of(list);
    const int byteCount = map.byteCount(area);
    std::vector<bool> used(std::size_t(byteCount) * 8, false);
    for (const MapRule &rule : map.rules(area))
        for (int b = rule.firstBit; b <= rule.lastBit() && b < byteCount * 8; ++b)
            used[std::size_t(b)] = true;
    const auto free = [&](int first, int count) {
        for (int b = first; b < first + count; ++b)
            if (used[std::size_t(b)])
                return false;
        return true;
    };

    RulePlacement result;
    std::vector<RulePlace> places;
    for (const int size : bits) {
        std::optional<RulePlace> found;
        if (size <= 1) {
            for (int b = 0; b < byteCount * 8 && !found; ++b)
                if (!used[std::size_t(b)])
                    found = RulePlace{b / 8, b % 8};
        } else {
            const int bytes = size / 8;
            const int step = bytes >= 2 ? 2 : 1;
            for (int p = 0; p + bytes <= byteCount && !found; p += step) {
                if (p / kGsdModuleBytes != (p + bytes - 1) / kGsdModuleBytes)
                    continue;
                if (free(p * 8, size))
                    found = RulePlace{p, 0};
            }
        }
        if (!found)
            return result;
        const int first = found->position * 8 + found->bit;
        for (int b = first; b < first + std::max(size, 1); ++b)
            used[std::size_t(b)] = true;
        places.push_back(*found);
        ++result.fitting;
    }
    result.places = std::move(places);
    return result;
}
