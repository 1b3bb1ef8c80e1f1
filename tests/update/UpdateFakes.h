#pragma once

#include "platform/Clock.h"
#include "platform/EchoClient.h"
#include "platform/ProcessRunner.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

// A clock that only moves when told: sleeps advance it at once.
class FakeClock : public Clock
{
public:
    std::int64_t nowMs() override { return m_now; }
    void sleepMs(int ms, bool processEvents) override
    {
        m_now += ms;
        sleeps += 1;
        eventSleeps += processEvents;
    }
    void advance(std::int64_t ms) { m_now += ms; }
    int sleeps = 0;
    int eventSleeps = 0;

private:
    std::int64_t m_now = 1000;
};

// Answers echo requests from a script; the last answer repeats. Each answer costs the time
// it names on the fake clock (a timeout costs the whole timeout).
class FakeEchoClient : public EchoClient
{
public:
    struct Answer
    {
        EchoReply reply;
        int costMs = 1;
    };
    static Answer reply(int bytes) { return {{EchoReply::Status::Reply, bytes, {}}, 1}; }
    static Answer timeout() { return {{EchoReply::Status::Timeout, 0, {}}, -1}; }
    static Answer error(const QString &text) { return {{EchoReply::Status::Error, 0, text}, 0}; }
    static Answer noSocket()
    {
        return {{EchoReply::Status::NoSocket, 0, QStringLiteral("no ICMP socket"), QStringLiteral("denied")}, 0};
    }

    struct Request
    {
        QString host;
        QByteArray data;
        int timeoutMs;
    };

    explicit FakeEchoClient(FakeClock &clock) : m_clock(clock) {}
    void script(const std::vector<Answer> &answers) { m_answers.assign(answers.begin(), answers.end()); }

    EchoReply echo(const QString &host, const QByteArray &data, int timeoutMs) override
    {
        requests.append({host, data, timeoutMs});
        if (m_answers.empty())
            return {EchoReply::Status::Error, 0, QStringLiteral("no scripted answer")};
        const Answer a = m_answers.front();
        if (m_answers.size() > 1)
            m_answers.pop_front();
        m_clock.advance(a.costMs < 0 ? timeoutMs : a.costMs);
        return a.reply;
    }

    QList<Request> requests;

private:
    FakeClock &m_clock;
    std::deque<Answer> m_answers;
};

// Records the programs a window starts; `onStart` may play the program (write files, drive
// the observer) and choose the outcome.
class FakeProcessRunner : public ProcessRunner
{
public:
    struct Call
    {
        QString program;
        QStringList arguments;
        int tipo;
        QString workingDir;
        int limitMs;
        bool withObserver;
    };
    ProgramRun Start_Program(const QString &NomeSW, const QStringList &arguments, int tipo,
                             const QString &workingDir, int limitMs, ProgramWaitObserver *observer) override
    {
        calls.append({NomeSW, arguments, tipo, workingDir, limitMs, observer != nullptr});
        if (onStart)
            return onStart(observer);
        return {ProgramRun::Outcome::Finished, 0, 4242, {}};
    }

    std::function<ProgramRun(ProgramWaitObserver *)> onStart;
    QList<Call> calls;
};
