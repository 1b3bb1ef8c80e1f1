#include "S7TestRules.h"
#include "common/Errors.h"
#include "s7access/S7ListEnd.h"
#include "s7access/S7Protocol.h"
#include "support/TempWorkspace.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using F = S7Rule::Field;
using L = S7Rule::List;

TEST(S7RuleTest, FieldOrderOfBothLists)
{
    EXPECT_EQ(S7Rule::fieldNames(L::Read).join(u','),
              "Enable,PLC_Address,PLC_Port,PLC_Type,Rack,Slot,Data_Type,Data_Identifier,DB_Number,"
              "PLC_Area,PLC_Add,PLC_Bit,PollTime,Position,Bit,Swap,SwapWord,Mnemonic");
    EXPECT_EQ(S7Rule::fieldNames(L::Write).join(u','),
              "Enable,PLC_Address,PLC_Port,PLC_Type,Rack,Slot,Data_Type,Data_Identifier,DB_Number,"
              "PLC_Area,PLC_Add,PLC_Bit,PollTime,OnChange,OnCMD,Position,Bit,Swap,SwapWord,Mnemonic");
    const S7Rule rule = Valid_Rule();
    for (const L list : {L::Read, L::Write}) {
        const QStringList cells = rule.cells(list);
        ASSERT_EQ(cells.size(), S7Rule::fieldCount(list));
        for (int i = 0; i < cells.size(); ++i)
            EXPECT_EQ(cells[i], rule.field(S7Rule::fieldNames(list)[i]));
        S7Rule copy;
        copy.OnChange = rule.OnChange; // not a read cell
        copy.OnCMD = rule.OnCMD;
        copy.setCells(list, cells);
        EXPECT_EQ(copy, rule);
    }
    EXPECT_TRUE(S7Rule().Enable == "Y" && S7Rule().Mnemonic.isEmpty());
    EXPECT_TRUE(S7Rule::cleared().Enable.isEmpty());
}

TEST(S7RuleTest, InUseTrimsBlanksAndControls)
{
    S7Rule r;
    for (const char *address : {"", " ", "\t\r\n ", "\x01"}) {
        r.PLC_Address = QString::fromLatin1(address);
        EXPECT_FALSE(r.inUse()) << address;
    }
    r.PLC_Address = QStringLiteral(" x ");
    EXPECT_TRUE(r.inUse());
}

class S7ProtocolFileTest : public ::testing::Test
{
protected:
    TempWorkspace ws;
    QString path = ws.file(QStringLiteral("S7_Protocol.xml"));
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();

    std::optional<QString> load(S7RuleList &r, S7RuleList &w) { return Load_S7_Protocol(path, r, w); }
};

TEST_F(S7ProtocolFileTest, SavedTextsComeBackExactly)
{
    const QStringList texts = {
        QStringLiteral("<&>\"'"), QStringLiteral("  lead and trail  "), QString(),
        QStringLiteral("Füllstand Ölwanne ÅØ 温度 \U0001F600"), QStringLiteral("tab\tline\nret\r"),
        QStringLiteral("]]> &amp; <!-- -->"), QStringLiteral(" 102"), QStringLiteral("N")};
    int i = 0;
    for (S7RuleList *list : {&read, &write}) {
        for (int r = 0; r < 40; ++r) {
            S7Rule &rule = (*list)[std::size_t(r)];
            rule = Valid_Rule(r);
            for (const F f : S7Rule::fields(list == &read ? L::Read : L::Write))
                if (f != F::PLC_Address)
                    rule[f] = texts[i++ % texts.size()];
        }
    }
    read[3].Enable = QStringLiteral("N");
    read[3].PLC_Address = QStringLiteral("not an address ");
    Save_S7_Protocol(path, read, write);

    S7RuleList read2 = Fresh_Rule_List(), write2 = Fresh_Rule_List();
    EXPECT_EQ(load(read2, write2), std::nullopt);
    EXPECT_EQ(All_Cells(read2, L::Read), All_Cells(read, L::Read));
    EXPECT_EQ(write2, write);
    // The same lists give the same bytes.
    const QByteArray first = ws.read(QStringLiteral("S7_Protocol.xml"));
    Save_S7_Protocol(path, read2, write2);
    EXPECT_EQ(ws.read(QStringLiteral("S7_Protocol.xml")), first);
}

TEST_F(S7ProtocolFileTest, LayoutAttributeOrderAndCutAtFirstUnusedRule)
{
    read[0] = Valid_Rule(1, QStringLiteral("a"));
    read[1].PLC_Address = QStringLiteral(" ");
    read[2] = Valid_Rule(3); // after the first unused rule: not written
    write[0] = S7Rule::cleared();
    write[0].PLC_Address = QStringLiteral("x");
    const QByteArray bytes = Serialize_S7_Protocol(read, write);
    EXPECT_EQ(bytes,
              "<S7_Protocol><S7_Protocol_Read><row Enable=\"Y\" PLC_Address=\"192.168.1.1\" "
              "PLC_Port=\"102\" PLC_Type=\"S71200\" Rack=\"0\" Slot=\"1\" Data_Type=\"Word\" "
              "Data_Identifier=\"DB\" DB_Number=\"10\" PLC_Area=\"Flags (M) (Merker)\" PLC_Add=\"20\" "
              "PLC_Bit=\"0\" PollTime=\"100\" Position=\"5\" Bit=\"0\" Swap=\"N\" SwapWord=\"\" "
              "Mnemonic=\"a\"/></S7_Protocol_Read><S7_Protocol_Write><row Enable=\"\" PLC_Address=\"x\" "
              "PLC_Port=\"\" PLC_Type=\"\" Rack=\"\" Slot=\"\" Data_Type=\"\" Data_Identifier=\"\" "
              "DB_Number=\"\" PLC_Area=\"\" PLC_Add=\"\" PLC_Bit=\"\" PollTime=\"\" OnChange=\"\" "
              "OnCMD=\"\" Position=\"\" Bit=\"\" Swap=\"\" SwapWord=\"\" Mnemonic=\"\"/>"
              "</S7_Protocol_Write></S7_Protocol><!--SW_VERSION = 1.002-->\n");

    read[0].PLC_Address.clear();
    EXPECT_EQ(Serialize_S7_Protocol(read, Fresh_Rule_List()),
              "<S7_Protocol><S7_Protocol_Read/><S7_Protocol_Write/></S7_Protocol><!--SW_VERSION = 1.002-->\n");
}

TEST_F(S7ProtocolFileTest, LenientReading)
{
    // Declaration and comment before the root, indentation, another root name, rows with
    // other element names, a comment between rows, Enable/Rack/Slot missing.
    ws.write(QStringLiteral("S7_Protocol.xml"),
             "<?xml version=\"1.0\"?>\n<!-- hand edited -->\n<Other>\n  <S7_Protocol_Write>\n"
             "    <rule PLC_Address=\"1.2.3.4\" PLC_Port=\"p\" PLC_Type=\"\" Data_Type=\"\" "
             "Data_Identifier=\"\" DB_Number=\"\" PLC_Area=\"\" PLC_Add=\"\" PLC_Bit=\"\" PollTime=\"\" "
             "OnChange=\"\" OnCMD=\"\" Position=\"\" Bit=\"\" Swap=\"\" SwapWord=\"\" Mnemonic=\"w1\"/>\n"
             "  </S7_Protocol_Write>\n  <S7_Protocol_Read>\n"
             "    <row Enable=\"N\" PLC_Address=\"\" PLC_Port=\"\" PLC_Type=\"\" Rack=\"7\" Slot=\"x\" "
             "Data_Type=\"\" Data_Identifier=\"\" DB_Number=\"\" PLC_Area=\"\" PLC_Add=\"\" PLC_Bit=\"\" "
             "PollTime=\"\" Position=\"\" Bit=\"\" Swap=\"\" SwapWord=\"\" Mnemonic=\"r1\"/>\n"
             "    <!-- note -->\n"
             "    <row PLC_Address=\"5.6.7.8\" PLC_Port=\"\" PLC_Type=\"\" Data_Type=\"\" Data_Identifier=\"\" "
             "DB_Number=\"\" PLC_Area=\"\" PLC_Add=\"\" PLC_Bit=\"\" PollTime=\"\" Position=\"\" Bit=\"\" "
             "Swap=\"\" SwapWord=\"\" Mnemonic=\"r2\"/>\n  </S7_Protocol_Read>\n</Other>\n");
    EXPECT_EQ(load(read, write), std::nullopt);
    EXPECT_EQ(read[0].Mnemonic, "r1");
    EXPECT_EQ(read[0].Rack, "7");
    EXPECT_EQ(read[1].Mnemonic, "r2");
    EXPECT_EQ(read[1].Enable, "Y");
    EXPECT_EQ(read[1].Rack, "0");
    EXPECT_EQ(read[1].Slot, "0");
    EXPECT_EQ(write[0].Mnemonic, "w1");
    EXPECT_EQ(write[0].PLC_Port, "p");
    for (std::size_t i = 2; i < read.size(); ++i)
        ASSERT_EQ(read[i], S7Rule()) << i;
    for (std::size_t i = 1; i < write.size(); ++i)
        ASSERT_EQ(write[i], S7Rule()) << i;
}

TEST_F(S7ProtocolFileTest, MissingFileLeavesTheListsFresh)
{
    EXPECT_EQ(load(read, write), std::nullopt);
    EXPECT_EQ(read, Fresh_Rule_List());
    S7RuleList shortList; // filled up to 512 by the loader
    ws.write(QStringLiteral("S7_Protocol.xml"), Serialize_S7_Protocol(Fresh_Rule_List(), Fresh_Rule_List()));
    EXPECT_EQ(load(shortList, write), std::nullopt);
    EXPECT_EQ(shortList, Fresh_Rule_List());
}

TEST_F(S7ProtocolFileTest, FailuresKeepWhatWasReadAndNameTheCause)
{
    S7RuleList full = Fresh_Rule_List();
    full[0] = Valid_Rule(1);
    full[1] = Valid_Rule(2);
    const QByteArray good = Serialize_S7_Protocol(full, full);

    struct Case
    {
        const char *name;
        QByteArray bytes;
        const char *errorPart;
        int readRules;    // rules of the read list that were taken completely
        bool partialRule; // the next read rule holds the fields before the missing attribute
        int writeRules;
    };
    QByteArray lacksPort = good;
    const qsizetype secondRow = lacksPort.indexOf("<row", lacksPort.indexOf("<row") + 1);
    lacksPort.replace(lacksPort.indexOf("PLC_Port=\"102\"", secondRow), 14, "");
    QByteArray writeLacksMnemonic = good;
    writeLacksMnemonic.replace(writeLacksMnemonic.lastIndexOf("Mnemonic"), 8, "Mnemo");
    const Case cases[] = {
        {"not xml", "<S7_Protocol><S7_Protocol_Read>", "not a valid XML file", 0, false, 0},
        {"empty", "", "not a valid XML file", 0, false, 0},
        {"no read section", "<S7_Protocol><S7_Protocol_Write/></S7_Protocol>", "S7_Protocol_Read", 0, false, 0},
        {"no write section", good.left(good.indexOf("<S7_Protocol_Write>")) + "</S7_Protocol>",
         "S7_Protocol_Write", 2, false, 0},
        {"second read row lacks PLC_Port", lacksPort, "rule 2 of S7_Protocol_Read lacks the attribute PLC_Port",
         1, true, 0},
        {"last write row lacks Mnemonic", writeLacksMnemonic,
         "rule 2 of S7_Protocol_Write lacks the attribute Mnemonic", 2, false, 1},
    };
    for (const Case &c : cases) {
        ws.write(QStringLiteral("S7_Protocol.xml"), c.bytes);
        S7RuleList r = Fresh_Rule_List(), w = Fresh_Rule_List();
        const auto error = load(r, w);
        ASSERT_TRUE(error.has_value()) << c.name;
        EXPECT_TRUE(error->contains(QLatin1String(c.errorPart))) << c.name << ": " << error->toStdString();
        EXPECT_TRUE(error->contains(QLatin1String("S7_Protocol.xml"))) << c.name;
        for (int i = 0; i < c.readRules; ++i)
            EXPECT_EQ(r[std::size_t(i)].cells(L::Read), full[std::size_t(i)].cells(L::Read)) << c.name << " read " << i;
        if (c.partialRule) {
            const S7Rule &p = r[std::size_t(c.readRules)];
            EXPECT_EQ(p.PLC_Address, full[std::size_t(c.readRules)].PLC_Address) << c.name;
            EXPECT_TRUE(p.PLC_Port.isEmpty() && p.PLC_Type.isEmpty()) << c.name;
        }
        for (int i = 0; i < c.writeRules; ++i)
            EXPECT_EQ(w[std::size_t(i)], full[std::size_t(i)]) << c.name << " write " << i;
        EXPECT_EQ(w[std::size_t(c.writeRules) + 1], S7Rule()) << c.name;
    }
}

TEST_F(S7ProtocolFileTest, UnwritableTextIsRefusedAndTheOldFileStays)
{
    read[0] = Valid_Rule(1);
    write[0] = Valid_Rule(2);
    Save_S7_Protocol(path, read, write);
    const QByteArray before = ws.read(QStringLiteral("S7_Protocol.xml"));

    write[0].Mnemonic = QStringLiteral("bell\a");
    try {
        Save_S7_Protocol(path, read, write);
        FAIL() << "saved";
    } catch (const ValueError &e) {
        EXPECT_TRUE(e.text().startsWith(QLatin1String("Write list, row 1, field Mnemonic"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QLatin1String("U+0007"))) << e.text().toStdString();
    }
    EXPECT_EQ(ws.read(QStringLiteral("S7_Protocol.xml")), before);

    // Beyond the first unused rule nothing is written, so nothing is checked.
    write[0] = Valid_Rule(2);
    write[2].Mnemonic = QStringLiteral("\x01");
    EXPECT_NO_THROW(Save_S7_Protocol(path, read, write));
}

TEST_F(S7ProtocolFileTest, SaveIntoAMissingFolderFails)
{
    EXPECT_THROW(Save_S7_Protocol(ws.file(QStringLiteral("no/such/S7_Protocol.xml")), read, write), FileError);
}

TEST(PositionLimitsTest, FromParGen)
{
    TempWorkspace ws;
    const QString file = ws.file(QStringLiteral("ParGen.xml"));
    EXPECT_EQ(Load_Position_Limits(file), (PositionLimits{1500, 1500}));

    const struct
    {
        const char *xml;
        PositionLimits limits;
    } cases[] = {
        {"<Par_Gen><PROFINET_NB_IN>244</PROFINET_NB_IN><PROFINET_NB_OUT>10</PROFINET_NB_OUT></Par_Gen>", {244, 10}},
        {"<Par_Gen><PROFINET_NB_OUT>0</PROFINET_NB_OUT></Par_Gen><!--SW_VERSION = 1.002-->", {0, 0}},
        {"<X><PROFINET_NB_IN>x</PROFINET_NB_IN><PROFINET_NB_OUT> $10</PROFINET_NB_OUT></X>", {0, 16}},
        {"<X><PROFINET_NB_IN><a/></PROFINET_NB_IN><PROFINET_NB_OUT>-5</PROFINET_NB_OUT></X>", {0, -5}},
        {"<?xml version=\"1.0\"?><!--c--><X><PROFINET_NB_IN>1</PROFINET_NB_IN><PROFINET_NB_IN>2</PROFINET_NB_IN></X>", {1, 0}},
    };
    for (const auto &c : cases) {
        ws.write(QStringLiteral("ParGen.xml"), c.xml);
        EXPECT_EQ(Load_Position_Limits(file), c.limits) << c.xml;
    }
    ws.write(QStringLiteral("ParGen.xml"), "<Par_Gen><PROFINET_NB_IN>");
    EXPECT_THROW(Load_Position_Limits(file), XmlError);
}

} // namespace

namespace {

TEST(S7ListEndTest, FindsRulesAfterTheFirstUnusedRow)
{
    // Addresses of the first rows; "-" an unused row (blanks and controls only count as empty).
    const struct
    {
        std::vector<const char *> addresses;
        std::optional<std::pair<int, int>> expected; // first unused row (1-based), rules after it
    } cases[] = {
        {{}, std::nullopt},
        {{"1.1.1.1", "1.1.1.2"}, std::nullopt},
        {{"-", "1.1.1.1"}, std::pair{1, 1}},
        {{"1.1.1.1", " \t", "1.1.1.2", "-", "1.1.1.3"}, std::pair{2, 2}},
        {{"1.1.1.1", "-", "-", "-"}, std::nullopt},
    };
    for (const auto &c : cases) {
        S7RuleList list = Fresh_Rule_List();
        for (std::size_t i = 0; i < c.addresses.size(); ++i)
            list[i].PLC_Address = QString::fromLatin1(c.addresses[i]) == QLatin1String("-") ? QString() : QString::fromLatin1(c.addresses[i]);
        const auto found = Find_Rules_After_End(list);
        ASSERT_EQ(found.has_value(), c.expected.has_value()) << c.addresses.size();
        if (found) {
            EXPECT_EQ(found->firstUnusedRow, c.expected->first);
            EXPECT_EQ(found->ignoredRules, c.expected->second);
        }
    }
    // The last of 512 rows counts too.
    S7RuleList list = Fresh_Rule_List();
    list[511].PLC_Address = QStringLiteral("1.1.1.1");
    const auto last = Find_Rules_After_End(list);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->firstUnusedRow, 1);
    EXPECT_EQ(last->ignoredRules, 1);
}

} // namespace
