#include "s7access/S7ListEnd.h"

#include <QDirIterator>
#include <QFile>
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
        // The readers' view of the same list: every rule in use, those past the end marked.
        const S7RuleList list = List_Of(c.pattern, c.repeatFirst);
        const std::vector<ListedRule> listed = Listed_Rules(list);
        std::size_t inUse = 0;
        for (const S7Rule &rule : list)
            inUse += rule.inUse() ? 1 : 0;
        ASSERT_EQ(listed.size(), inUse);
        const std::vector<int> late = Rows_After_End(list);
        EXPECT_EQ(int(late.size()), after ? after->ignoredRules : 0);
        for (const ListedRule &rule : listed) {
            EXPECT_TRUE(list[std::size_t(rule.row - 1)].inUse());
            EXPECT_EQ(rule.afterEnd, after && rule.row >= after->firstUnusedRow) << rule.row;
        }
    }
}

// The rule model and the code tables sit below the image compiler: nothing in s7access may
// reach up into image.
TEST(S7LayersTest, TheRuleModelDoesNotIncludeTheImageCompiler)
{
    QDirIterator files(QStringLiteral(BRIVANT_SOURCE_DIR "/src/s7access"), {QStringLiteral("*.h"), QStringLiteral("*.cpp")},
                       QDir::Files, QDirIterator::Subdirectories);
    int seen = 0;
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        ++seen;
        EXPECT_FALSE(file.readAll().contains("#include \"image/")) << file.fileName().toStdString();
    }
    EXPECT_GT(seen, 20);
}

} // namespace
