#include "JobXml.h"

#include "image/ImageCompiler.h"
#include "platform/qt/IcmpEchoClient.h"
#include "platform/qt/QtProcessRunner.h"
#include "platform/qt/SteadyClock.h"
#include "support/TestContext.h"
#include "update/ui/TFBoot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The real launcher, keeping what became of the program.
struct RecordingRunner : ProcessRunner
{
    ProgramRun Start_Program(const QString &NomeSW, const QStringList &arguments, int tipo, const QString &workingDir,
                             int limitMs, ProgramWaitObserver *observer) override
    {
        last = real.Start_Program(NomeSW, arguments, tipo, workingDir, limitMs, observer);
        ++calls;
        return last;
    }
    QtProcessRunner real;
    ProgramRun last;
    int calls = 0;
};

// The update step as the main window runs it, with the real echo client against 127.0.0.1,
// the real launcher and the stand-in update program from build/bin.
class UpdateEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const EchoReply probe = echo.echo(QStringLiteral("127.0.0.1"), QByteArray(8, 'x'), 400);
        if (probe.status == EchoReply::Status::NoSocket)
            GTEST_SKIP() << probe.errorText.toStdString();
        tc.context.services.echo = &echo;
        tc.context.services.clock = &clock;
        tc.context.services.processes = &runner;
        tc.openNewProject(QStringLiteral("Line4"));
        tc.context.settings.Ip_Address = QStringLiteral("127.0.0.1");
    }

    // Compile, write the banks, show the update window and press Btn_Update with `option`.
    void runUpdateStep(int option)
    {
        ImageCompiler compiler;
        compiler.Compile_Banks(tc.context.workspace.ParGen_File, tc.context.workspace.S7_Protocol_File);
        compiler.Write_Bank_Files(tc.context.workspace.Project_Dir);
        TFBoot boot(tc.context);
        boot.Own_Program_Dir = QStringLiteral(BRIVANT_BIN_DIR);
        boot.Form_Type = 1;
        tc.modal.expect([&](QDialog &d) {
            EXPECT_EQ(d.findChild<QLineEdit *>(QStringLiteral("E_IP4"))->text(), QStringLiteral("1"));
            d.findChild<QComboBox *>(QStringLiteral("CB_Update_Options"))->setCurrentIndex(option);
            QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("Btn_Update")), Qt::LeftButton);
        });
        tc.context.services.modal->run(boot);
    }

    QString log() const { return QString::fromUtf8(tc.workspace.read(QStringLiteral("Ethernet_Update.log"))); }

    TestContext tc;
    IcmpEchoClient echo;
    SteadyClock clock;
    RecordingRunner runner;
};

TEST_F(UpdateEndToEndTest, GoodProjectRunsTheUpdateProgramWhichReportsOk)
{
    tc.workspace.write(QStringLiteral("MASTER/Vod52840.sim"), QByteArray(3000, '\x11'));
    runUpdateStep(0);
    ASSERT_EQ(runner.calls, 1);
    EXPECT_EQ(runner.last.outcome, ProgramRun::Outcome::Finished);
    EXPECT_EQ(runner.last.exitCode, 0) << log().toStdString();
    EXPECT_EQ(tc.messages.takeOne(FakeMessageService::Kind::Information), "The update program ended successfully.");
    EXPECT_TRUE(log().contains(QStringLiteral("result: OK"))) << log().toStdString();
    EXPECT_TRUE(log().contains(QStringLiteral("checksum 3466, 0 rules")));
    const QStringList job = Flatten_Xml(tc.workspace.read(QStringLiteral("Ethernet_Update.xml")));
    EXPECT_EQ(Xml_Value(job, QStringLiteral("IP_Address_Dev")), QStringLiteral("127.0.0.1"));
}

TEST_F(UpdateEndToEndTest, FirmwareOnlyWithoutTheFirmwareImageFailsInTheUpdateProgram)
{
    runUpdateStep(1);
    ASSERT_EQ(runner.calls, 1);
    EXPECT_EQ(runner.last.exitCode, 1);
    // The window says so, with the code and the report's path.
    EXPECT_EQ(tc.messages.takeOne(FakeMessageService::Kind::Error),
              "The update failed: the update program ended with exit code 1\nIts report is in "
                  + QDir::toNativeSeparators(tc.workspace.file(QStringLiteral("Ethernet_Update.log"))));
    EXPECT_TRUE(log().contains(QStringLiteral("Vod52840.sim' does not exist"))) << log().toStdString();
    EXPECT_TRUE(log().contains(QStringLiteral("result: FAILED")));
    EXPECT_EQ(tc.context.settings.Update_Option, 1);
}

} // namespace
