#include "platform/qt/IcmpEchoClient.h"
#include "platform/qt/QtProcessRunner.h"
#include "support/TempWorkspace.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kHelper = QStringLiteral(BRIVANT_START_HELPER);

// Records what the runner reports while it waits.
struct RecordingObserver : ProgramWaitObserver
{
    void waitStarted(const QString &program) override { started = program; }
    void waiting(qint64 elapsedMs) override
    {
        ++ticks;
        lastElapsed = elapsedMs;
    }
    void waitEnded() override { ended = true; }
    QString started;
    int ticks = 0;
    qint64 lastElapsed = -1;
    bool ended = false;
};

QByteArray processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 ? QByteArray() : line.mid(close + 2, 1);
}

TEST(QtProcessRunnerTest, ProgramThatEndsReturnsAtOnceWithItsExitCode)
{
    QtProcessRunner runner;
    QElapsedTimer timer;
    timer.start();
    const ProgramRun run = runner.Start_Program(kHelper, {"exit", "3"}, 0, QString());
    // Far below the 150 s limit: the call came back when the program ended.
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(run.outcome, ProgramRun::Outcome::Finished);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_GT(run.pid, 0);
}

TEST(QtProcessRunnerTest, ArgumentsReachTheProgramLiterallyInItsWorkingFolder)
{
    TempWorkspace ws;
    const QString work = ws.mkdir(QStringLiteral("work dir"));
    const QString out = ws.file(QStringLiteral("record.txt"));
    const QStringList args{"record", out, "two words", "$(touch pwned); *", "", "'quoted'"};
    const ProgramRun run = QtProcessRunner().Start_Program(kHelper, args, 1, work);
    ASSERT_EQ(run.outcome, ProgramRun::Outcome::Finished);
    EXPECT_EQ(run.exitCode, 0);
    const QStringList lines = QString::fromUtf8(ws.read(QStringLiteral("record.txt"))).split('\n');
    EXPECT_EQ(QFileInfo(lines.value(0)).canonicalFilePath(), QFileInfo(work).canonicalFilePath());
    EXPECT_EQ(lines.mid(1, 4), (QStringList{"two words", "$(touch pwned); *", "", "'quoted'"}));
    EXPECT_FALSE(QFileInfo::exists(QDir(work).filePath(QStringLiteral("pwned"))));
}

TEST(QtProcessRunnerTest, FileThatCannotBeStartedReturnsAtOnce)
{
    TempWorkspace ws;
    const QString plain = ws.write(QStringLiteral("plain.txt"), "not a program");
    struct Case
    {
        const char *name;
        QString program;
        QString workingDir;
    };
    const Case cases[] = {
        {"missing file", ws.file(QStringLiteral("missing.exe")), {}},
        {"not executable", plain, {}},
        {"a folder", ws.path(), {}},
        {"no program", QString(), {}},
        {"bare name is not looked up in PATH", QStringLiteral("true"), {}},
        {"missing working folder", kHelper, ws.file(QStringLiteral("gone"))},
    };
    for (const Case &c : cases) {
        RecordingObserver observer;
        QElapsedTimer timer;
        timer.start();
        const ProgramRun run = QtProcessRunner().Start_Program(c.program, {"exit", "0"}, 0, c.workingDir,
                                                               ProcessRunner::kDefaultLimitMs, &observer);
        EXPECT_LT(timer.elapsed(), 2000) << c.name;
        EXPECT_EQ(run.outcome, ProgramRun::Outcome::NotStarted) << c.name;
        EXPECT_FALSE(run.errorText.isEmpty()) << c.name;
        EXPECT_TRUE(observer.started.isEmpty()) << c.name << ": nothing to wait for";
    }
}

TEST(QtProcessRunnerTest, ProgramThatOutlivesTheLimitKeepsRunningAndIsReapedWhenItEnds)
{
    RecordingObserver observer;
    QElapsedTimer timer;
    timer.start();
    const ProgramRun run = QtProcessRunner().Start_Program(kHelper, {"sleep", "1500"}, 1, QString(), 200, &observer);
    const qint64 returnedAfter = timer.elapsed();
    ASSERT_EQ(run.outcome, ProgramRun::Outcome::TimedOut);
    EXPECT_GE(returnedAfter, 200);
    EXPECT_LT(returnedAfter, 1500);
    EXPECT_EQ(observer.started, QFileInfo(kHelper).fileName());
    EXPECT_GT(observer.ticks, 5);
    EXPECT_GE(observer.lastElapsed, 100);
    EXPECT_TRUE(observer.ended);

    // Still running, not a zombie.
    const QByteArray state = processState(run.pid);
    EXPECT_FALSE(state.isEmpty());
    EXPECT_NE(state, "Z");
    // Once it ends, the event loop reaps it: its /proc entry disappears.
    EXPECT_TRUE(QTest::qWaitFor([&] { return processState(run.pid).isEmpty(); }, 10000))
        << "state " << processState(run.pid).constData();
}

TEST(IcmpEchoClientTest, LoopbackAnswersWithTheData)
{
    IcmpEchoClient client;
    const QByteArray data(1024, 'x');
    const EchoReply reply = client.echo(QStringLiteral("127.0.0.1"), data, 400);
    if (reply.status == EchoReply::Status::NoSocket)
        GTEST_SKIP() << reply.errorText.toStdString();
    ASSERT_EQ(reply.status, EchoReply::Status::Reply) << reply.errorText.toStdString();
    EXPECT_EQ(reply.receivedBytes, 1024);
}

TEST(IcmpEchoClientTest, EmptyHostIsAnErrorWithoutTraffic)
{
    const EchoReply reply = IcmpEchoClient().echo(QString(), QByteArray(16, 'x'), 400);
    if (reply.status == EchoReply::Status::NoSocket)
        GTEST_SKIP() << reply.errorText.toStdString();
    EXPECT_EQ(reply.status, EchoReply::Status::Error);
    EXPECT_FALSE(reply.errorText.isEmpty());
}

TEST(IcmpEchoClientTest, NoSocketTextSaysWhatToChange)
{
    const QString text = IcmpEchoClient::noSocketText(QStringLiteral("Permission denied"));
    EXPECT_TRUE(text.contains(QStringLiteral("ICMP")));
    EXPECT_TRUE(text.contains(QStringLiteral("net.ipv4.ping_group_range")));
    EXPECT_TRUE(text.contains(QStringLiteral("Permission denied")));
}

} // namespace
