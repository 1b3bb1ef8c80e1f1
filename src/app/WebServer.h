#pragma once

#include <QString>
#include <QUrl>

// The maker's web server: the version query, the download page and the home page live there.
// BRIVANT_WEB_SERVER overrides the host ("127.0.0.1:8080" or a whole base such as
// "http://127.0.0.1:8080"), so that tests talk to a local server.
namespace WebServer {

inline constexpr const char *kHost = "www.norvalt.example";
inline constexpr const char *kEnvironmentVariable = "BRIVANT_WEB_SERVER";

// "http://" + the host, without a trailing slash.
QUrl Base_Url();
// The host as the windows show it ("www.norvalt.example").
QString Display_Address();

// /home/download/GetversionSW.asp?nomesw=<software code>
QUrl Version_Query_Url(const QString &softwareCode);
// /Home/download/download.asp#DA52840
QUrl Download_Page_Url();
// /HOME/default.asp?frompg=<software code>
QUrl Home_Page_Url(const QString &softwareCode);

} // namespace WebServer
