#include "gsd/GsdGenerator.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"

#include <gtest/gtest.h>

namespace {

class CliGsdTest : public ::testing::Test
{
protected:
    CliRun gsd(const QString &file, bool force = false)
    {
        QStringList args{QStringLiteral("gsd"), ws.file(QStringLiteral("P")), ws.file(file)};
        if (force)
            args << QStringLiteral("--force");
        return Run_Cli_Captured(args);
    }
    void parGen(int nbIn, int nbOut)
    {
        ws.write(QStringLiteral("P/ParGen.xml"), QStringLiteral("<Par_Gen><PROFINET_NB_IN>%1</PROFINET_NB_IN>"
                                                               "<PROFINET_NB_OUT>%2</PROFINET_NB_OUT></Par_Gen>")
                                                     .arg(nbIn)
                                                     .arg(nbOut)
                                                     .toUtf8());
    }

    TempWorkspace ws;
};

TEST_F(CliGsdTest, WithoutParGenTheWindowMessageAndNoFile)
{
    ws.mkdir(QStringLiteral("P"));
    const CliRun r = gsd(QStringLiteral("Station"));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.err, QByteArray("Error! Please set the Set Communication Parameter before to create the GSD file\n"));
    EXPECT_FALSE(ws.exists(QStringLiteral("Station.gsd")));
}

TEST_F(CliGsdTest, WritesTheFileWithItsExtensionAndKeepsAnExistingOneUnlessForced)
{
    parGen(100, 20);
    CliRun r = gsd(QStringLiteral("Station"));
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, ws.file(QStringLiteral("Station.gsd")).toUtf8() + '\n');
    EXPECT_EQ(ws.read(QStringLiteral("Station.gsd")), GsdGenerator::Build_GSD_Text({20, 100}));

    parGen(244, 244);
    r = gsd(QStringLiteral("Station.gsd"));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("--force")) << r.err.constData();
    EXPECT_EQ(ws.read(QStringLiteral("Station.gsd")), GsdGenerator::Build_GSD_Text({20, 100}));
    r = gsd(QStringLiteral("Station"), true);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(ws.read(QStringLiteral("Station.gsd")), GsdGenerator::Build_GSD_Text({244, 244}));

    EXPECT_EQ(gsd(QStringLiteral("Other.GSD")).exitCode, 0);
    EXPECT_TRUE(ws.exists(QStringLiteral("Other.GSD")));
    EXPECT_FALSE(ws.exists(QStringLiteral("Other.GSD.gsd")));
}

TEST_F(CliGsdTest, BadCountsAndBadFilesAreRefused)
{
    parGen(20, 245);
    CliRun r = gsd(QStringLiteral("Station"));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("PROFINET_NB_OUT holds 245")) << r.err.constData();
    EXPECT_FALSE(ws.exists(QStringLiteral("Station.gsd")));

    ws.write(QStringLiteral("P/ParGen.xml"), "<Par_Gen>");
    r = gsd(QStringLiteral("Station"));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("ParGen.xml")) << r.err.constData();

    parGen(1, 1);
    r = gsd(QStringLiteral("no/such/folder/Station"));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("Station.gsd")) << r.err.constData();
    EXPECT_EQ(Run_Cli_Captured({QStringLiteral("gsd"), ws.file(QStringLiteral("P"))}).exitCode, 2);
}

} // namespace
