#include "support/Snap7Peer.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

Snap7Peer::Snap7Peer(const QString &address, const QStringList &options)
{
    QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty())
        node = QStandardPaths::findExecutable(QStringLiteral("nodejs"));
    if (node.isEmpty()) {
        m_skipReason = QStringLiteral("Node.js is not installed: the tests against snap7's S7 server are skipped "
                                      "(scripts/deps.sh installs it)");
        return;
    }
    const QDir peer(QStringLiteral(BRIVANT_SNAP7_PEER_DIR));
    if (!QFileInfo::exists(peer.filePath(QStringLiteral("node_modules/node-snap7/build/Release/node_snap7.node")))) {
        m_error = QStringLiteral("snap7's S7 server is not set up in %1: run scripts/deps.sh").arg(peer.path());
        return;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(node, QStringList{peer.filePath(QStringLiteral("s7_server.js")), QStringLiteral("--address"), address}
                              + options);
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("node did not start: ") + m_process.errorString();
        return;
    }
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(10000);
    bool ok = false;
    const int port = QString::fromLatin1(m_process.readLine()).trimmed().toInt(&ok);
    if (ok && port > 0 && port < 65536)
        m_port = quint16(port);
    else
        m_error = QStringLiteral("snap7's S7 server did not start on %1").arg(address);
}

Snap7Peer::~Snap7Peer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel(); // the server ends when its standard input closes
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
