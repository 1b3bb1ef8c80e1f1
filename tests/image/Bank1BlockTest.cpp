#include "common/LittleEndian.h"
#include "commparams/CommParams.h"
#include "image/Bank1Block.h"
#include "image/ImageCompiler.h"
#include "support/TempWorkspace.h"
#include "support/TestFiles.h"
#include "ImageTestFiles.h"

#include <gtest/gtest.h>

namespace {

QByteArray Bytes(const QByteArray &image, qsizetype offset, qsizetype length)
{
    return image.mid(offset, length);
}

// The default block built from the device's field table, independently of the compiler.
QByteArray Expected_Default_Block()
{
    QByteArray b(2048, '\0');
    const auto put = [&](int offset, const char *hex) { b.replace(offset, From_Hex_Text(hex).size(), From_Hex_Text(hex)); };
    put(0x000, "90 D0 03 00");
    put(0x004, "90 D0 03 00");
    put(0x00C, "80 25 00 00");
    put(0x028, "C0 A8 02 CD");
    put(0x02C, "FF FF FF 00");
    put(0x030, "FF FF FF FF");
    put(0x034, "10 27 11 27 11 27");
    put(0x1B4, "08 08 08 08 08 08 08 08");
    put(0x654, "00 00 08 00");
    put(0x7FC, "8A 0D 00 00");
    return b;
}

class Bank1Test : public ::testing::Test
{
protected:
    QString parGen() const { return ws.file(QStringLiteral("ParGen.xml")); }
    QString s7() const { return ws.file(QStringLiteral("S7_Protocol.xml")); }
    QByteArray compile()
    {
        compiler.Compile_Banks(parGen(), s7());
        return compiler.bank1Output();
    }

    TempWorkspace ws;
    ImageCompiler compiler;
};

TEST_F(Bank1Test, EmptyProjectGivesTheDefaultBlockByteForByte)
{
    const QByteArray image = compile();
    EXPECT_EQ(image, Expected_Default_Block()) << Hex_Diff(Expected_Default_Block(), image).toStdString();
    EXPECT_EQ(compiler.checksum(), 3466u);
}

TEST_F(Bank1Test, WorkedChecksumExamples)
{
    CommParams p = CommParams::windowDefaults();
    Write_ParGen(parGen(), p);
    QByteArray image = compile();
    EXPECT_EQ(compiler.checksum(), 3762u);
    EXPECT_EQ(Bytes(image, 0x7FC, 4), From_Hex_Text("B2 0E 00 00"));
    EXPECT_EQ(Bytes(image, 0x028, 12), From_Hex_Text("C0 A8 00 05 FF FF FF 00 FF FF FF FF"));
    EXPECT_EQ(Bytes(image, 0x074, 8), From_Hex_Text("F4 00 00 00 F4 00 00 00"));
    EXPECT_EQ(image[0x081], 10);

    p.gatewayEnabled = true;
    Write_ParGen(parGen(), p);
    ws.write(QStringLiteral("S7_Protocol.xml"),
             S7_Protocol_Xml({kExampleReadRow, kExampleReadRow, Disabled_Read_Row("1.2.3.4")}, {kExampleWriteRow}));
    image = compile();
    EXPECT_EQ(compiler.ruleCount(), 3);
    EXPECT_EQ(compiler.checksum(), 3106u);
    EXPECT_EQ(Bytes(image, 0x7FC, 4), From_Hex_Text("22 0C 00 00"));
    EXPECT_EQ(Bytes(image, 0x030, 4), From_Hex_Text("C0 A8 00 01"));
    EXPECT_EQ(Bytes(image, 0x654, 8), From_Hex_Text("00 00 08 00 03 00 00 00"));
}

TEST_F(Bank1Test, HandEditedValuesAreStoredAsTheDeviceExpects)
{
    ws.write(QStringLiteral("ParGen.xml"),
             "<Par_Gen><S7_Protocol_IP1>300</S7_Protocol_IP1><S7_Protocol_SM4>x</S7_Protocol_SM4>"
             "<PROFIBUS_ID_Device>$1FF</PROFIBUS_ID_Device>"
             "<PROFINET_NB_IN>100</PROFINET_NB_IN><PROFINET_NB_OUT>20</PROFINET_NB_OUT></Par_Gen>");
    QByteArray image = compile();
    EXPECT_EQ(Bytes(image, 0x028, 8), From_Hex_Text("2C A8 00 0A FF FF FF 00")); // 300 -> 44, IP4 missing -> 10
    EXPECT_EQ(Bytes(image, 0x074, 8), From_Hex_Text("14 00 00 00 64 00 00 00"));
    EXPECT_EQ(static_cast<std::uint8_t>(image[0x081]), 0xFF);

    ws.write(QStringLiteral("ParGen.xml"), "<Par_Gen><PROFINET_NB_IN>-2</PROFINET_NB_IN></Par_Gen>");
    image = compile();
    EXPECT_EQ(Bytes(image, 0x074, 8), From_Hex_Text("F4 00 00 00 FE FF FF FF"));
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t *>(image.constData()), 2048);
    std::uint32_t sum = 0;
    for (int i = 0; i < 0x7FC; ++i)
        sum += bytes[i];
    EXPECT_EQ(LittleEndian::getU32(bytes, 0x7FC), sum);
}

} // namespace
