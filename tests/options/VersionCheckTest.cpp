#include "options/VersionCheck.h"
#include "platform/qt/QtHttpClient.h"
#include "support/LoopbackHttpServer.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

TEST(ConvVersion, ReadsOneDigitPointThreeDigits)
{
    const struct
    {
        const char *text;
        int expected;
    } cases[] = {
        {"1.002", 1002},
        {"VER. 1.003", 1003},
        {"ver. 1.002", 1002},
        {"VER.   2.010 \r\n", 2010}, // trimmed after the first blank
        {"VER. 1.0035", 1003},       // characters after the fifth are not read
        {"VER. 10.02", -1},          // "1", ".", "0", "2" are no integer
        {"VER. 2.5", -1},            // fewer than five characters
        {"VER. 1.0a3", -1},
        {"VER.\t1.003", -1},         // only a blank separates the version
        {"", -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Conv_Version(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(UpdateLink, CaptionCannotAddMarkupOrAnotherTarget)
{
    const QString html = Update_Link_Html(QUrl("http://127.0.0.1/Home/download/download.asp#DA52840"),
                                          "New <b>version</b></a><a href=\"http://elsewhere/\">here");
    EXPECT_EQ(html, "<a href=\"http://127.0.0.1/Home/download/download.asp#DA52840\">New &lt;b&gt;version&lt;/b&gt;"
                    "&lt;/a&gt;&lt;a href=&quot;http://elsewhere/&quot;&gt;here</a>");
}

class VersionServerTest : public ::testing::Test
{
protected:
    bool check(int timeoutMs = 5000)
    {
        const QUrl query(QStringLiteral("http://%1/home/download/GetversionSW.asp?nomesw=ZE52840")
                             .arg(server.hostAndPort()));
        return Check_Version(client, query, timeoutMs);
    }

    LoopbackHttpServer server;
    QtHttpClient client;
};

TEST_F(VersionServerTest, NewerVersionOnlyForAValidHigherAnswer)
{
    const struct
    {
        const char *name;
        QByteArray response;
        bool expected;
    } cases[] = {
        {"newer", "HTTP/1.0 200 OK\r\n\r\nVER. 1.003", true},
        {"newer, line breaks around", "HTTP/1.1 200 OK\r\n\r\n\r\nVER. 1.003\r\n", true},
        {"same, lower case", "HTTP/1.0 200 OK\r\n\r\nver. 1.002", false},
        {"older", "HTTP/1.0 200 OK\r\n\r\nVER. 1.001", false},
        {"unknown to the server", "HTTP/1.0 200 OK\r\n\r\n  VER. 0.000 \r\n", false},
        {"empty body", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", false},
        {"two digits before the point", "HTTP/1.0 200 OK\r\n\r\nVER. 10.02", false},
        {"html page", "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
                      "<html><head><title>Service unavailable</title></head><body>Error 1.003</body></html>",
         false},
        {"error status with a version", "HTTP/1.0 500 Internal Server Error\r\n\r\nVER. 1.003", false},
        {"redirect", "HTTP/1.0 302 Found\r\nLocation: /elsewhere\r\n\r\nVER. 1.003", false},
        {"not http", "VER. 1.003\r\n\r\n", false},
        {"cut short", "HTTP/1.0 200 OK\r\nContent-Length: 40\r\n\r\nVER. 1.003", false},
        {"content length honoured", "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nVER. 1.003", false},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nVER. \r\n5\r\n1.003\r\n0\r\n\r\n",
         true},
    };
    for (const auto &c : cases) {
        server.setResponse(c.response);
        EXPECT_EQ(check(), c.expected) << c.name;
    }
    EXPECT_EQ(server.requests().size(), std::size(cases));
}

TEST_F(VersionServerTest, AnswerIsTakenWithoutWaitingForTheServerToClose)
{
    server.setResponse("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nVER. 1.003",
                       LoopbackHttpServer::Mode::AnswerAndKeepOpen);
    EXPECT_TRUE(check(5000));
}

TEST_F(VersionServerTest, RequestLineAndHeaders)
{
    server.setResponse("HTTP/1.0 200 OK\r\nSet-Cookie: session=42; Path=/\r\n\r\nVER. 1.003");
    ASSERT_TRUE(check());
    ASSERT_TRUE(check());
    ASSERT_EQ(server.requests().size(), 2);
    for (const QByteArray &request : server.requests()) {
        const QList<QByteArray> lines = request.trimmed().split('\n');
        EXPECT_EQ(lines.first(), "GET /home/download/GetversionSW.asp?nomesw=ZE52840 HTTP/1.0\r");
        EXPECT_TRUE(lines.contains("Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r"))
            << request.constData();
        EXPECT_TRUE(lines.contains("Host: " + server.hostAndPort().toLatin1() + "\r")) << request.constData();
        EXPECT_FALSE(request.toLower().contains("cookie")) << request.constData();
    }
}

TEST_F(VersionServerTest, NoServerOrNoAnswerIsSilentlyNo)
{
    QtHttpClient http;
    const QUrl refused(QStringLiteral("http://127.0.0.1:%1/").arg(LoopbackHttpServer::closedPort()));
    EXPECT_EQ(http.get(refused, kVersionAccept, 5000), std::nullopt);

    server.setSilent();
    EXPECT_FALSE(check(300));
    EXPECT_EQ(server.requests().size(), 1); // it was connected and asked, then given up
}

} // namespace
