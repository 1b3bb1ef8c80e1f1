#pragma once

#include <QString>
#include <QUrl>

class HttpClient;

// The online version check: one GET of the version query on the maker's web server, answered
// with "VER. d.ddd", or "VER. 0.000" when the server knows no version for the software code.

// Our own limit for the exchange, so that the program never waits longer for a slow server.
inline constexpr int kVersionCheckTimeoutMs = 10000;
inline constexpr const char *kVersionAccept =
    "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

// The number of a version text: the text after the first blank (all of it without a blank),
// trimmed; the digits at positions 1, 3, 4 and 5 read as an integer ("1.002" -> 1002,
// "VER. 1.003" -> 1003). -1 when fewer than five characters remain or they are no integer.
int Conv_Version(const QString &Ver_str);

// Whether the server's answer names a version newer than ours. An empty answer, "VER. 0.000"
// and any answer that is not a version give false.
bool Is_Newer_Version(const QString &answer);

// What the version query found out: a newer version, none, or nothing (no answer came).
enum class VersionAnswer { Newer, NotNewer, Unreachable };
VersionAnswer Ask_Version(HttpClient &http, const QUrl &queryUrl, int timeoutMs = kVersionCheckTimeoutMs);

// Sends the version query (WebServer::Version_Query_Url); every failure of the exchange counts
// as "no newer version" and is silent.
bool Check_Version(HttpClient &http, const QUrl &queryUrl, int timeoutMs = kVersionCheckTimeoutMs);

// One anchor to `target` whose content is `caption`, escaped: a language file can change the
// caption but cannot add markup or another link target.
QString Update_Link_Html(const QUrl &target, const QString &caption);
