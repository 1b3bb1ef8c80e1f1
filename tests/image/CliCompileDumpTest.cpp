#include "commparams/CommParams.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"
#include "support/TestFiles.h"
#include "ImageTestFiles.h"

#include <gtest/gtest.h>

namespace {

class CliCompileDumpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CommParams p = CommParams::windowDefaults();
        p.gatewayEnabled = true;
        ws.mkdir(QStringLiteral("P"));
        Write_ParGen(ws.file(QStringLiteral("P/ParGen.xml")), p);
        ws.write(QStringLiteral("P/S7_Protocol.xml"),
                 S7_Protocol_Xml({kExampleReadRow, Disabled_Read_Row("bad"), kExampleReadRow}, {kExampleWriteRow}));
    }
    CliRun run(const QStringList &args) { return Run_Cli_Captured(args); }
    QString project() const { return ws.file(QStringLiteral("P")); }

    TempWorkspace ws;
};

TEST_F(CliCompileDumpTest, CompileWritesBothImagesAndSummarises)
{
    const CliRun r = run({QStringLiteral("compile"), project()});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.isEmpty());
    EXPECT_TRUE(r.out.startsWith("3 rules, checksum 3106: ")) << r.out.constData();
    EXPECT_EQ(r.out.count('\n'), 1);
    EXPECT_EQ(ws.read(QStringLiteral("P/bin/bank1.bin")).mid(0x7FC), From_Hex_Text("22 0C 00 00"));
    const QByteArray bank2 = ws.read(QStringLiteral("P/bin/bank2.bin"));
    ASSERT_EQ(bank2.size(), 28672);
    EXPECT_EQ(bank2.left(84), From_Hex_Text(kExampleReadEntry) + From_Hex_Text(kExampleReadEntry) + From_Hex_Text(kExampleWriteEntry));
}

TEST_F(CliCompileDumpTest, CompileErrorsGoToStderrAndLeaveTheImages)
{
    ASSERT_EQ(run({QStringLiteral("compile"), project()}).exitCode, 0);
    const QByteArray bank1 = ws.read(QStringLiteral("P/bin/bank1.bin"));
    const QByteArray bank2 = ws.read(QStringLiteral("P/bin/bank2.bin"));

    struct Case
    {
        const char *file;
        QByteArray content;
        const char *inMessage;
    };
    const Case cases[] = {
        {"P/S7_Protocol.xml", "<S7_Protocol><S7_Protocol_Read/>", "S7_Protocol.xml"},
        {"P/S7_Protocol.xml", "<S7_Protocol><S7_Protocol_Read/></S7_Protocol>", "S7_Protocol_Write"},
        {"P/S7_Protocol.xml", S7_Protocol_Xml(QList<QByteArray>(600, R"(Enable="Y")"), QList<QByteArray>(425, R"(Enable="Y")")), "1025"},
        {"P/ParGen.xml", "<Par_Gen><PROFINET_NB_IN>", "ParGen.xml"},
    };
    for (const Case &c : cases) {
        const QByteArray old = ws.read(QString::fromLatin1(c.file));
        ws.write(QString::fromLatin1(c.file), c.content);
        const CliRun r = run({QStringLiteral("compile"), project()});
        EXPECT_NE(r.exitCode, 0) << c.inMessage;
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(c.inMessage)) << r.err.constData();
        EXPECT_EQ(ws.read(QStringLiteral("P/bin/bank1.bin")), bank1);
        EXPECT_EQ(ws.read(QStringLiteral("P/bin/bank2.bin")), bank2);
        ws.write(QString::fromLatin1(c.file), old);
    }
    EXPECT_EQ(run({QStringLiteral("compile")}).exitCode, 2);
    EXPECT_EQ(run({QStringLiteral("compile"), project(), QStringLiteral("extra")}).exitCode, 2);
    const CliRun missing = run({QStringLiteral("compile"), ws.file(QStringLiteral("nowhere"))});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_FALSE(ws.exists(QStringLiteral("nowhere")));
}

TEST_F(CliCompileDumpTest, DumpDecodesBothImagesBackToTheProjectTexts)
{
    ASSERT_EQ(run({QStringLiteral("compile"), project()}).exitCode, 0);
    const CliRun b1 = run({QStringLiteral("dump"), ws.file(QStringLiteral("P/bin/bank1.bin"))});
    EXPECT_EQ(b1.exitCode, 0) << b1.out.constData();
    for (const char *line : {"IP address: 192.168.0.5\n", "Subnet mask: 255.255.255.0\n", "Gateway: 192.168.0.1\n",
                             "PROFIBUS station address: 10\n", "Number byte in (PROFINET_NB_IN): 244\n",
                             "Rules in bank 2: 3\n", "Reserved bytes: all zero\n", "Checksum: 3106 (0x00000C22), verified\n"})
        EXPECT_TRUE(b1.out.contains(line)) << line << b1.out.constData();

    const CliRun b2 = run({QStringLiteral("dump"), ws.file(QStringLiteral("P/bin/bank2.bin"))});
    EXPECT_EQ(b2.exitCode, 0) << b2.out.constData();
    const QList<QByteArray> lines = b2.out.split('\n');
    ASSERT_EQ(lines.size(), 6) << b2.out.constData(); // title, 3 entries, total, final break
    // Every attribute of the example rules but Enable and Mnemonic comes back as written.
    const auto fields = [](QByteArray row) {
        QByteArrayList out;
        for (QByteArray &pair : row.replace("\" ", "\"\n").split('\n')) {
            if (!pair.startsWith("Enable=") && !pair.startsWith("Mnemonic="))
                out << pair.replace("\"", "");
        }
        return out.join(", ");
    };
    EXPECT_EQ(lines[1], "entry 0 read: " + fields(kExampleReadRow));
    EXPECT_EQ(lines[3], "entry 2 write: " + fields(kExampleWriteRow));
    EXPECT_EQ(lines[4], "3 rules (2 read, 1 write)");
}

TEST_F(CliCompileDumpTest, DumpFlagsDamagedImages)
{
    ASSERT_EQ(run({QStringLiteral("compile"), project()}).exitCode, 0);
    QByteArray bank1 = ws.read(QStringLiteral("P/bin/bank1.bin"));
    bank1[0x100] = 1;
    const CliRun damaged = run({QStringLiteral("dump"), ws.write(QStringLiteral("damaged1.bin"), bank1)});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_TRUE(damaged.out.contains("Reserved bytes: 1 not zero")) << damaged.out.constData();
    EXPECT_TRUE(damaged.out.contains("Checksum: 3106 (0x00000C22), WRONG: the bytes sum to 3107")) << damaged.out.constData();

    QByteArray bank2 = ws.read(QStringLiteral("P/bin/bank2.bin"));
    bank2[19] = 99; // PLC type of entry 0
    const CliRun badCode = run({QStringLiteral("dump"), ws.write(QStringLiteral("damaged2.bin"), bank2)});
    EXPECT_EQ(badCode.exitCode, 1);
    EXPECT_TRUE(badCode.out.contains("PLC_Type=?")) << badCode.out.constData();
    EXPECT_TRUE(badCode.out.contains("[unknown PLC type code 99]")) << badCode.out.constData();

    const CliRun wrongSize = run({QStringLiteral("dump"), ws.write(QStringLiteral("x.bin"), QByteArray(100, '\0'))});
    EXPECT_EQ(wrongSize.exitCode, 1);
    EXPECT_TRUE(wrongSize.err.contains("100 bytes")) << wrongSize.err.constData();
    EXPECT_NE(run({QStringLiteral("dump"), ws.file(QStringLiteral("none.bin"))}).exitCode, 0);
}

} // namespace
