#include "S7TestRules.h"
#include "s7access/S7Validation.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <gtest/gtest.h>

namespace {

using F = S7Rule::Field;
using L = S7Rule::List;

class S7ValidationTest : public ::testing::Test
{
protected:
    S7ValidationTest() { texts.Load_Default_Texts(); }

    std::optional<S7Fault> check(const PositionLimits &limits = {244, 10})
    {
        return Controllo_dati(read, write, limits, texts, table);
    }

    TextTable texts;
    IpPortTable table;
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
};

TEST_F(S7ValidationTest, EachCheckInBothLists)
{
    const struct
    {
        F field;
        const char *text;
        int readText; // 0: passes
        int writeText;
    } cases[] = {
        {F::PLC_Address, "192.168.1.1 ", 1271, 1279},
        {F::PLC_Address, "192.168.1", 1271, 1279},
        {F::PLC_Port, "", 1272, 1280},
        {F::PLC_Port, "102 ", 1272, 1280},
        {F::PLC_Port, "65536", 1272, 1280},
        {F::PLC_Port, "  102", 0, 0},
        {F::PLC_Port, "$FFFF", 0, 0},
        {F::PLC_Type, " \t", 1273, 1281},
        {F::PLC_Type, "anything", 0, 0},
        {F::Rack, "4", 1321, 1323},
        {F::Rack, "", 1321, 1323},
        {F::Rack, "3", 0, 0},
        {F::Slot, "32", 1322, 1324},
        {F::Slot, "31", 0, 0},
        {F::Data_Type, "", 1274, 1282},
        {F::Data_Identifier, "", 1275, 1283},
        {F::DB_Number, "65536", 1305, 1309},
        {F::DB_Number, "0", 0, 0},
        {F::PLC_Area, "", 1306, 1310},
        {F::PLC_Add, "-1", 1307, 1311},
        {F::PLC_Add, "65535", 0, 0},
        {F::PLC_Bit, "", 1308, 1312},
        {F::PollTime, "0", 1276, 0},
        {F::PollTime, "100000001", 1276, 1284},
        {F::PollTime, "100000000", 0, 0},
        {F::Position, "9", 0, 0},
        {F::Position, "10", 0, 1285},
        {F::Position, "243", 0, 1285},
        {F::Position, "244", 1277, 1285},
        {F::Position, "", 1277, 1285},
        {F::Bit, " ", 1278, 1286},
        {F::Swap, "", 0, 0},
        {F::Mnemonic, "\x01", 0, 0},
    };
    for (const auto &c : cases) {
        for (const L list : {L::Read, L::Write}) {
            read = Fresh_Rule_List();
            write = Fresh_Rule_List();
            S7RuleList &rules = list == L::Read ? read : write;
            rules[0] = Valid_Rule();
            rules[0][c.field] = QString::fromLatin1(c.text);
            const int expected = list == L::Read ? c.readText : c.writeText;
            const auto fault = check();
            const std::string what = S7Rule::fieldName(c.field).toStdString() + " = '" + c.text + "' in "
                + List_Name(list).toStdString();
            if (expected == 0) {
                EXPECT_EQ(fault, std::nullopt) << what << ": " << (fault ? fault->message.toStdString() : "");
            } else {
                ASSERT_TRUE(fault.has_value()) << what;
                EXPECT_EQ(fault->textId, expected) << what;
                EXPECT_EQ(fault->list, list) << what;
                EXPECT_EQ(fault->row, 1) << what;
                EXPECT_EQ(fault->field, c.field) << what;
            }
        }
    }
}

TEST_F(S7ValidationTest, MessagesAreBuiltFromTheTextTable)
{
    read[0] = Valid_Rule();
    read[1] = Valid_Rule();
    read[1].PLC_Address = QStringLiteral("1.2.3");
    EXPECT_EQ(check()->message,
              "Error row 2!! [S7comm Read] PLC Address must be a valid TCP IP Address (Ex. 192.168.1.125)");

    read[1] = Valid_Rule();
    read[1].Position = QStringLiteral("244");
    EXPECT_EQ(check()->message, "Error row 2!! [S7comm Read] Position must be between 0 and 243");

    read = Fresh_Rule_List();
    write[0] = Valid_Rule();
    write[0].Position = QStringLiteral("0");
    EXPECT_EQ(check({244, 0})->message, "Error row 1!! [S7comm Write] Position must be between 0 and -1");

    texts.setText(TextId::S7_ErrorRow, QStringLiteral("Fehler Zeile "));
    EXPECT_EQ(check({244, 0})->message, "Fehler Zeile 1!! [S7comm Write] Position must be between 0 and -1");
}

TEST_F(S7ValidationTest, WhichRulesAreChecked)
{
    read[0] = Valid_Rule();
    read[1] = Valid_Rule();
    read[1].Enable = QStringLiteral("N"); // disabled: anything goes
    read[1].PLC_Address = QStringLiteral("bad");
    read[1].PLC_Port.clear();
    read[2] = Valid_Rule();
    read[2].Enable = QStringLiteral("y"); // only "Y" enables
    read[2].Slot = QStringLiteral("99");
    read[3] = Valid_Rule();
    read[3].Enable = QStringLiteral(" Y\t");
    read[4].PLC_Address = QStringLiteral(" \t"); // ends the list
    read[5] = Valid_Rule();
    read[5].Rack = QStringLiteral("9");
    EXPECT_EQ(check(), std::nullopt);

    read[3].Rack = QStringLiteral("9");
    const auto fault = check();
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->row, 4);
    EXPECT_EQ(fault->textId, TextId::S7_S7commReadRack03);
}

TEST_F(S7ValidationTest, FirstFaultInRowOrderAndCheckOrderWins)
{
    for (int i = 0; i < 300; ++i)
        read[std::size_t(i)] = Valid_Rule();
    read[299].PollTime = QStringLiteral("0");
    read[299].Bit.clear();
    write[0] = Valid_Rule();
    write[0].PLC_Port = QStringLiteral("x");
    const auto fault = check();
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->list, L::Read);
    EXPECT_EQ(fault->row, 300);
    EXPECT_EQ(fault->textId, TextId::S7_S7commReadPollTime1100000000);

    const std::vector<S7Fault> all = Controllo_dati_All(read, write, {244, 10}, texts);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], *fault);
    EXPECT_EQ(all[1].list, L::Write);
    EXPECT_EQ(all[1].row, 1);
    EXPECT_EQ(all[1].message, "Error row 1!! [S7comm Write] PLC Port must be between 0 and 65535");
}

TEST_F(S7ValidationTest, TenConnectionsSharedByBothLists)
{
    for (int i = 0; i < 10; ++i)
        read[std::size_t(i)] = Valid_Rule(i + 1);
    write[0] = Valid_Rule(5);    // one of the ten
    write[1] = Valid_Rule(11);   // an eleventh
    auto fault = check();
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->list, L::Write);
    EXPECT_EQ(fault->row, 2);
    EXPECT_EQ(fault->textId, TextId::S7_S7commWriteDeviceSupport10Connection);
    EXPECT_EQ(fault->field, F::PLC_Address); // the connection is the address's
    EXPECT_EQ(table[9], (TIPPort{192, 168, 1, 10, 102}));

    // The same address on another port is another connection; rack, slot and type are not.
    write[1] = Valid_Rule(1);
    write[1].Rack = QStringLiteral("3");
    write[1].PLC_Type = QStringLiteral("S7300");
    EXPECT_EQ(check(), std::nullopt);
    write[1].PLC_Port = QStringLiteral("103");
    fault = check();
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->textId, TextId::S7_S7commWriteDeviceSupport10Connection);

    // A rule that fails after registering its connection stops the run; the next run starts afresh.
    read[9].PLC_Type.clear();
    write[1] = Valid_Rule(11);
    fault = check();
    EXPECT_EQ(fault->textId, TextId::S7_S7commReadPLCTypeCannotEmpty);
    read[9].PLC_Type = QStringLiteral("S7300");
    read[9].PLC_Address = QStringLiteral("192.168.1.11");
    EXPECT_EQ(check(), std::nullopt);

    // --all: a rule refused for an eleventh connection takes none.
    write[1] = Valid_Rule(12);
    write[2] = Valid_Rule(13);
    write[3] = Valid_Rule(11);
    const auto all = Controllo_dati_All(read, write, {244, 10}, texts);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].row, 2);
    EXPECT_EQ(all[1].row, 3);
}

TEST(CheckIpPortTest, TakesEntriesFromTheFront)
{
    IpPortTable table;
    EXPECT_EQ(Check_IP_Port(table, 1, 2, 3, 4, 102), 0);
    EXPECT_EQ(Check_IP_Port(table, 1, 2, 3, 4, 103), 1);
    EXPECT_EQ(Check_IP_Port(table, 1, 2, 3, 4, 102), 0);
    for (int i = 2; i < 10; ++i)
        EXPECT_EQ(Check_IP_Port(table, 9, 9, 9, std::uint8_t(i), 0), i);
    EXPECT_EQ(Check_IP_Port(table, 0, 0, 0, 0, 0), -1);
    EXPECT_EQ(Check_IP_Port(table, 9, 9, 9, 9, 0), 9);
    EXPECT_EQ(table[1], (TIPPort{1, 2, 3, 4, 103}));
}

} // namespace
