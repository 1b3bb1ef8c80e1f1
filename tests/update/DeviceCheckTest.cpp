#include "UpdateFakes.h"

#include "support/TempWorkspace.h"
#include "update/DeviceCheck.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

TEST(SplitIpAddressTest, AcceptsFourPartsFrom0To255)
{
    struct Case
    {
        const char *text;
        std::optional<AddressParts> parts;
    };
    const Case cases[] = {
        {"192.168.2.205", AddressParts{"192", "168", "2", "205"}},
        {"  192 . 168 .2\t. 205 \n", AddressParts{"192", "168", "2", "205"}},
        {"0.0.0.0", AddressParts{"0", "0", "0", "0"}},
        {"255.255.255.255", AddressParts{"255", "255", "255", "255"}},
        {"127.0.0.010", AddressParts{"127", "0", "0", "010"}},
        // Plain decimal numbers only: the system would read these otherwise, or look them up.
        {"0x0A.0.0.$FF", std::nullopt},
        {"x7f.0.0.1", std::nullopt},
        {"+1.0.0.1", std::nullopt},
        {"1.0.0.0001", std::nullopt},
        {"10.0.0", std::nullopt},
        {"10.0.0.300", std::nullopt},
        {"10.0.0.-1", std::nullopt},
        {"10..0.7", std::nullopt},
        {"10.0.0.7.1", std::nullopt}, // the fourth part takes the rest, which is no integer
        {"a.b.c.d", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Split_IP_Address(QString::fromLatin1(c.text)), c.parts) << c.text;
}

TEST(SplitIpAddressTest, TheDeviceAddressIsBuiltFromTheNumbers)
{
    EXPECT_EQ(Device_Address(QStringLiteral(" 127 .0.0.010")), QStringLiteral("127.0.0.10"));
    EXPECT_EQ(Device_Address(QStringLiteral("192.168.002.205")), QStringLiteral("192.168.2.205"));
    EXPECT_EQ(Device_Address(QStringLiteral("x7f.0.0.1")), std::nullopt);
}

struct PingCase
{
    const char *name;
    std::vector<FakeEchoClient::Answer> answers;
    bool found;
    int pingRes;
    int requests; // -1: as many as fit in the 5 s
};

TEST(SendPingTest, OutcomeFollowsTheReplies)
{
    using F = FakeEchoClient;
    const PingCase cases[] = {
        {"two replies", {F::reply(1024)}, true, 1, 2},
        {"replies need not follow each other", {F::reply(1024), F::timeout(), F::reply(1024)}, true, 1, 3},
        {"replies without data", {F::reply(0)}, false, 2, -1},
        {"silence", {F::timeout()}, false, 2, -1},
        {"one reply, then silence", {F::reply(1024), F::timeout()}, false, 2, -1},
        {"host that cannot be resolved", {F::error("unknown host")}, false, 0, 1},
        {"error after a reply", {F::reply(1024), F::error("network down")}, false, 1, 2},
    };
    for (const PingCase &c : cases) {
        FakeClock clock;
        FakeEchoClient echo(clock);
        echo.script(c.answers);
        const std::int64_t start = clock.nowMs();
        const PingOutcome outcome = Send_Ping(echo, clock, QStringLiteral("10.1.2.3"));
        EXPECT_EQ(outcome.found, c.found) << c.name;
        EXPECT_EQ(outcome.ping_res, c.pingRes) << c.name;
        EXPECT_FALSE(outcome.noSocket) << c.name;
        if (c.requests >= 0) {
            EXPECT_EQ(echo.requests.size(), c.requests) << c.name;
        } else {
            // The check gives up after about 5 s, one 10 ms pause after each attempt.
            const std::int64_t elapsed = clock.nowMs() - start;
            EXPECT_GT(elapsed, kDeviceCheckLimitMs) << c.name;
            EXPECT_LE(elapsed, kDeviceCheckLimitMs + kEchoTimeoutMs + 10) << c.name;
        }
        EXPECT_EQ(clock.eventSleeps, clock.sleeps) << c.name << ": every pause lets the window repaint";
    }
}

TEST(SendPingTest, SendsTheHostTextAsDataWith400MsPerAttempt)
{
    FakeClock clock;
    FakeEchoClient echo(clock);
    echo.script({FakeEchoClient::reply(1024)});
    Send_Ping(echo, clock, QStringLiteral("127.0.0.1"));
    ASSERT_FALSE(echo.requests.isEmpty());
    const FakeEchoClient::Request &r = echo.requests.first();
    EXPECT_EQ(r.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(r.timeoutMs, 400);
    ASSERT_EQ(r.data.size(), 1024);
    EXPECT_TRUE(r.data.startsWith("127.0.0.1"));
    EXPECT_EQ(r.data.count('\0'), 1024 - 9);
}

TEST(SendPingTest, NoIcmpSocketIsReportedAsSuch)
{
    FakeClock clock;
    FakeEchoClient echo(clock);
    echo.script({FakeEchoClient::noSocket()});
    const PingOutcome outcome = Send_Ping(echo, clock, QStringLiteral("127.0.0.1"));
    EXPECT_FALSE(outcome.found);
    EXPECT_TRUE(outcome.noSocket);
    EXPECT_EQ(outcome.errorText, QStringLiteral("no ICMP socket"));
    EXPECT_EQ(echo.requests.size(), 1);
}

TEST(UpdateProgramPathTest, ProgramFolderFirstThenBesideTheConfigurator)
{
    TempWorkspace ws;
    const QString own = ws.mkdir(QStringLiteral("bin"));
    const QString programDir = ws.mkdir(QStringLiteral("work"));
    EXPECT_EQ(Update_Program_Path(programDir, own), QDir(own).filePath(QStringLiteral("Ethernet_Update.exe")));
    ws.write(QStringLiteral("work/Ethernet_Update.exe"), "#");
    EXPECT_EQ(Update_Program_Path(programDir, own), QDir(programDir).filePath(QStringLiteral("Ethernet_Update.exe")));
}

} // namespace
