#pragma once

#include "platform/EchoClient.h"

// ICMP echo for IPv4 on Linux. It uses an unprivileged ICMP datagram socket where the system
// allows one (net.ipv4.ping_group_range) and a raw ICMP socket (CAP_NET_RAW) otherwise. A host
// text that is no dotted address is resolved as a name.
class IcmpEchoClient : public EchoClient
{
public:
    EchoReply echo(const QString &host, const QByteArray &data, int timeoutMs) override;

    // The text shown when neither kind of socket may be opened.
    static QString noSocketText(const QString &reason);
};
