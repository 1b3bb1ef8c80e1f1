#pragma once

#include <QByteArray>
#include <QString>

// One ICMP echo for IPv4.
struct EchoReply
{
    enum class Status {
        Reply,    // a reply arrived; receivedBytes tells how much data it carried
        Timeout,  // no reply within the time limit
        Error,    // the host text could not be resolved or the request not sent
        NoSocket, // the system allows no ICMP socket at all
    };
    Status status = Status::Timeout;
    int receivedBytes = 0;
    QString errorText;
    // For NoSocket: the system's reasons alone, without the advice of errorText.
    QString detail;
};

class EchoClient
{
public:
    virtual ~EchoClient() = default;
    // Sends one echo request carrying `data` to `host` (a dotted address or a name) and waits
    // at most `timeoutMs` for the reply.
    virtual EchoReply echo(const QString &host, const QByteArray &data, int timeoutMs) = 0;
};
