#include "common/Errors.h"
#include "commparams/CommParams.h"
#include "texts/TextId.h"
#include "support/TempWorkspace.h"

#include <gtest/gtest.h>

namespace {

using F = CommParams;

QByteArray Par_Gen(const QByteArray &children)
{
    return "<Par_Gen>" + children + "</Par_Gen><!--SW_VERSION = 1.002-->";
}

TEST(CommParamsTest, WriterProducesTheSixteenElementsInOrderThenTheComment)
{
    TempWorkspace ws;
    const QString path = ws.write(QStringLiteral("ParGen.xml"), Par_Gen("<Extra>1</Extra><!--old-->"));
    CommParams p = CommParams::windowDefaults();
    p.gatewayEnabled = true;
    Write_ParGen(path, p);
    EXPECT_EQ(ws.read(QStringLiteral("ParGen.xml")).trimmed(),
              QByteArray("<Par_Gen><S7_Protocol_IP1>192</S7_Protocol_IP1><S7_Protocol_IP2>168</S7_Protocol_IP2>"
                         "<S7_Protocol_IP3>0</S7_Protocol_IP3><S7_Protocol_IP4>5</S7_Protocol_IP4>"
                         "<S7_Protocol_SM1>255</S7_Protocol_SM1><S7_Protocol_SM2>255</S7_Protocol_SM2>"
                         "<S7_Protocol_SM3>255</S7_Protocol_SM3><S7_Protocol_SM4>0</S7_Protocol_SM4>"
                         "<S7_Protocol_GAT1>192</S7_Protocol_GAT1><S7_Protocol_GAT2>168</S7_Protocol_GAT2>"
                         "<S7_Protocol_GAT3>0</S7_Protocol_GAT3><S7_Protocol_GAT4>1</S7_Protocol_GAT4>"
                         "<S7_Protocol_EN_GAT>1</S7_Protocol_EN_GAT><PROFIBUS_ID_Device>10</PROFIBUS_ID_Device>"
                         "<PROFINET_NB_IN>244</PROFINET_NB_IN><PROFINET_NB_OUT>244</PROFINET_NB_OUT></Par_Gen>"
                         "<!--SW_VERSION = 1.002-->"));
}

TEST(CommParamsTest, WindowReadsBackExactlyWhatWasWritten)
{
    TempWorkspace ws;
    const QString path = ws.file(QStringLiteral("ParGen.xml"));
    CommParams p;
    const QString samples[] = {QStringLiteral("<&>\"'"), QStringLiteral("  lead and trail  "), QString(),
                               QStringLiteral("Müller ß €"), QStringLiteral("\t1\r\n2"), QStringLiteral("abc"),
                               QStringLiteral("]]>"), QStringLiteral(" "), QStringLiteral("&amp;")};
    for (int i = 0; i < F::FieldCount; ++i)
        p.texts[i] = samples[i % std::size(samples)];
    for (const bool gateway : {true, false}) {
        p.gatewayEnabled = gateway;
        Write_ParGen(path, p);
        const CommParams back = Read_ParGen_For_Window(path);
        EXPECT_EQ(back.texts, p.texts);
        EXPECT_EQ(back.gatewayEnabled, gateway);
    }
}

TEST(CommParamsTest, WriterRefusesATextXmlCannotCarryAndKeepsTheOldFile)
{
    TempWorkspace ws;
    const QString path = ws.write(QStringLiteral("ParGen.xml"), "old");
    CommParams p = CommParams::windowDefaults();
    p.texts[F::S7_Protocol_SM3] = QStringLiteral("25\x01");
    try {
        Write_ParGen(path, p);
        FAIL() << "no error";
    } catch (const ValueError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("S7_Protocol_SM3"))) << e.text().toStdString();
    }
    EXPECT_EQ(ws.read(QStringLiteral("ParGen.xml")), QByteArray("old"));
}

TEST(CommParamsTest, MissingFileGivesEachReaderItsDefaults)
{
    TempWorkspace ws;
    const QString path = ws.file(QStringLiteral("ParGen.xml"));
    const CommParams w = Read_ParGen_For_Window(path);
    EXPECT_EQ(w.texts, CommParams::windowDefaults().texts);
    EXPECT_FALSE(w.gatewayEnabled);
    EXPECT_EQ(Read_ParGen_For_Compiler(path), std::nullopt);
    EXPECT_THROW(Read_ParGen_Counts(path), FileError);
}

// What each reader makes of a hand-edited file: the first element is the root whatever its
// name or what precedes it, the first of two equal elements counts, and an element that is
// missing, empty or nested falls back to the reader's own default.
TEST(CommParamsTest, ReadersApplyTheirOwnDefaultsElementByElement)
{
    TempWorkspace ws;
    const QString path = ws.write(
        QStringLiteral("ParGen.xml"),
        "<?xml version=\"1.0\"?><!-- edited --><Other>"
        "<S7_Protocol_IP1>300</S7_Protocol_IP1><S7_Protocol_IP1>1</S7_Protocol_IP1>"
        "<S7_Protocol_IP2></S7_Protocol_IP2><S7_Protocol_IP3><x/></S7_Protocol_IP3>"
        "<S7_Protocol_SM1>$F0</S7_Protocol_SM1><S7_Protocol_SM4>abc</S7_Protocol_SM4>"
        "<S7_Protocol_GAT1>10</S7_Protocol_GAT1><S7_Protocol_EN_GAT>1</S7_Protocol_EN_GAT>"
        "<PROFIBUS_ID_Device>257</PROFIBUS_ID_Device><PROFINET_NB_IN>-1</PROFINET_NB_IN>"
        "<PROFINET_NB_OUT>100000</PROFINET_NB_OUT></Other>");

    const CommParams w = Read_ParGen_For_Window(path);
    EXPECT_EQ(w.texts[F::S7_Protocol_IP1], QStringLiteral("300"));
    EXPECT_EQ(w.texts[F::S7_Protocol_IP2], QString());
    EXPECT_EQ(w.texts[F::S7_Protocol_IP3], QStringLiteral("0")); // nested: default
    EXPECT_EQ(w.texts[F::S7_Protocol_IP4], QStringLiteral("5"));
    EXPECT_EQ(w.texts[F::S7_Protocol_SM4], QStringLiteral("abc"));
    EXPECT_TRUE(w.gatewayEnabled);

    const auto c = Read_ParGen_For_Compiler(path);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->ipAddress, (std::array<std::uint8_t, 4>{44, 168, 0, 10}));
    EXPECT_EQ(c->subnetMask, (std::array<std::uint8_t, 4>{0xF0, 255, 255, 0}));
    EXPECT_EQ(c->gateway, (std::array<std::uint8_t, 4>{10, 168, 0, 1}));
    EXPECT_EQ(c->stationAddress, 1);
    EXPECT_EQ(c->nbIn, -1);
    EXPECT_EQ(c->nbOut, 100000);

    const ParGenCounts counts = Read_ParGen_Counts(path);
    EXPECT_EQ(counts.nbIn, -1);
    EXPECT_EQ(counts.nbOut, 100000);

    ws.write(QStringLiteral("ParGen.xml"), Par_Gen("<PROFINET_NB_IN> x</PROFINET_NB_IN>"));
    EXPECT_EQ(Read_ParGen_Counts(path).nbIn, 0);
    EXPECT_EQ(Read_ParGen_Counts(path).nbOut, 0);
    EXPECT_EQ(Read_ParGen_For_Compiler(path)->nbIn, 244);
}

TEST(CommParamsTest, GatewayCountsOnlyWhenTheSwitchReadsExactlyOne)
{
    TempWorkspace ws;
    for (const char *value : {"true", "Y", " 1", "", "01", "<a/>"}) {
        const QString path = ws.write(QStringLiteral("ParGen.xml"),
                                      Par_Gen("<S7_Protocol_GAT1>10</S7_Protocol_GAT1><S7_Protocol_EN_GAT>"
                                              + QByteArray(value) + "</S7_Protocol_EN_GAT>"));
        EXPECT_FALSE(Read_ParGen_For_Window(path).gatewayEnabled) << value;
        EXPECT_EQ(Read_ParGen_For_Compiler(path)->gateway, (std::array<std::uint8_t, 4>{255, 255, 255, 255})) << value;
    }
}

TEST(CommParamsTest, MalformedFileIsAnErrorForEveryReader)
{
    TempWorkspace ws;
    const QString path = ws.write(QStringLiteral("ParGen.xml"), "<Par_Gen><S7_Protocol_IP1>1</Par_Gen>");
    EXPECT_THROW(Read_ParGen_For_Window(path), XmlError);
    EXPECT_THROW(Read_ParGen_For_Compiler(path), XmlError);
    EXPECT_THROW(Read_ParGen_Counts(path), XmlError);
}

TEST(CommParamsTest, ValidationReportsTheFirstFieldOutOfRange)
{
    struct Case
    {
        F::Field field;
        const char *text;
        bool gateway;
        int expected; // text id, 0 = valid
    };
    const Case cases[] = {
        {F::S7_Protocol_IP1, "", false, TextId::ParGen_ErrorS7commIPAddress10},
        {F::S7_Protocol_IP4, "256", false, TextId::ParGen_ErrorS7commIPAddress40},
        {F::S7_Protocol_IP2, "-1", false, TextId::ParGen_ErrorS7commIPAddress20},
        {F::S7_Protocol_IP3, "255", false, 0},
        {F::S7_Protocol_IP3, "$FF", false, 0},
        {F::S7_Protocol_SM2, "1.5", false, TextId::ParGen_ErrorS7commSubNetMask20},
        {F::S7_Protocol_GAT3, "abc", false, 0},
        {F::S7_Protocol_GAT3, "abc", true, TextId::ParGen_ErrorS7commGATEWAYIP30},
        {F::S7_Protocol_GAT1, "256", true, TextId::ParGen_ErrorS7commGATEWAYIP10},
        {F::PROFIBUS_ID_Device, "0", false, TextId::ParGen_ErrorPROFIBUSIDDevice1125},
        {F::PROFIBUS_ID_Device, "126", false, TextId::ParGen_ErrorPROFIBUSIDDevice1125},
        {F::PROFIBUS_ID_Device, "1", false, 0},
        {F::PROFIBUS_ID_Device, "125", false, 0},
        {F::PROFINET_NB_IN, "0", false, 0},
        {F::PROFINET_NB_IN, "245", false, TextId::ParGen_ErrorPROFIBUSNumberBytesInput0},
        {F::PROFINET_NB_OUT, "245", false, TextId::ParGen_ErrorPROFIBUSNumberBytesOutPut0},
        {F::PROFINET_NB_OUT, "244 ", false, TextId::ParGen_ErrorPROFIBUSNumberBytesOutPut0},
    };
    for (const Case &c : cases) {
        CommParams p = CommParams::windowDefaults();
        p.gatewayEnabled = c.gateway;
        p.texts[c.field] = QString::fromLatin1(c.text);
        const auto fault = Controllo_Dati(p);
        if (c.expected == 0) {
            EXPECT_EQ(fault, std::nullopt) << c.text;
        } else {
            ASSERT_TRUE(fault) << c.text;
            EXPECT_EQ(fault->field, c.field) << c.text;
            EXPECT_EQ(fault->textId, c.expected) << c.text;
        }
    }

    CommParams several = CommParams::windowDefaults();
    several.texts[F::PROFINET_NB_OUT] = QStringLiteral("999");
    several.texts[F::S7_Protocol_SM1] = QStringLiteral("x");
    several.texts[F::PROFIBUS_ID_Device] = QStringLiteral("0");
    EXPECT_EQ(Controllo_Dati(several)->textId, TextId::ParGen_ErrorS7commSubNetMask10);
}

} // namespace
