#include "JobXml.h"
#include "UpdateFakes.h"

#include "cli/CliIo.h"
#include "cli/CmdUpdate.h"
#include "platform/qt/IcmpEchoClient.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// A workspace with one project folder "P" and, when asked, the firmware image.
struct UpdateWorkspace
{
    explicit UpdateWorkspace(bool withFirmware = true)
    {
        ws.mkdir(QStringLiteral("PROJECTS/P/bin"));
        ws.mkdir(QStringLiteral("MASTER"));
        if (withFirmware)
            ws.write(QStringLiteral("MASTER/Vod52840.sim"), QByteArray(4096, '\x5A'));
    }
    QString project() const { return ws.file(QStringLiteral("PROJECTS/P")); }
    TempWorkspace ws;
};

class UpdateCommandTest : public ::testing::Test
{
protected:
    CliTextRun run(const QStringList &args)
    {
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        CliIo io{out, err, w.ws.path()};
        UpdateCommandServices services{echo, clock, processes, w.ws.file(QStringLiteral("own"))};
        const int code = Run_Update_Command(args, io, services);
        return {code, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
    }

    UpdateWorkspace w;
    FakeClock clock;
    FakeEchoClient echo{clock};
    FakeProcessRunner processes;
};

TEST_F(UpdateCommandTest, BadCommandLinesDoNothing)
{
    const QString p = w.project();
    const QList<QStringList> cases = {
        {"--ip", "127.0.0.1"},
        {p},
        {p, "--ip", "10.0.0"},
        {p, "--ip", "10.0.0.300"},
        {p, "--ip", "localhost"},
        {p, "--ip", "x7f.0.0.1"},
        {p, "--ip", "0x7f.0.0.1"},
        {"", "--ip", "127.0.0.1"},
        {p, "--ip", "127.0.0.1", "--workspace", ""},
        {p, "--ip", "127.0.0.1", "--option", "3"},
        {p, "--ip", "127.0.0.1", "--read-back"},
        {p, p, "--ip", "127.0.0.1"},
    };
    for (const QStringList &args : cases) {
        const CliTextRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("usage:"))) << r.err.toStdString();
    }
    EXPECT_TRUE(echo.requests.isEmpty());
    EXPECT_FALSE(w.ws.exists(QStringLiteral("PROJECTS/P/bin/bank1.bin")));
}

TEST_F(UpdateCommandTest, EachFailingStepStopsWithItsMessage)
{
    struct Case
    {
        const char *name;
        std::vector<FakeEchoClient::Answer> echo;
        ProgramRun program;
        const char *message;
        bool jobWritten;
    };
    using O = ProgramRun::Outcome;
    const Case cases[] = {
        {"device silent", {FakeEchoClient::timeout()}, {}, "Device Not Found! (10.1.2.3 gave no reply)", false},
        {"no reply data", {FakeEchoClient::reply(0)}, {}, "Device Not Found!", false},
        {"send error", {FakeEchoClient::error("Network is unreachable")}, {}, "Error!!! Check the Ip Address (Network is unreachable)", false},
        {"no ICMP socket", {FakeEchoClient::noSocket()}, {}, "no ICMP socket", false},
        {"program missing", {FakeEchoClient::reply(1024)}, {O::NotStarted, -1, 0, "no such file"}, "could not be started: no such file", true},
        {"program failed", {FakeEchoClient::reply(1024)}, {O::Finished, 1, 7, {}}, "ended with exit code 1", true},
        {"program crashed", {FakeEchoClient::reply(1024)}, {O::Finished, -1, 7, {}}, "crashed", true},
        {"program too slow", {FakeEchoClient::reply(1024)}, {O::TimedOut, -1, 7, {}}, "still running after 150 seconds", true},
    };
    for (const Case &c : cases) {
        QFile::remove(w.ws.file(QStringLiteral("Ethernet_Update.xml")));
        echo.script(c.echo);
        processes.onStart = [&](ProgramWaitObserver *) { return c.program; };
        const CliTextRun r = run({w.project(), "--ip", " 10 .1.2. 03", "--option", "2"});
        EXPECT_EQ(r.exitCode, 1) << c.name;
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << c.name << ": " << r.err.toStdString();
        EXPECT_EQ(w.ws.exists(QStringLiteral("Ethernet_Update.xml")), c.jobWritten) << c.name;
        EXPECT_EQ(QFileInfo(w.ws.file(QStringLiteral("PROJECTS/P/bin/bank2.bin"))).size(), 28672) << c.name;
    }
    EXPECT_EQ(echo.requests.first().host, QStringLiteral("10.1.2.3"));
    ASSERT_FALSE(processes.calls.isEmpty());
    const FakeProcessRunner::Call &call = processes.calls.first();
    EXPECT_EQ(call.program, QDir(w.ws.file(QStringLiteral("own"))).filePath(QStringLiteral("Ethernet_Update.exe")));
    EXPECT_TRUE(call.arguments.isEmpty());
    EXPECT_EQ(call.workingDir, QDir::toNativeSeparators(w.ws.path()));
}

TEST_F(UpdateCommandTest, CompileErrorKeepsTheBankFilesAndChecksNoDevice)
{
    w.ws.write(QStringLiteral("PROJECTS/P/bin/bank1.bin"), "old");
    w.ws.write(QStringLiteral("PROJECTS/P/S7_Protocol.xml"), "<S7_Protocol><S7_Protocol_Read>");
    const CliTextRun r = run({w.project(), "--ip", "127.0.0.1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("compile failed"))) << r.err.toStdString();
    EXPECT_EQ(w.ws.read(QStringLiteral("PROJECTS/P/bin/bank1.bin")), "old");
    EXPECT_TRUE(echo.requests.isEmpty());

    const CliTextRun missing = run({w.ws.file(QStringLiteral("PROJECTS/Q")), "--ip", "127.0.0.1"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("does not exist")));
}

// The real command: brivant-cli compiles, pings 127.0.0.1, writes the job and runs the
// stand-in update program from build/bin.
class UpdateCommandEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const EchoReply probe = IcmpEchoClient().echo(QStringLiteral("127.0.0.1"), QByteArray(8, 'x'), 400);
        if (probe.status == EchoReply::Status::NoSocket)
            GTEST_SKIP() << probe.errorText.toStdString();
    }

    static CliTextRun runCli(const QStringList &args)
    {
        QProcess cli;
        cli.start(QStringLiteral(BRIVANT_BIN_DIR "/brivant-cli"), args);
        EXPECT_TRUE(cli.waitForFinished(60000));
        return {cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput()),
                QString::fromUtf8(cli.readAllStandardError())};
    }
};

TEST_F(UpdateCommandEndToEnd, GoodJobRunsTheUpdateProgramToTheEnd)
{
    UpdateWorkspace w;
    const CliTextRun r = runCli({"update", w.project(), "--ip", "127.0.0.1", "--workspace", w.ws.path()});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("device 127.0.0.1 answered")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("bank 1 ")) && r.out.contains(QStringLiteral("checksum 3466, 0 rules")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("result: OK"))) << r.out.toStdString();
    EXPECT_TRUE(QString::fromUtf8(w.ws.read(QStringLiteral("Ethernet_Update.log"))).contains(QStringLiteral("result: OK")));
}

TEST_F(UpdateCommandEndToEnd, MissingFirmwareFailsInTheUpdateProgram)
{
    UpdateWorkspace w(false);
    const CliTextRun r = runCli({"update", w.project(), "--ip", "127.0.0.1", "--option", "1", "--no-read-back",
                                 "--workspace", w.ws.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Vod52840.sim' does not exist"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("result: FAILED")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("exit code 1"))) << r.err.toStdString();
}

} // namespace
