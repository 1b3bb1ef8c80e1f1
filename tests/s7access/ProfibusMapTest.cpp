#include "S7TestRules.h"
#include "s7access/ProfibusMap.h"
#include "s7access/S7AddressText.h"
#include "texts/TextTable.h"

#include <gtest/gtest.h>

namespace {

using L = S7Rule::List;

S7Rule Placed(const char *type, int position, int startBit = 0, const char *enable = "Y")
{
    S7Rule r = Valid_Rule();
    r.Data_Type = QString::fromLatin1(type);
    r.Position = QString::number(position);
    r.Bit = QString::number(startBit);
    r.Enable = QString::fromLatin1(enable);
    return r;
}

S7RuleList List(std::initializer_list<S7Rule> rules)
{
    S7RuleList list = Fresh_Rule_List();
    std::size_t i = 0;
    for (const S7Rule &r : rules)
        list[i++] = r;
    return list;
}

TEST(ProfibusMapTest, EachDataTypeTakesItsBitsFromPositionAndStartBit)
{
    const struct
    {
        const char *type;
        int position;
        int startBit;
        int firstBit;
        int bitCount;
    } cases[] = {
        {"Bit", 3, 4, 28, 1},   {"Byte", 2, 0, 16, 8},   {"Char", 2, 0, 16, 8},  {"Word", 4, 0, 32, 16},
        {"Int", 4, 0, 32, 16},  {"DWord", 8, 0, 64, 32}, {"DInt", 8, 0, 64, 32}, {"Real", 8, 0, 64, 32},
        {"Byte", 2, 3, 19, 8},  // a start bit shifts the value into the next byte
        {"Bool", 1, 2, 10, 1},  // the device compiles an unknown type as Bit
    };
    for (const auto &c : cases) {
        const ProfibusMap map = ProfibusMap::build(List({Placed(c.type, c.position, c.startBit)}),
                                                   List({Placed(c.type, c.position, c.startBit)}), {32, 32});
        for (const MapArea area : {MapArea::In, MapArea::Out}) {
            ASSERT_EQ(map.rules(area).size(), 1u) << c.type;
            const MapRule &r = map.rules(area).front();
            EXPECT_EQ(r.firstBit, c.firstBit) << c.type;
            EXPECT_EQ(r.bitCount, c.bitCount) << c.type;
            EXPECT_FALSE(r.clipped) << c.type;
            EXPECT_EQ(map.rulesAtBit(area, c.firstBit + c.bitCount - 1), std::vector<int>{0}) << c.type;
            EXPECT_TRUE(map.rulesAtBit(area, c.firstBit + c.bitCount).empty()) << c.type;
        }
        EXPECT_TRUE(map.conflicts().empty());
    }
}

TEST(ProfibusMapTest, BitRulesSharingAByteDoNotConflictButOverlapsDo)
{
    // Rows 1-3: bits 0, 1 and 7 of byte 0; row 4: a Word at byte 2; row 5: a Byte at byte 3
    // (the Word's second byte); row 6: bit 1 of byte 0 again.
    const S7RuleList read = List({Placed("Bit", 0, 0), Placed("Bit", 0, 1), Placed("Bit", 0, 7), Placed("Word", 2),
                                  Placed("Byte", 3), Placed("Bit", 0, 1)});
    const ProfibusMap map = ProfibusMap::build(read, Fresh_Rule_List(), {16, 16});
    const std::vector<MapConflict> expected = {{2, 6, 1, 1}, {4, 5, 24, 31}};
    EXPECT_EQ(map.conflicts(), expected);
    EXPECT_TRUE(map.isConflictBit(MapArea::In, 1));
    EXPECT_FALSE(map.isConflictBit(MapArea::In, 0));
    EXPECT_FALSE(map.isConflictBit(MapArea::In, 16));
    EXPECT_TRUE(map.isConflictBit(MapArea::In, 24));
    EXPECT_EQ(map.rulesAtBit(MapArea::In, 24), (std::vector<int>{3, 4}));
}

TEST(ProfibusMapTest, WriteRulesMayShareBytes)
{
    const ProfibusMap map = ProfibusMap::build(Fresh_Rule_List(), List({Placed("Word", 0), Placed("Word", 0)}), {8, 8});
    EXPECT_TRUE(map.conflicts().empty());
    EXPECT_FALSE(map.isConflictBit(MapArea::Out, 0));
    EXPECT_EQ(map.rulesAtBit(MapArea::Out, 0).size(), 2u);
}

TEST(ProfibusMapTest, ARuleRunningPastTheByteCountIsClipped)
{
    // A Real at the last byte of a 10-byte area, and a Byte overlapping it only past the count.
    S7RuleList read = List({Placed("Real", 9), Placed("Byte", 9, 1)});
    const ProfibusMap map = ProfibusMap::build(read, List({Placed("Word", 1)}), {10, 3});
    ASSERT_EQ(map.rules(MapArea::In).size(), 2u);
    EXPECT_TRUE(map.rules(MapArea::In)[0].clipped);
    EXPECT_EQ(map.rules(MapArea::In)[0].lastByte(), 12);
    EXPECT_EQ(map.byteCount(MapArea::In), 10);
    EXPECT_EQ(map.shownBytes(MapArea::In), 13);
    // The shared bits count only inside the area.
    EXPECT_EQ(map.conflicts(), (std::vector<MapConflict>{{1, 2, 73, 79}}));
    EXPECT_FALSE(map.isConflictBit(MapArea::In, 80));
    EXPECT_FALSE(map.rules(MapArea::Out)[0].clipped);
    EXPECT_EQ(map.shownBytes(MapArea::Out), 3);

    TextTable texts;
    texts.Load_Default_Texts();
    EXPECT_EQ(Map_Warnings(map, texts),
              (QStringList{QStringLiteral("Warning: read rows 1 and 2 both fill bytes 9 to 9 of the in area"),
                           QStringLiteral("Warning: Read row 1 runs past the 10 bytes of the in area (to byte 12)"),
                           QStringLiteral("Warning: Read row 2 runs past the 10 bytes of the in area (to byte 10)")}));
}

TEST(ProfibusMapTest, OnlyEnabledPlaceableRulesInUseAreMapped)
{
    S7Rule badPosition = Placed("Byte", 0);
    badPosition.Position = QStringLiteral("4 ");
    S7Rule badBit = Placed("Bit", 0);
    badBit.Bit = QStringLiteral("8");
    S7RuleList read = List({Placed("Byte", 0, 0, "N"), Placed("Byte", 0, 0, " Y "), badPosition, badBit, Placed("Byte", 8),
                            S7Rule(), Placed("Byte", 0)});
    const ProfibusMap map = ProfibusMap::build(read, Fresh_Rule_List(), {8, 0});
    // Row 7 follows the empty row 6: it is on the map, marked, and shares no bytes with row 2
    // as far as the device goes, since the device never gets it.
    ASSERT_EQ(map.rules(MapArea::In).size(), 2u);
    EXPECT_EQ(map.rules(MapArea::In)[0].row, 2);
    EXPECT_FALSE(map.rules(MapArea::In)[0].afterEnd);
    EXPECT_EQ(map.rules(MapArea::In)[1].row, 7);
    EXPECT_TRUE(map.rules(MapArea::In)[1].afterEnd);
    EXPECT_TRUE(map.conflicts().empty());
    EXPECT_FALSE(map.isConflictBit(MapArea::In, 0));
    EXPECT_EQ(map.rulesAtBit(MapArea::In, 0).size(), 2u);
    EXPECT_EQ(map.ruleOfRow(L::Read, 2), &map.rules(MapArea::In)[0]);
    EXPECT_EQ(map.ruleOfRow(L::Read, 1), nullptr);
    EXPECT_EQ(map.byteCount(MapArea::Out), 0);
    // The rules without a place are kept with the reason; a disabled rule is none of them.
    using R = MapUnplaced::Reason;
    EXPECT_EQ(map.unplaced(), (std::vector<MapUnplaced>{{L::Read, 3, R::PositionOutside, false},
                                                        {L::Read, 4, R::StartBitOutside, false},
                                                        {L::Read, 5, R::PositionOutside, false}}));
}

TEST(ProfibusMapTest, RulesWithoutAPlaceAndAfterTheEndAreListedWithTheirReason)
{
    TextTable texts;
    texts.Load_Default_Texts();
    S7Rule noPosition = Placed("Byte", 0);
    noPosition.Position = QStringLiteral(" ");
    S7Rule noBit = Placed("Byte", 0);
    noBit.Bit.clear();
    S7Rule bitNine = Placed("Bit", 1);
    bitNine.Bit = QStringLiteral("9");
    S7RuleList read = List({noPosition, noBit, Placed("Word", 4), bitNine, S7Rule(), Placed("Byte", 0), Placed("Word", 30)});
    S7RuleList write = List({Placed("Byte", 2), S7Rule(), S7Rule(), Placed("Byte", 2)});
    const ProfibusMap map = ProfibusMap::build(read, write, {10, 4});

    EXPECT_EQ(Map_Unplaced_Lines(map, read, write, texts),
              (QStringList{QStringLiteral("S7comm Read row 1 is not on the map: Position is empty"),
                           QStringLiteral("S7comm Read row 2 is not on the map: Start Bit is empty"),
                           QStringLiteral("S7comm Read row 4 is not on the map: Start Bit 9 is not within 0 to 7"),
                           QStringLiteral("S7comm Read row 7 is not on the map: Position 30 is not within the 10 bytes of the "
                                          "area; after the end of the list: not sent to the device")}));
    // The write rule after the end shares byte 2 with row 1: no conflict, but the table says
    // which rule the device does not get.
    EXPECT_TRUE(map.conflicts().empty());
    const QList<QStringList> rows = Map_Table_Rows(map, read, write, texts);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].mid(4, 2), (QStringList{QStringLiteral("Read"), QStringLiteral("6")}));
    EXPECT_EQ(rows[0].last(), QStringLiteral("after the end of the list: not sent to the device"));
    EXPECT_EQ(rows[1].mid(4, 2), (QStringList{QStringLiteral("Read"), QStringLiteral("3")}));
    EXPECT_EQ(rows[1].last(), QString());
    EXPECT_EQ(rows[3].mid(4, 2), (QStringList{QStringLiteral("Write"), QStringLiteral("4")}));
    EXPECT_EQ(rows[3].last(), QStringLiteral("after the end of the list: not sent to the device"));
}

// A hand-edited ParGen.xml with counts no device has must not size the map after them (a count
// of 2147483647 once ran the editor out of memory).
TEST(ProfibusMapTest, HugeByteCountsFromAFileStayBounded)
{
    const ProfibusMap map = ProfibusMap::build(List({Placed("Real", 1499)}), List({Placed("Word", 3)}),
                                               {2147483647, 10000000});
    EXPECT_EQ(map.byteCount(MapArea::In), PositionLimits::kNoParGen);
    EXPECT_EQ(map.byteCount(MapArea::Out), PositionLimits::kNoParGen);
    EXPECT_EQ(map.rules(MapArea::In).size(), 1u);
    EXPECT_TRUE(map.rules(MapArea::In).front().clipped);
}

TEST(S7AddressTextTest, AsAnEngineerWritesIt)
{
    const struct
    {
        const char *identifier;
        const char *area;
        const char *type;
        const char *db;
        const char *add;
        const char *bit;
        const char *expected;
    } cases[] = {
        {"DB", "Flags (M) (Merker)", "Word", "100", "20", "0", "DB100.DBW20"},
        {"DB", "Inputs (I)", "Bit", "5", "3", "1", "DB5.DBX3.1"},
        {"DB", "", "Char", "1", "$10", "0", "DB1.DBB16"},
        {"DB", "", "Real", "2", "8", "0", "DB2.DBD8"},
        {"OB", "Flags (M) (Merker)", "Byte", "0", "12", "0", "MB12"},
        {"FC", "Output (Q)", "Int", "0", "2", "0", "QW2"},
        {"SDB", "Inputs (I)", "DInt", "0", "4", "0", "ID4"},
        {"FB", "Inputs (I)", "Bit", "0", "3", "4", "I3.4"},
        {"OB", "Flags (M) (Merker)", "Bit", "0", "10", "0", "M10.0"},
        {"OB", "Direct peripheral access (P)", "Word", "0", "256", "0", "PW256"},
        // numbers are read as the device reads them: what it cannot read counts as 0
        {"DB", "", "Word", "", "x", "0", "DB0.DBW0"},
    };
    for (const auto &c : cases) {
        S7Rule r = Valid_Rule();
        r.Data_Identifier = QString::fromLatin1(c.identifier);
        r.PLC_Area = QString::fromLatin1(c.area);
        r.Data_Type = QString::fromLatin1(c.type);
        r.DB_Number = QString::fromLatin1(c.db);
        r.PLC_Add = QString::fromLatin1(c.add);
        r.PLC_Bit = QString::fromLatin1(c.bit);
        EXPECT_EQ(S7_Address_Text(r), QString::fromLatin1(c.expected));
    }
}

} // namespace
