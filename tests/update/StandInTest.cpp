#include "support/TempWorkspace.h"
#include "update/UpdateJob.h"

#include <QProcess>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A bank 1 image with a correct checksum at 0x7FC (the sum of the bytes before it).
QByteArray bank1(char fill = '\x01')
{
    QByteArray bytes(2048, '\0');
    quint32 sum = 0;
    for (int i = 0; i < 0x7FC; ++i) {
        bytes[i] = fill;
        sum += static_cast<unsigned char>(fill);
    }
    for (int i = 0; i < 4; ++i)
        bytes[0x7FC + i] = static_cast<char>(sum >> (8 * i));
    return bytes;
}

struct StandInRun
{
    int exitCode;
    QString report;
};

StandInRun runStandIn(const TempWorkspace &ws)
{
    QProcess program;
    program.setWorkingDirectory(ws.path());
    program.start(QStringLiteral(BRIVANT_BIN_DIR "/Ethernet_Update.exe"), {});
    EXPECT_TRUE(program.waitForFinished(30000));
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput())};
}

// A complete workspace with a good job for option 0.
void writeGoodJob(const TempWorkspace &ws, int option = 0)
{
    ws.write(QStringLiteral("MASTER/Vod52840.sim"), QByteArray(1000, '\x7F'));
    ws.write(QStringLiteral("PROJECTS/P/bin/bank1.bin"), bank1());
    ws.write(QStringLiteral("PROJECTS/P/bin/bank2.bin"), QByteArray(28672, '\0'));
    UpdateJob job;
    job.ipAddressDev = QStringLiteral("127.0.0.1");
    job.updateOption = option;
    job.masterDir = ws.file(QStringLiteral("MASTER"));
    job.projectDir = ws.file(QStringLiteral("PROJECTS/P"));
    job.write(ws.file(QStringLiteral("Ethernet_Update.xml")));
}

void editJob(const TempWorkspace &ws, const char *from, const char *to)
{
    QByteArray xml = ws.read(QStringLiteral("Ethernet_Update.xml"));
    ASSERT_TRUE(xml.contains(from)) << from;
    xml.replace(xml.indexOf(from), qstrlen(from), to);
    ws.write(QStringLiteral("Ethernet_Update.xml"), xml);
}

TEST(StandInTest, GoodJobsPassAndAreLogged)
{
    for (const int option : {0, 1, 2, -1}) {
        TempWorkspace ws;
        writeGoodJob(ws, option);
        const StandInRun run = runStandIn(ws);
        EXPECT_EQ(run.exitCode, 0) << option << run.report.toStdString();
        EXPECT_TRUE(run.report.contains(QStringLiteral("result: OK"))) << option;
        EXPECT_EQ(QString::fromUtf8(ws.read(QStringLiteral("Ethernet_Update.log"))).trimmed(), run.report.trimmed());
    }
}

TEST(StandInTest, FaultyJobsAreReportedWithExitCode1)
{
    struct Case
    {
        const char *name;
        std::function<void(const TempWorkspace &)> spoil;
        const char *fault;
    };
    const Case cases[] = {
        {"no job", [](const TempWorkspace &ws) { QFile::remove(ws.file(QStringLiteral("Ethernet_Update.xml"))); },
         "cannot be read"},
        {"not XML", [](const TempWorkspace &ws) { ws.write(QStringLiteral("Ethernet_Update.xml"), "<Ethernet_Update>"); },
         "not well-formed"},
        {"bank 1 checksum", [](const TempWorkspace &ws) {
             QByteArray b = bank1();
             b[5] = 9;
             ws.write(QStringLiteral("PROJECTS/P/bin/bank1.bin"), b);
         }, "bank 1 checksum"},
        {"bank 2 size", [](const TempWorkspace &ws) { ws.write(QStringLiteral("PROJECTS/P/bin/bank2.bin"), QByteArray(28671, '\0')); },
         "holds 28671 bytes; bank 2 has 28672"},
        {"bank 1 size", [](const TempWorkspace &ws) { ws.write(QStringLiteral("PROJECTS/P/bin/bank1.bin"), bank1() + "x"); },
         "holds 2049 bytes"},
        {"missing element", [](const TempWorkspace &ws) { editJob(ws, "<Ope_Memory_Type>0</Ope_Memory_Type>", ""); },
         "Operation 1 holds the elements"},
        {"wrong port", [](const TempWorkspace &ws) { editJob(ws, "<Boot_Port>2008", "<Boot_Port>2009"); },
         "Boot_Port is '2009'"},
        {"wrong order", [](const TempWorkspace &ws) { editJob(ws, "<Ope_Start_Address>0x07000", "<Ope_Start_Address>0x80000"); },
         "not firmware, bank 1, bank 2"},
        {"no address", [](const TempWorkspace &ws) { editJob(ws, "127.0.0.1", "127.0..1"); },
         "no dotted IPv4 address"},
        {"mixed read-back", [](const TempWorkspace &ws) { editJob(ws, "<Ope_Read_Back>1", "<Ope_Read_Back>0"); },
         "another read-back"},
    };
    for (const Case &c : cases) {
        TempWorkspace ws;
        writeGoodJob(ws);
        c.spoil(ws);
        const StandInRun run = runStandIn(ws);
        EXPECT_EQ(run.exitCode, 1) << c.name;
        EXPECT_TRUE(run.report.contains(QString::fromLatin1(c.fault))) << c.name << ":\n" << run.report.toStdString();
        EXPECT_TRUE(run.report.contains(QStringLiteral("result: FAILED"))) << c.name;
    }
}

} // namespace
