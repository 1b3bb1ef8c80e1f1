#include "JobXml.h"

#include "common/Errors.h"
#include "support/TempWorkspace.h"
#include "update/UpdateJob.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

QStringList operationLines(int n, const QString &file, const char *start, const char *bank,
                           const char *readBack, const char *css, const char *goToApp)
{
    const QString p = QStringLiteral("Operations/Operation[%1]").arg(n);
    QStringList lines{p};
    const auto add = [&](const char *name, const QString &text) {
        lines.append(p + QLatin1Char('/') + QLatin1String(name) + QLatin1Char('=') + text);
    };
    const auto addL = [&](const char *name, const char *text) { add(name, QString::fromLatin1(text)); };
    addL("Ope_Protection_Enabled", "");
    addL("Ope_GoToBoot_Before", "0");
    addL("Ope_GoToApp_Before", "0");
    addL("Ope_IP_Address", "");
    addL("Ope_Port", "2008");
    addL("Ope_Port_Sec", "2007");
    addL("Ope_Erase_Memory", "0");
    add("Ope_FileName", file);
    addL("Ope_Start_Address", start);
    addL("Ope_Memory_Type", "0");
    addL("Ope_Bank_Type", bank);
    addL("Ope_Read_Back", readBack);
    addL("Ope_Write_CSS", css);
    addL("Ope_Address_CSS", "0x07A00");
    addL("Ope_Command_CSS", "0x02");
    addL("Ope_Write_Internal_Data", "0");
    addL("Ope_WID_Address", "0x07810");
    addL("Ope_WID_Command", "0x02");
    addL("Ope_WID_Data", "0x00, 0x00, 0x00, 0x01");
    addL("Ope_GoToApp_After", goToApp);
    return lines;
}

UpdateJob sampleJob(int option, bool readBack)
{
    UpdateJob job;
    job.ipAddressDev = QStringLiteral("192.168.2.205");
    job.updateOption = option;
    job.readBack = readBack;
    job.masterDir = QStringLiteral("/opt/conf/MASTER");
    job.projectDir = QStringLiteral("/opt/conf/PROJECTS/Line 4");
    return job;
}

TEST(UpdateJobTest, FirmwareAndConfigurationGivesTheCompleteTree)
{
    QStringList expected{
        QStringLiteral("Ethernet_Update"),
        QStringLiteral("Version=1000"),
        QStringLiteral("Title=Norvalt - ZE52840 Ethernet Update"),
        QStringLiteral("IP_Address_Dev=192.168.2.205"),
        QStringLiteral("Application_Port=10000"),
        QStringLiteral("Boot_Port=2008"),
        QStringLiteral("Boot_Port_Sec=2007"),
        QStringLiteral("Address_Protection=0x07800"),
        QStringLiteral("Protections"),
        QStringLiteral("Protections/Protection=0x3A7"),
        QStringLiteral("Operations"),
    };
    expected += operationLines(1, QStringLiteral("/opt/conf/MASTER/Vod52840.sim"), "0x8000", "1", "1", "1", "0");
    expected += operationLines(2, QStringLiteral("/opt/conf/PROJECTS/Line 4/bin/bank1.bin"), "0x07000", "2", "1", "0", "0");
    expected += operationLines(3, QStringLiteral("/opt/conf/PROJECTS/Line 4/bin/bank2.bin"), "0x80000", "2", "1", "0", "1");
    EXPECT_EQ(Flatten_Xml(sampleJob(0, true).toXml()), expected);
}

TEST(UpdateJobTest, OptionChoosesTheOperationsAndTheLastOneReturnsToTheApplication)
{
    struct Case
    {
        int option;
        bool readBack;
        QStringList startAddresses;
        QStringList goToApp;
    };
    const Case cases[] = {
        {0, false, {"0x8000", "0x07000", "0x80000"}, {"0", "0", "1"}},
        {1, false, {"0x8000"}, {"1"}},
        {2, true, {"0x07000", "0x80000"}, {"0", "1"}},
        {-1, true, {}, {}},
    };
    for (const Case &c : cases) {
        const QStringList flat = Flatten_Xml(sampleJob(c.option, c.readBack).toXml());
        QStringList starts, goTo;
        for (int n = 1; n <= 3; ++n) {
            const QString p = QStringLiteral("Operations/Operation[%1]/").arg(n);
            if (Xml_Value(flat, p + QStringLiteral("Ope_Start_Address")).isNull())
                continue;
            starts << Xml_Value(flat, p + QStringLiteral("Ope_Start_Address"));
            goTo << Xml_Value(flat, p + QStringLiteral("Ope_GoToApp_After"));
            EXPECT_EQ(Xml_Value(flat, p + QStringLiteral("Ope_Read_Back")), c.readBack ? "1" : "0");
        }
        EXPECT_EQ(starts, c.startAddresses) << "option " << c.option;
        EXPECT_EQ(goTo, c.goToApp) << "option " << c.option;
        EXPECT_TRUE(flat.contains(QStringLiteral("Operations")) || flat.contains(QStringLiteral("Operations=")))
            << "option " << c.option;
    }
}

TEST(UpdateJobTest, ASecondJobReplacesTheFirstCompletely)
{
    TempWorkspace ws;
    const QString file = ws.file(QStringLiteral("Ethernet_Update.xml"));
    sampleJob(0, true).write(file);
    UpdateJob second = sampleJob(1, false);
    second.ipAddressDev = QStringLiteral("127.0.0.1");
    second.write(file);
    const QStringList flat = Flatten_Xml(ws.read(QStringLiteral("Ethernet_Update.xml")));
    EXPECT_EQ(Xml_Value(flat, QStringLiteral("IP_Address_Dev")), QStringLiteral("127.0.0.1"));
    EXPECT_FALSE(flat.contains(QStringLiteral("Operations/Operation[2]")));
    EXPECT_EQ(Xml_Value(flat, QStringLiteral("Operations/Operation[1]/Ope_GoToApp_After")), QStringLiteral("1"));
}

TEST(UpdateJobTest, AddressThatXmlCannotCarryIsRefusedAndTheOldJobStays)
{
    TempWorkspace ws;
    const QString file = ws.file(QStringLiteral("Ethernet_Update.xml"));
    sampleJob(2, true).write(file);
    const QByteArray before = ws.read(QStringLiteral("Ethernet_Update.xml"));
    UpdateJob bad = sampleJob(0, true);
    bad.ipAddressDev = QStringLiteral("192.168.2.\x01" "205");
    EXPECT_THROW(bad.write(file), ValueError);
    EXPECT_EQ(ws.read(QStringLiteral("Ethernet_Update.xml")), before);
}

TEST(UpdateJobTest, UnwritableJobFileThrowsFileError)
{
    TempWorkspace ws;
    EXPECT_THROW(sampleJob(0, true).write(ws.file(QStringLiteral("missing/Ethernet_Update.xml"))), FileError);
}

} // namespace
