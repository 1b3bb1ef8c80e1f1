#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// snap7's S7 server (npm node-snap7, set up by scripts/deps.sh in tests/peers/snap7) on a free
// port of a loopback address, with the contents tests/peers/snap7/s7_server.js describes. It
// ends with this object. Without Node.js a test skips with `skipReason()`; with Node.js a
// server that does not start (the peer not set up) is a failure with `error()`.
class Snap7Peer
{
public:
    explicit Snap7Peer(const QString &address = QStringLiteral("127.0.0.1"), const QStringList &options = {});
    ~Snap7Peer();
    Snap7Peer(const Snap7Peer &) = delete;
    Snap7Peer &operator=(const Snap7Peer &) = delete;

    bool running() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    const QString &skipReason() const { return m_skipReason; }
    const QString &error() const { return m_error; }

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_skipReason;
    QString m_error;
};

// Skips the test without Node.js and fails it when the server does not start.
#define BRIVANT_START_SNAP7(peer)                                                                                    \
    do {                                                                                                             \
        if (!(peer).skipReason().isEmpty())                                                                          \
            GTEST_SKIP() << (peer).skipReason().toStdString();                                                       \
        ASSERT_TRUE((peer).running()) << (peer).error().toStdString();                                              \
    } while (false)
