#include "S7TestRules.h"
#include "s7access/RulePlacement.h"

#include <gtest/gtest.h>

namespace {

struct Existing
{
    const char *type;
    int position;
    int bit;
    bool enabled = true;
};

struct PlacementCase
{
    const char *what;
    int bytes; // of the area
    std::vector<Existing> existing;
    std::vector<int> newBits;
    std::vector<RulePlace> expected; // empty: not all fit
    int fitting;
};

// Bytes 0 to 61 taken: fifteen DWords and a Word.
const std::vector<Existing> kModuleUpTo62 = {
    {"DWord", 0, 0},  {"DWord", 4, 0},  {"DWord", 8, 0},  {"DWord", 12, 0}, {"DWord", 16, 0},
    {"DWord", 20, 0}, {"DWord", 24, 0}, {"DWord", 28, 0}, {"DWord", 32, 0}, {"DWord", 36, 0},
    {"DWord", 40, 0}, {"DWord", 44, 0}, {"DWord", 48, 0}, {"DWord", 52, 0}, {"Real", 56, 0},
    {"Word", 60, 0}};

const PlacementCase kCases[] = {
    {"empty area, one of each size", 16, {}, {1, 8, 16, 32, 1}, {{0, 0}, {1, 0}, {2, 0}, {4, 0}, {0, 1}}, 5},
    {"bits pack around a Bit rule", 4, {{"Bit", 0, 0}, {"Bit", 0, 2}}, {1, 1, 1}, {{0, 1}, {0, 3}, {0, 4}}, 3},
    {"a byte goes to an odd position", 4, {{"Word", 0, 0}}, {8, 8}, {{2, 0}, {3, 0}}, 2},
    {"words skip odd free bytes", 6, {{"Byte", 0, 0}}, {16}, {{2, 0}}, 1},
    {"never over an existing rule", 10, {{"DWord", 2, 0}}, {32, 16}, {{6, 0}, {0, 0}}, 2},
    {"a byte beside a Bit rule takes the next byte", 2, {{"Bit", 0, 5}}, {8}, {{1, 0}}, 1},
    {"a disabled rule keeps its place", 4, {{"Word", 0, 0, false}}, {16}, {{2, 0}}, 1},
    {"a DWord does not straddle the 64-byte module; a Word fills its end", 72, kModuleUpTo62,
     {32, 16, 8}, {{64, 0}, {62, 0}, {68, 0}}, 3},
    {"a DWord that only fits across the module boundary does not fit", 64, kModuleUpTo62, {32}, {}, 0},
    {"fitting counts up to the first that does not fit", 4, {}, {32, 8}, {}, 1},
    {"no area", 0, {}, {1}, {}, 0},
};

TEST(RulePlacementTest, FirstFreePlaceBySize)
{
    for (const PlacementCase &c : kCases) {
        SCOPED_TRACE(c.what);
        S7RuleList read = Fresh_Rule_List();
        const S7RuleList write = Fresh_Rule_List();
        for (std::size_t i = 0; i < c.existing.size(); ++i) {
            S7Rule r = Valid_Rule();
            r.Data_Type = QString::fromLatin1(c.existing[i].type);
            r.Position = QString::number(c.existing[i].position);
            r.Bit = QString::number(c.existing[i].bit);
            r.Enable = c.existing[i].enabled ? QStringLiteral("Y") : QStringLiteral("N");
            read[i] = r;
        }
        PositionLimits limits;
        limits.NByte_IN = c.bytes;
        const RulePlacement p = Place_New_Rules(read, write, S7Rule::List::Read, limits, c.newBits);
        EXPECT_EQ(p.fitting, c.fitting);
        ASSERT_EQ(p.places.size(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(p.places[i].position, c.expected[i].position) << "rule " << i;
            EXPECT_EQ(p.places[i].bit, c.expected[i].bit) << "rule " << i;
        }
    }
}

TEST(RulePlacementTest, WriteRulesFillTheOutArea)
{
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    read[0] = Valid_Rule();
    read[0].Position = QStringLiteral("0");
    PositionLimits limits;
    limits.NByte_IN = 4;
    limits.NByte_OUT = 4;
    const RulePlacement p = Place_New_Rules(read, write, S7Rule::List::Write, limits, {16});
    ASSERT_EQ(p.places.size(), 1u);
    EXPECT_EQ(p.places[0], (RulePlace{0, 0}));
}

} // namespace
