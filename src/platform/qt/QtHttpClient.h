#pragma once

#include "platform/HttpClient.h"

// The real HTTP client: one HTTP/1.0 GET over a plain TCP socket, without proxy, cookies or
// redirects. It waits in a local event loop that leaves user input queued, so the window does
// not react to the user until the exchange ends, at the latest after `timeoutMs`.
class QtHttpClient : public HttpClient
{
public:
    // A larger body is refused: the answers this program asks for are a few bytes.
    static constexpr qsizetype kMaxResponseBytes = 1024 * 1024;

    std::optional<QByteArray> get(const QUrl &url, const QByteArray &accept, int timeoutMs) override;
};
