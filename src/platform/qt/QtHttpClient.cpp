#include "platform/qt/QtHttpClient.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr const char *kUserAgent = "Brivant/1.002";

// Collects a response until it is complete: by Content-Length, by the last chunk of a chunked
// body, or else when the server closes the connection.
class ResponseReader
{
public:
    // False once the response is complete or cannot be accepted any more.
    bool wantsMore() const { return !m_complete && !m_failed; }

    void feed(const QByteArray &bytes)
    {
        if (!wantsMore())
            return;
        m_data += bytes;
        if (m_data.size() > QtHttpClient::kMaxResponseBytes) {
            m_failed = true;
            return;
        }
        if (m_bodyStart < 0 && !parseHead())
            return;
        if (m_contentLength >= 0 && m_data.size() - m_bodyStart >= m_contentLength)
            m_complete = true;
        else if (m_chunked && decodeChunks())
            m_complete = true;
    }

    // The server closed the connection: whatever arrived is the whole response.
    void closed()
    {
        if (!wantsMore())
            return;
        if (m_bodyStart < 0 || m_contentLength >= 0 || m_chunked)
            m_failed = true; // no head, or a body cut short
        else
            m_complete = true;
    }

    std::optional<QByteArray> body() const
    {
        if (!m_complete || m_failed || m_status < 200 || m_status > 299)
            return std::nullopt;
        if (m_chunked)
            return m_decoded;
        QByteArray body = m_data.mid(m_bodyStart);
        if (m_contentLength >= 0)
            body.truncate(m_contentLength);
        return body;
    }

private:
    bool parseHead()
    {
        qsizetype end = m_data.indexOf("\r\n\r\n");
        qsizetype separator = 4;
        const qsizetype bare = m_data.indexOf("\n\n");
        if (bare >= 0 && (end < 0 || bare < end)) {
            end = bare;
            separator = 2;
        }
        if (end < 0)
            return false;
        m_bodyStart = end + separator;

        const QList<QByteArray> lines = m_data.left(end).split('\n');
        const QList<QByteArray> status = lines.first().trimmed().split(' ');
        bool ok = false;
        if (status.size() >= 2 && status[0].startsWith("HTTP/"))
            m_status = status[1].toInt(&ok);
        if (!ok) {
            m_failed = true;
            return false;
        }
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length") {
                const qlonglong length = value.toLongLong(&ok);
                if (!ok || length < 0 || length > QtHttpClient::kMaxResponseBytes) {
                    m_failed = true;
                    return false;
                }
                m_contentLength = length;
            } else if (name == "transfer-encoding" && value.toLower().contains("chunked")) {
                m_chunked = true;
            }
        }
        if (m_chunked)
            m_contentLength = -1;
        return true;
    }

    // Decodes the chunks received so far; true once the last (empty) chunk has arrived.
    bool decodeChunks()
    {
        m_decoded.clear();
        qsizetype pos = m_bodyStart;
        for (;;) {
            const qsizetype lineEnd = m_data.indexOf("\r\n", pos);
            if (lineEnd < 0)
                return false;
            QByteArray sizeText = m_data.mid(pos, lineEnd - pos);
            const qsizetype extension = sizeText.indexOf(';');
            if (extension >= 0)
                sizeText.truncate(extension);
            bool ok = false;
            const qlonglong size = sizeText.trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0 || size > QtHttpClient::kMaxResponseBytes) {
                m_failed = true;
                return false;
            }
            pos = lineEnd + 2;
            if (size == 0)
                return true; // trailers, if any, are of no interest
            if (m_data.size() < pos + size + 2)
                return false;
            m_decoded += m_data.mid(pos, size);
            pos += size + 2;
        }
    }

    QByteArray m_data;
    QByteArray m_decoded;
    qsizetype m_bodyStart = -1;
    qlonglong m_contentLength = -1;
    int m_status = 0;
    bool m_chunked = false;
    bool m_complete = false;
    bool m_failed = false;
};

QByteArray requestTarget(const QUrl &url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    return target;
}

QByteArray hostHeader(const QUrl &url)
{
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port(80) != 80)
        host += ':' + QByteArray::number(url.port());
    return host;
}

bool isHeaderSafe(const QByteArray &value)
{
    return !value.contains('\r') && !value.contains('\n');
}

} // namespace

std::optional<QByteArray> QtHttpClient::get(const QUrl &url, const QByteArray &accept, int timeoutMs)
{
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()
        || !isHeaderSafe(accept))
        return std::nullopt;

    const QByteArray request = "GET " + requestTarget(url) + " HTTP/1.0\r\n"
                               "Host: " + hostHeader(url) + "\r\n"
                               "Accept: " + accept + "\r\n"
                               "User-Agent: " + kUserAgent + "\r\n"
                               "\r\n";

    QTcpSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    ResponseReader reader;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool finished = false;
    const auto finish = [&] {
        finished = true;
        loop.quit();
    };
    const auto takeAvailable = [&] {
        if (socket.isOpen())
            reader.feed(socket.readAll());
    };
    const auto readAvailable = [&] {
        takeAvailable();
        if (!reader.wantsMore())
            finish();
    };

    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, readAvailable);
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, [&] {
        takeAvailable();
        reader.closed();
        finish();
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError) {
            takeAvailable();
            reader.closed();
        }
        finish();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, finish);

    deadline.start(timeoutMs);
    socket.connectToHost(url.host(), static_cast<quint16>(url.port(80)));
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    QObject::disconnect(&socket, nullptr, &loop, nullptr);
    socket.abort();
    return reader.body();
}
