#include "common/Errors.h"
#include "gsd/GsdGenerator.h"
#include "support/TempWorkspace.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

QList<QByteArray> Lines(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "the last line ends with a line break";
    lines.removeLast();
    for (QByteArray &line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << line.constData();
        line.chop(1);
    }
    return lines;
}

QByteArray Text(int input, int output)
{
    return GsdGenerator::Build_GSD_Text({input, output});
}

TEST(GsdGeneratorTest, TenAndTenMatchesTheReviewedFileByteForByte)
{
    const QByteArray expected = Read_Test_Data(QStringLiteral("gsd/io_10_10.gsd"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(Text(10, 10), expected) << Hex_Diff(expected, Text(10, 10)).toStdString();
}

TEST(GsdGeneratorTest, FixedFrameHasItsLengthsAndAsciiOnly)
{
    const QList<QByteArray> lines = Lines(Text(244, 244));
    ASSERT_GE(lines.size(), 189);
    for (int n = 2; n <= 21; ++n)
        EXPECT_EQ(lines[n - 1].size(), 85) << "line " << n;
    const std::pair<int, int> ruleLines[] = {{27, 85}, {28, 85}, {29, 85}, {50, 86}, {51, 86}, {52, 86},
                                             {87, 86}, {88, 86}, {89, 86}, {106, 79}, {107, 79}, {134, 79},
                                             {165, 79}, {171, 79}, {186, 79}, {187, 79}, {188, 79}};
    for (const auto &[n, length] : ruleLines)
        EXPECT_EQ(lines[n - 1].size(), length) << "line " << n;
    EXPECT_EQ(lines[4], QByteArray(";* Vendor:   Norvalt").leftJustified(84, ' ') + '*');
    for (int n = 6; n <= 11; ++n)
        EXPECT_TRUE(lines[n - 1].startsWith(";*           ") && lines[n - 1].at(13) != ' ') << "line " << n;
    EXPECT_TRUE(lines[8].startsWith(";*           Tel. : "));
    EXPECT_TRUE(lines[9].startsWith(";*           FAX. : "));
    EXPECT_TRUE(lines[10].startsWith(";*           eMail: "));
    EXPECT_EQ(lines[23], "#Profibus_DP");
    EXPECT_EQ(lines[188], "");
    for (const QByteArray &line : lines)
        EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) << line.constData();
}

TEST(GsdGeneratorTest, ModulesSlotsAndLengthsFollowTheCounts)
{
    struct Case
    {
        int input, output;
        QList<QByteArray> modules;
    };
    const Case cases[] = {
        {244, 244,
         {R"(Module="DI  (PORT1)    " 0x42,0x3F,0x00,0x01)", R"(Module="DI  (PORT2)    " 0x42,0x3F,0x00,0x02)",
          R"(Module="DI  (PORT3)    " 0x42,0x3F,0x00,0x03)", R"(Module="DI  (PORT4)    " 0x42,0x33,0x00,0x04)",
          R"(Module="DO  (PORT5)    " 0x82,0x3F,0x00,0x05)", R"(Module="DO  (PORT6)    " 0x82,0x3F,0x00,0x06)",
          R"(Module="DO  (PORT7)    " 0x82,0x3F,0x00,0x07)", R"(Module="DO  (PORT8)    " 0x82,0x33,0x00,0x08)"}},
        {100, 0, {R"(Module="DI  (PORT1)    " 0x42,0x3F,0x00,0x01)", R"(Module="DI  (PORT2)    " 0x42,0x23,0x00,0x02)"}},
        {64, 65,
         {R"(Module="DI  (PORT1)    " 0x42,0x3F,0x00,0x01)", R"(Module="DO  (PORT2)    " 0x82,0x3F,0x00,0x02)",
          R"(Module="DO  (PORT3)    " 0x82,0x00,0x00,0x03)"}},
        {0, 0, {}},
        {10, 10, {R"(Module="DI  (PORT1)    " 0x42,0x09,0x00,0x01)", R"(Module="DO  (PORT2)    " 0x82,0x09,0x00,0x02)"}},
        {0, 1, {R"(Module="DO  (PORT1)    " 0x82,0x00,0x00,0x01)"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.input << "/" << c.output);
        const QList<QByteArray> lines = Lines(Text(c.input, c.output));
        const int n = static_cast<int>(c.modules.size());
        ASSERT_EQ(lines.size(), 198 + 4 * n);
        EXPECT_EQ(lines[152], "Max_Module=" + QByteArray::number(n));
        EXPECT_EQ(lines[153], "Modul_Offset=1");
        EXPECT_EQ(lines[154], "Max_Input_Len=" + QByteArray::number(c.input));
        EXPECT_EQ(lines[155], "Max_Output_Len=" + QByteArray::number(c.output));
        EXPECT_EQ(lines[156], "Max_Data_Len=" + QByteArray::number(c.input + c.output));
        EXPECT_EQ(lines[157], "Max_Diag_Data_Len=15");
        QList<QByteArray> expected;
        for (int i = 0; i < n; ++i)
            expected << c.modules[i] << QByteArray::number(i + 1) << "EndModule";
        expected << "" << "" << "" << "SlotDefinition";
        for (int s = 1; s <= n; ++s)
            expected << QStringLiteral("Slot(%1) = \"Slot %1\" %1 %1").arg(s).toLatin1();
        expected << "EndSlotDefinition" << "" << "" << "" << "";
        EXPECT_EQ(lines.mid(189), expected);
    }
}

TEST(GsdGeneratorTest, CountsOutsideTheDeviceRangeAreRefusedAndNothingIsWritten)
{
    TempWorkspace ws;
    const QString file = ws.file(QStringLiteral("Station.gsd"));
    for (const auto &[input, output, element] : {std::tuple{245, 0, "PROFINET_NB_OUT"}, std::tuple{0, -1, "PROFINET_NB_IN"},
                                                 std::tuple{2000000000, 0, "PROFINET_NB_OUT"}}) {
        try {
            GsdGenerator::Write_GSD_File(file, {input, output});
            FAIL() << "no error";
        } catch (const ValueError &e) {
            EXPECT_TRUE(e.text().contains(QLatin1String(element))) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QString::number(input == 0 ? output : input))) << e.text().toStdString();
        }
        EXPECT_FALSE(ws.exists(QStringLiteral("Station.gsd")));
    }
    GsdGenerator::Write_GSD_File(file, {244, 0});
    EXPECT_EQ(ws.read(QStringLiteral("Station.gsd")), Text(244, 0));
}

TEST(GsdGeneratorTest, CountsComeFromParGenCrossedOver)
{
    TempWorkspace ws;
    const QString path = ws.write(QStringLiteral("ParGen.xml"),
                                  "<Par_Gen><PROFINET_NB_IN>100</PROFINET_NB_IN><PROFINET_NB_OUT>20</PROFINET_NB_OUT></Par_Gen>");
    GsdGenerator::Counts c = GsdGenerator::Read_Gsd_Counts(path);
    EXPECT_EQ(c.inputLength, 20);
    EXPECT_EQ(c.outputLength, 100);
    ws.write(QStringLiteral("ParGen.xml"), "<Par_Gen><PROFINET_NB_IN>1O</PROFINET_NB_IN></Par_Gen>");
    c = GsdGenerator::Read_Gsd_Counts(path);
    EXPECT_EQ(c.inputLength, 0);
    EXPECT_EQ(c.outputLength, 0);
    ws.write(QStringLiteral("ParGen.xml"), "<Par_Gen>");
    EXPECT_THROW(GsdGenerator::Read_Gsd_Counts(path), XmlError);
}

TEST(GsdGeneratorTest, GsdExtensionIsAppendedUnlessPresentInAnyCase)
{
    const std::pair<const char *, const char *> cases[] = {{"Station", "Station.gsd"},
                                                           {"Station.GSD", "Station.GSD"},
                                                           {"Station.Gsd", "Station.Gsd"},
                                                           {"Station.gsd.txt", "Station.gsd.txt.gsd"},
                                                           {"/a.gsd/b", "/a.gsd/b.gsd"}};
    for (const auto &[in, out] : cases)
        EXPECT_EQ(GsdGenerator::With_Gsd_Extension(QString::fromLatin1(in)), QString::fromLatin1(out));
}

} // namespace
