#include "support/LoopbackHttpServer.h"

#include <QTcpSocket>
#include <memory>
#include <gtest/gtest.h>

LoopbackHttpServer::LoopbackHttpServer()
{
    EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0)) << m_server.errorString().toStdString();
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
    setBody("VER. 1.002");
}

QString LoopbackHttpServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void LoopbackHttpServer::setResponse(const QByteArray &raw, Mode mode)
{
    m_response = raw;
    m_mode = mode;
}

void LoopbackHttpServer::setBody(const QByteArray &body)
{
    setResponse("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body);
}

void LoopbackHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
            *received += socket->readAll();
            const qsizetype end = received->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            m_requests.append(received->left(end + 4));
            received->clear();
            if (m_mode == Mode::Silent)
                return;
            socket->write(m_response);
            if (m_mode == Mode::Answer)
                socket->disconnectFromHost();
        });
    }
}

quint16 LoopbackHttpServer::closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 1;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
