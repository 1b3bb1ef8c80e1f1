#pragma once

#include <QByteArray>
#include <QUrl>
#include <optional>

// One HTTP/1.0 GET. Any failure (no connection, an error status, the time limit) gives nothing.
class HttpClient
{
public:
    virtual ~HttpClient() = default;
    virtual std::optional<QByteArray> get(const QUrl &url, const QByteArray &accept, int timeoutMs) = 0;
};
