#include "JobXml.h"

#include "support/CliRunner.h"
#include "support/TempWorkspace.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

CliTextRun runCli(const QStringList &args)
{
    return Run_Cli_Text(args, QDir::tempPath());
}

TEST(JobCommandTest, WritesTheJobAsTheUpdateWindowDoes)
{
    TempWorkspace ws;
    ws.mkdir("PROJECTS/Line 4");
    const CliTextRun r = runCli({"job", "--workspace", ws.path(), "--project", "Line 4", "--ip", "10.0.0.7",
                                 "--option", "2", "--no-read-back"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString jobFile = QDir(ws.path()).filePath("Ethernet_Update.xml");
    EXPECT_EQ(r.out.trimmed(), jobFile);
    const QStringList flat = Flatten_Xml(ws.read("Ethernet_Update.xml"));
    EXPECT_EQ(Xml_Value(flat, "IP_Address_Dev"), "10.0.0.7");
    EXPECT_EQ(Xml_Value(flat, "Operations/Operation[1]/Ope_FileName"),
              QDir(ws.path()).filePath("PROJECTS/Line 4/bin/bank1.bin"));
    EXPECT_EQ(Xml_Value(flat, "Operations/Operation[2]/Ope_FileName"),
              QDir(ws.path()).filePath("PROJECTS/Line 4/bin/bank2.bin"));
    EXPECT_EQ(Xml_Value(flat, "Operations/Operation[1]/Ope_Read_Back"), "0");
    EXPECT_FALSE(flat.contains("Operations/Operation[3]"));

    ASSERT_EQ(runCli({"job", "--workspace", ws.path(), "--project", "Line 4", "--ip", "10.0.0.7", "--option", "1"})
                      .exitCode,
                      0);
    const QStringList firmware = Flatten_Xml(ws.read("Ethernet_Update.xml"));
    EXPECT_EQ(Xml_Value(firmware, "Operations/Operation[1]/Ope_FileName"),
              QDir(ws.path()).filePath("MASTER/Vod52840.sim"));
    EXPECT_EQ(Xml_Value(firmware, "Operations/Operation[1]/Ope_Read_Back"), "1");
}

TEST(JobCommandTest, RelativeWorkspaceGivesAbsoluteImagePaths)
{
    // The update program runs in the workspace and takes the image paths from the job.
    TempWorkspace ws;
    ws.mkdir("PROJECTS/P");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(ws.path()));
    const CliTextRun r = runCli({"job", "--workspace", ".", "--project", "P", "--ip", "10.0.0.7", "--option", "1"});
    QDir::setCurrent(before);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString firmware = Xml_Value(Flatten_Xml(ws.read("Ethernet_Update.xml")), "Operations/Operation[1]/Ope_FileName");
    EXPECT_EQ(firmware, QDir(QDir(ws.path()).canonicalPath()).filePath("MASTER/Vod52840.sim"));
}

TEST(JobCommandTest, BadCommandLinesWriteNothing)
{
    TempWorkspace ws;
    ws.mkdir("PROJECTS/P");
    ws.write("outside/x", {});
    const QString w = ws.path();
    const QList<QStringList> cases = {
        {"job", "--workspace", w, "--project", "P", "--ip", "10.0.0.7"},
        {"job", "--workspace", w, "--project", "P", "--option", "0"},
        {"job", "--project", "P", "--ip", "10.0.0.7", "--option", "0"},
        {"job", "--workspace", w, "--project", "P", "--ip", "10.0.0.7", "--option", "3"},
        {"job", "--workspace", w, "--project", "P", "--ip", "10.0.0.7", "--option", "00"},
        {"job", "--workspace", w, "--project", "", "--ip", "10.0.0.7", "--option", "0"},
        {"job", "--workspace", w, "--project", "P", "--ip", "10.0.0.7", "--option", "0", "--fast"},
        {"job", "--workspace", w, "--project", "P", "--ip", "10.0.0.7", "--option", "0", "extra"},
        // Nothing may be written outside a workspace, or for a project that is not there.
        {"job", "--workspace", "", "--project", "P", "--ip", "10.0.0.7", "--option", "0"},
        {"job", "--workspace", ws.file("none"), "--project", "P", "--ip", "10.0.0.7", "--option", "0"},
        {"job", "--workspace", w, "--project", "Q", "--ip", "10.0.0.7", "--option", "0"},
        {"job", "--workspace", w, "--project", "..", "--ip", "10.0.0.7", "--option", "0"},
        {"job", "--workspace", w, "--project", "../outside", "--ip", "10.0.0.7", "--option", "0"},
        {"job", "--workspace", w, "--project", "P", "--ip", "10.0.0", "--option", "0"},
        {"job", "--workspace", w, "--project", "P", "--ip", "device.local", "--option", "0"},
        {"job", "--workspace", w, "--project", "P", "--ip", "10.0.0.256", "--option", "0"},
    };
    for (const QStringList &args : cases) {
        const CliTextRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage:")) << r.err.toStdString();
    }
    EXPECT_FALSE(ws.exists("Ethernet_Update.xml"));
}

TEST(JobCommandTest, JobThatCannotBeWrittenFailsWithTheReason)
{
    TempWorkspace ws;
    ws.mkdir("PROJECTS/P");
    ws.mkdir("Ethernet_Update.xml/taken");
    const CliTextRun r = runCli({"job", "--workspace", ws.path(), "--project", "P", "--ip",
                                 "10.0.0.7", "--option", "0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Ethernet_Update.xml")) << r.err.toStdString();
}

} // namespace
