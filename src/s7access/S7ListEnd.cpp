#include "s7access/S7ListEnd.h"

#include "texts/TextId.h"
#include "texts/TextTable.h"

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

std::vector<ListedRule> Listed_Rules(const S7RuleList &list)
{
    const int end = Rules_In_Use(list);
    std::vector<ListedRule> rules;
    for (int i = 0; i < int(list.size()); ++i) {
        if (i < end)
            rules.push_back({i + 1, false});
        else if (list[std::size_t(i)].inUse())
            rules.push_back({i + 1, true});
    }
    return rules;
}

std::vector<int> Rows_After_End(const S7RuleList &list)
{
    std::vector<int> rows;
    for (const ListedRule &rule : Listed_Rules(list)) {
        if (rule.afterEnd)
            rows.push_back(rule.row);
    }
    return rows;
}

QString Gap_Lines(const S7RuleList &read, const S7RuleList &write, const TextTable &texts)
{
    QString lines;
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const auto gap = Find_Rules_After_End(list == S7Rule::List::Read ? read : write);
        if (!gap)
            continue;
        lines += QStringLiteral("\n%1: %2%3%4%5")
                     .arg(texts.text(list == S7Rule::List::Read ? TextId::S7_S7commRead : TextId::S7_S7commWrite),
                          texts.text(TextId::S7_FirstEmptyRow))
                     .arg(gap->firstUnusedRow)
                     .arg(texts.text(TextId::S7_RulesBelowIt))
                     .arg(gap->ignoredRules);
    }
    return lines;
}
