#include "platform/qt/IcmpEchoClient.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr quint8 kEchoRequest = 8;
constexpr quint8 kEchoReply = 0;
constexpr int kIcmpHeaderSize = 8;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes the socket on every path.
class Socket
{
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

quint16 internetChecksum(const QByteArray &bytes)
{
    quint32 sum = 0;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i + 1 < n; i += 2)
        sum += static_cast<quint32>(p[i] << 8 | p[i + 1]);
    if (n % 2)
        sum += static_cast<quint32>(p[n - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<quint16>(~sum);
}

// Type, code, checksum, identifier and sequence number (all big-endian), then the data.
QByteArray echoRequest(quint16 identifier, quint16 sequence, const QByteArray &data)
{
    QByteArray packet(kIcmpHeaderSize, '\0');
    packet[0] = static_cast<char>(kEchoRequest);
    packet[4] = static_cast<char>(identifier >> 8);
    packet[5] = static_cast<char>(identifier & 0xFF);
    packet[6] = static_cast<char>(sequence >> 8);
    packet[7] = static_cast<char>(sequence & 0xFF);
    packet += data;
    const quint16 sum = internetChecksum(packet);
    packet[2] = static_cast<char>(sum >> 8);
    packet[3] = static_cast<char>(sum & 0xFF);
    return packet;
}

std::optional<in_addr> resolve(const QString &host, QString *error)
{
    const QByteArray text = host.toUtf8();
    in_addr address{};
    // A device is addressed by its four numbers only, never by a name to look up.
    if (!text.isEmpty() && !text.contains('\0') && ::inet_pton(AF_INET, text.constData(), &address) == 1)
        return address;
    *error = QStringLiteral("'%1' is no host address").arg(host);
    return std::nullopt;
}

quint16 nextIdentifier()
{
    static std::atomic<quint16> counter{static_cast<quint16>(::getpid())};
    return counter.fetch_add(1);
}

} // namespace

QString IcmpEchoClient::noSocketText(const QString &reason)
{
    return QStringLiteral(
               "The device cannot be checked: this system allows the configurator no ICMP echo "
               "socket (%1). Allow ICMP echo sockets for the user's group (sysctl "
               "net.ipv4.ping_group_range) or give the configurator the CAP_NET_RAW capability.")
        .arg(reason);
}

EchoReply IcmpEchoClient::echo(const QString &host, const QByteArray &data, int timeoutMs)
{
    EchoReply reply;

    // An unprivileged datagram socket first: the kernel sets the identifier, computes the
    // checksum and hands us only the replies to this socket, without the IP header.
    bool raw = false;
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    int datagramError = errno;
    if (fd < 0) {
        fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        raw = true;
    }
    if (fd < 0) {
        const int rawError = errno;
        const bool refused = rawError == EACCES || rawError == EPERM || rawError == EPROTONOSUPPORT
                             || rawError == EAFNOSUPPORT;
        reply.status = refused ? EchoReply::Status::NoSocket : EchoReply::Status::Error;
        const QString reason = QStringLiteral("datagram socket: %1; raw socket: %2")
                                   .arg(systemError(datagramError), systemError(rawError));
        reply.errorText = refused ? noSocketText(reason) : reason;
        reply.detail = reason;
        return reply;
    }
    const Socket socket(fd);

    QString resolveError;
    const std::optional<in_addr> address = resolve(host, &resolveError);
    if (!address) {
        reply.status = EchoReply::Status::Error;
        reply.errorText = resolveError;
        return reply;
    }

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr = *address;
    const quint16 identifier = nextIdentifier();
    const quint16 sequence = 0;
    const QByteArray packet = echoRequest(identifier, sequence, data);

    QElapsedTimer timer;
    timer.start();
    if (::sendto(fd, packet.constData(), static_cast<size_t>(packet.size()), 0,
                 reinterpret_cast<const sockaddr *>(&target), sizeof target) < 0) {
        reply.status = EchoReply::Status::Error;
        reply.errorText = QStringLiteral("the echo request to %1 cannot be sent: %2").arg(host, systemError(errno));
        return reply;
    }

    QByteArray buffer(65536, '\0');
    for (;;) {
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(fd, buffer.data(), static_cast<size_t>(buffer.size()), 0,
                                     reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            break; // an ICMP error for this socket (unreachable): no reply
        }
        const auto *bytes = reinterpret_cast<const unsigned char *>(buffer.constData());
        qsizetype offset = 0;
        if (raw) {
            // A raw socket sees every ICMP packet of the host with its IP header: keep only
            // the reply to this request from the target.
            if (n < 20)
                continue;
            offset = (bytes[0] & 0x0F) * 4;
            if (from.sin_addr.s_addr != address->s_addr)
                continue;
        }
        if (n - offset < kIcmpHeaderSize || bytes[offset] != kEchoReply)
            continue;
        const quint16 replyId = static_cast<quint16>(bytes[offset + 4] << 8 | bytes[offset + 5]);
        const quint16 replySeq = static_cast<quint16>(bytes[offset + 6] << 8 | bytes[offset + 7]);
        if ((raw && replyId != identifier) || replySeq != sequence)
            continue;
        reply.status = EchoReply::Status::Reply;
        reply.receivedBytes = static_cast<int>(n - offset - kIcmpHeaderSize);
        return reply;
    }
    reply.status = EchoReply::Status::Timeout;
    return reply;
}
