#include "common/Errors.h"
#include "image/Bank2Table.h"
#include "s7access/S7RuleCodes.h"
#include "support/TempWorkspace.h"
#include "support/TestFiles.h"
#include "ImageTestFiles.h"

#include <gtest/gtest.h>

namespace {

class Bank2Test : public ::testing::Test
{
protected:
    int load(const QByteArray &xml)
    {
        table.Clear_Bank2();
        return table.Load_S7_Protocol_Bank2(ws.write(QStringLiteral("S7_Protocol.xml"), xml));
    }
    QByteArray entry(int index) const
    {
        return QByteArray(reinterpret_cast<const char *>(table.bytes().data()) + index * 28, 28);
    }

    TempWorkspace ws;
    Bank2Table table;
};

TEST_F(Bank2Test, WorkedExampleEntriesByteForByte)
{
    EXPECT_EQ(load(S7_Protocol_Xml({kExampleReadRow}, {kExampleWriteRow})), 2);
    EXPECT_EQ(entry(0), From_Hex_Text(kExampleReadEntry)) << Hex_Diff(From_Hex_Text(kExampleReadEntry), entry(0)).toStdString();
    EXPECT_EQ(entry(1), From_Hex_Text(kExampleWriteEntry)) << Hex_Diff(From_Hex_Text(kExampleWriteEntry), entry(1)).toStdString();
    EXPECT_EQ(entry(2), QByteArray(28, '\0'));
}

TEST_F(Bank2Test, EnabledReadRulesThenWriteRulesPackedFromTheStart)
{
    const int n = load(S7_Protocol_Xml(
        {R"(Enable="Y" PLC_Address="1.0.0.1" OnChange="Y" OnCMD="Y" Swap="Y")", R"(Enable="N" PLC_Address="1.0.0.2")",
         R"(Enable="y" PLC_Address="1.0.0.3")", R"(PLC_Address="1.0.0.4")", R"(Enable="Y" PLC_Address="1.0.0.5" SwapWord="Y")"},
        {R"(Enable="Y" PLC_Address="2.0.0.1" OnCMD="Y" SwapWord="Y")", R"(Enable="Y" PLC_Address="")"}));
    ASSERT_EQ(n, 4);
    // (address low byte, flags) of each entry: a row without Enable is not compiled here.
    const std::pair<int, int> expected[] = {{1, 0x04}, {5, 0x08}, {1, 0x38}, {0, 0x20}};
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(entry(i)[0], expected[i].first) << i;
        EXPECT_EQ(entry(i)[23], expected[i].second) << i;
    }
    const auto bytes = table.bytes().subspan(4 * 28);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(Bank2Test, MissingOrUnusableAttributesTakeTheirDefaults)
{
    struct Case
    {
        const char *row;
        std::size_t offset;
        int width;
        std::uint32_t value;
    };
    const Case cases[] = {
        {R"(Enable="Y")", Bank2Offset::PollTime, 4, 1000},
        {R"(Enable="Y" PollTime="abc")", Bank2Offset::PollTime, 4, 1000},
        {R"(Enable="Y" PollTime="0")", Bank2Offset::PollTime, 4, 0},
        {R"(Enable="Y")", Bank2Offset::DataType, 1, 1},
        {R"(Enable="Y" Data_Type="")", Bank2Offset::DataType, 1, 1},
        {R"(Enable="Y" Data_Type="Real")", Bank2Offset::DataType, 1, 8},
        {R"(Enable="Y")", Bank2Offset::DataIdentifier, 1, 8},
        {R"(Enable="Y" Data_Identifier="db")", Bank2Offset::DataIdentifier, 1, 8},
        {R"(Enable="Y")", Bank2Offset::PlcArea, 1, 0x80},
        {R"(Enable="Y" PLC_Type="S7-300")", Bank2Offset::PlcType, 1, 0},
        {R"(Enable="Y" PLC_Type="Logo0BA8")", Bank2Offset::PlcType, 1, 1},
        {R"(Enable="Y" PLC_Address="192.168.1")", Bank2Offset::PlcAddress, 4, 0},
        {R"(Enable="Y" PLC_Address="192.168.1.300")", Bank2Offset::PlcAddress, 4, 0},
        {R"(Enable="Y" PLC_Address=" 10.0.0.1")", Bank2Offset::PlcAddress, 4, 0x0A000001},
        {R"(Enable="Y" Rack="1" Slot="2")", Bank2Offset::RackSlot, 1, 0x22},
        {R"(Enable="Y" Rack="9" Slot="x")", Bank2Offset::RackSlot, 1, (9 * 32) & 0xFF},
        {R"(Enable="Y" PLC_Port="70000")", Bank2Offset::PlcPort, 2, 4464},
        {R"(Enable="Y" Position="$FFFF")", Bank2Offset::Position, 2, 0xFFFF},
        {R"(Enable="Y" PLC_Bit="7" Bit="-1")", Bank2Offset::PlcBit, 1, 7},
        {R"(Enable="Y" PLC_Bit="7" Bit="-1")", Bank2Offset::StartBit, 1, 0xFF},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(load(S7_Protocol_Xml({c.row}, {})), 1) << c.row;
        std::uint32_t value = 0;
        for (int i = 0; i < c.width; ++i)
            value |= std::uint32_t{table.bytes()[c.offset + i]} << (8 * i);
        EXPECT_EQ(value, c.value) << c.row;
    }
}

TEST(Bank2CodesTest, EveryEditorTextMapsToItsCodeAndBack)
{
    struct Case
    {
        std::uint8_t (*code)(QStringView);
        QString (*text)(std::uint8_t);
        QList<std::pair<const char *, int>> pairs;
        int otherText; // the code of a text not in the list
    };
    const Case cases[] = {
        {PLC_Type_Code, PLC_Type_Text, {{"Logo0BA8", 1}, {"S7200", 0}, {"S7300", 10}, {"S7400", 20}, {"S71200", 30}, {"S71500", 40}}, 0},
        {Data_Type_Code, Data_Type_Text,
         {{"Bit", 1}, {"Byte", 2}, {"Char", 3}, {"Word", 4}, {"Int", 5}, {"DWord", 6}, {"DInt", 7}, {"Real", 8}}, 1},
        {Data_Identifier_Code, Data_Identifier_Text,
         {{"OB", 8}, {"DB", 10}, {"SDB", 11}, {"FC", 12}, {"SFC", 13}, {"FB", 14}, {"SFB", 15}}, 8},
        {PLC_Area_Code, PLC_Area_Text,
         {{"Direct peripheral access (P)", 0x80}, {"Inputs (I)", 0x81}, {"Output (Q)", 0x82}, {"Flags (M) (Merker)", 0x83}}, 0x80},
    };
    for (const Case &c : cases) {
        for (const auto &[text, code] : c.pairs) {
            EXPECT_EQ(c.code(QString::fromLatin1(text)), code) << text;
            EXPECT_EQ(c.text(static_cast<std::uint8_t>(code)), QString::fromLatin1(text)) << text;
        }
        for (const QString &other : {QString(), QStringLiteral("unknown"), QString::fromLatin1(c.pairs.last().first).toLower(),
                                     QString::fromLatin1(c.pairs.last().first) + u' '})
            EXPECT_EQ(c.code(other), c.otherText) << other.toStdString();
        EXPECT_EQ(c.text(99), QString());
    }
}

TEST_F(Bank2Test, RefusesFilesTheDeviceCannotTake)
{
    EXPECT_THROW(load("<S7_Protocol><S7_Protocol_Read/></S7_Protocol>"), XmlError);
    EXPECT_THROW(load("<S7_Protocol><S7_Protocol_Write/></S7_Protocol>"), XmlError);
    EXPECT_THROW(load("<S7_Protocol><S7_Protocol_Read>"), XmlError);

    QList<QByteArray> rows(513, R"(Enable="Y" PLC_Address="1.2.3.4")");
    EXPECT_EQ(load(S7_Protocol_Xml(rows, rows.mid(0, 511))), 1024);
    rows.append(R"(Enable="N" PLC_Address="1.2.3.4")");
    EXPECT_EQ(load(S7_Protocol_Xml(rows, rows.mid(0, 511))), 1024);
    try {
        load(S7_Protocol_Xml(rows, rows.mid(0, 512)));
        FAIL() << "no error";
    } catch (const ValueError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("1025 rules"))) << e.text().toStdString();
    }
}

} // namespace
