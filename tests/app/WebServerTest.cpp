#include "app/WebServer.h"

#include <gtest/gtest.h>

namespace {

// Sets or clears BRIVANT_WEB_SERVER for one test and restores it afterwards.
class WebServerEnv
{
public:
    explicit WebServerEnv(const char *value) : m_old(qgetenv(WebServer::kEnvironmentVariable))
    {
        m_had = qEnvironmentVariableIsSet(WebServer::kEnvironmentVariable);
        if (value)
            qputenv(WebServer::kEnvironmentVariable, value);
        else
            qunsetenv(WebServer::kEnvironmentVariable);
    }
    ~WebServerEnv()
    {
        if (m_had)
            qputenv(WebServer::kEnvironmentVariable, m_old);
        else
            qunsetenv(WebServer::kEnvironmentVariable);
    }

private:
    QByteArray m_old;
    bool m_had = false;
};

} // namespace

TEST(WebServer, AddressesOnTheMakersHost)
{
    WebServerEnv env(nullptr);
    EXPECT_EQ(WebServer::Display_Address(), QStringLiteral("www.norvalt.example"));
    EXPECT_EQ(WebServer::Version_Query_Url(QStringLiteral("ZE52840")).toString(),
              QStringLiteral("http://www.norvalt.example/home/download/GetversionSW.asp?nomesw=ZE52840"));
    EXPECT_EQ(WebServer::Download_Page_Url().toString(),
              QStringLiteral("http://www.norvalt.example/Home/download/download.asp#DA52840"));
    EXPECT_EQ(WebServer::Home_Page_Url(QStringLiteral("ZE52840")).toString(),
              QStringLiteral("http://www.norvalt.example/HOME/default.asp?frompg=ZE52840"));
}

TEST(WebServer, EnvironmentOverridesTheHost)
{
    struct Case
    {
        const char *value;
        const char *versionQuery;
    };
    const Case cases[] = {
        {"127.0.0.1:8080", "http://127.0.0.1:8080/home/download/GetversionSW.asp?nomesw=ZE52840"},
        {"http://127.0.0.1:9/", "http://127.0.0.1:9/home/download/GetversionSW.asp?nomesw=ZE52840"},
        {"  ", "http://www.norvalt.example/home/download/GetversionSW.asp?nomesw=ZE52840"},
    };
    for (const Case &c : cases) {
        WebServerEnv env(c.value);
        EXPECT_EQ(WebServer::Version_Query_Url(QStringLiteral("ZE52840")).toString(),
                  QString::fromLatin1(c.versionQuery))
            << c.value;
    }
}
