#include "s7access/S7ListEnd.h"

#include <gtest/gtest.h>

namespace {

// A list from a pattern: 'x' a rule in use, '.' an unused row (blank or spaces only).
S7RuleList List_Of(const std::string &pattern, int repeatFirst = 0)
{
    S7RuleList list;
    for (int i = 0; i < repeatFirst; ++i)
        list.emplace_back().PLC_Address = QStringLiteral("10.0.0.1");
    for (const char c : pattern)
        list.emplace_back().PLC_Address = c == 'x' ? QStringLiteral("10.0.0.1") : QStringLiteral(" \t");
    return list;
}

TEST(S7ListEndTest, CountsTheRulesAfterTheFirstUnusedRowAndPastRow512)
{
    struct Case
    {
        std::string pattern;
        int repeatFirst;
        std::optional<std::pair<int, int>> expected; // first unused row, rules after it
    } cases[] = {
        {"", 0, std::nullopt},
        {"xxx...", 0, std::nullopt},
        {"x.x", 0, std::pair{2, 1}},
        {".xx.x", 0, std::pair{1, 3}},
        {"", 512, std::nullopt},
        {"...", 512, std::nullopt},
        {"x.x", 512, std::pair{513, 2}},
        {"x", 511, std::nullopt},
        {".x", 511, std::pair{512, 1}},
    };
    for (const Case &c : cases) {
        const auto after = Find_Rules_After_End(List_Of(c.pattern, c.repeatFirst));
        SCOPED_TRACE(c.pattern + " after " + std::to_string(c.repeatFirst));
        ASSERT_EQ(after.has_value(), c.expected.has_value());
        if (after) {
            EXPECT_EQ(after->firstUnusedRow, c.expected->first);
            EXPECT_EQ(after->ignoredRules, c.expected->second);
        }
    }
}

} // namespace
