#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

// An HTTP server on 127.0.0.1 for the version check, in the test's own thread (the client
// waits in an event loop). It answers every request with one scripted raw response, or not at
// all, and keeps the request heads it received.
class LoopbackHttpServer : public QObject
{
public:
    enum class Mode {
        Answer,           // sends the response, then closes the connection
        AnswerAndKeepOpen, // sends the response and leaves the connection open
        Silent,           // reads the request and never answers
    };

    LoopbackHttpServer();

    quint16 port() const { return m_server.serverPort(); }
    // "127.0.0.1:port", as BRIVANT_WEB_SERVER takes it.
    QString hostAndPort() const;

    // A complete raw response ("HTTP/1.0 200 OK\r\n...").
    void setResponse(const QByteArray &raw, Mode mode = Mode::Answer);
    // Status 200, Content-Type text/html, no Content-Length, closed after the body.
    void setBody(const QByteArray &body);
    void setSilent() { m_mode = Mode::Silent; }

    // The heads of the requests received so far (up to and including the blank line).
    const QList<QByteArray> &requests() const { return m_requests; }

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort();

private:
    void accept();

    QTcpServer m_server;
    QByteArray m_response;
    Mode m_mode = Mode::Answer;
    QList<QByteArray> m_requests;
};
