#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <cstdint>

// A scripted S7comm PLC on a free port of 127.0.0.1 (or another 127.0.0.x), in the test's own
// thread. It answers the ISO connection request, Setup Communication (with the smaller of the
// asked and its own PDU size), Read Var from its data blocks and areas as snap7's server does
// (an error item is its code, transport size 0 and a length of 4, without data), and read SZL
// 0x0011, 0x001C and 0x0424, in parts when asked to. It records every S7 function code it
// receives, so that a test can show that no write request (0x05) ever arrives; any user-data
// request but read SZL fails the test.
class LoopbackS7Server : public QObject
{
public:
    enum class Mode {
        Answer,              // answers every request
        Silent,              // accepts the connection and never answers
        SilentAfterSetup,    // answers the connection and Setup Communication, then no read
        CloseMidAnswer,      // sends half of the first read answer, then closes
        RefuseIsoConnection, // answers the connection request with a disconnect request
        RepeatAnswers,       // sends every S7 answer twice
        IgnoreSzl,           // leaves read SZL unanswered, answers everything else
    };

    explicit LoopbackS7Server(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    bool listening() const { return m_server.isListening(); }

    quint16 port() const { return m_server.serverPort(); }
    void setMode(Mode mode) { m_mode = mode; }
    void setPduSize(int size) { m_pduSize = size; }

    // The bytes of a data block (area 0x84) or of another area (0x80 to 0x83).
    void setDataBlock(int number, const QByteArray &bytes) { m_memory.insert(key(0x84, number), bytes); }
    void setArea(std::uint8_t area, const QByteArray &bytes) { m_memory.insert(key(area, 0), bytes); }
    // Every read of this data block is answered with `code` in place of its data.
    void setDataBlockCode(int number, std::uint8_t code) { m_codes.insert(key(0x84, number), code); }
    // Read Var answers carry this error class and code in their header.
    void setReadHeaderError(std::uint8_t errorClass, std::uint8_t errorCode)
    {
        m_headerError = std::uint16_t((errorClass << 8) | errorCode);
    }

    // What read SZL tells: order number (empty: SZL 0x0011 refused), module type name (empty:
    // 0x001C refused), the mode byte of 0x0424 (0: refused; 0x08 RUN, 0x04 STOP), and the
    // largest part of an answer in bytes (0: one part).
    void setIdentity(const QByteArray &orderNumber, const QByteArray &moduleTypeName, std::uint8_t mode)
    {
        m_orderNumber = orderNumber;
        m_moduleTypeName = moduleTypeName;
        m_mode424 = mode;
    }
    void setSzlPartSize(int bytes) { m_szlPartSize = bytes; }
    // The SZL of each read SZL request, 0 for a request of a next part.
    const QList<std::uint16_t> &szlRequests() const { return m_szlRequests; }

    // Every S7 function code received, in order (0xF0 Setup Communication, 0x04 Read Var ...).
    const QList<std::uint8_t> &functionCodes() const { return m_functionCodes; }
    // The number of items of each Read Var request.
    const QList<int> &readItemCounts() const { return m_readItemCounts; }
    // The remote TSAP of each connection request.
    const QList<std::uint16_t> &remoteTsaps() const { return m_remoteTsaps; }
    int connections() const { return m_connections; }
    // The largest request PDU received, and the PDU size each connection agreed.
    int largestRequest() const { return m_largestRequest; }

private:
    static qint64 key(std::uint8_t area, int number) { return (qint64(area) << 32) | quint32(number); }
    void accept();
    QByteArray answer(const QByteArray &frame, int &pduSize, bool &closeHalfway);
    QByteArray readAnswer(std::uint16_t reference, const QByteArray &parameters, int pduSize);
    QByteArray szlAnswer(const QByteArray &frame);

    QTcpServer m_server;
    Mode m_mode = Mode::Answer;
    int m_pduSize = 480;
    QHash<qint64, QByteArray> m_memory;
    QHash<qint64, std::uint8_t> m_codes;
    std::uint16_t m_headerError = 0;
    QList<std::uint8_t> m_functionCodes;
    QList<int> m_readItemCounts;
    QList<std::uint16_t> m_remoteTsaps;
    int m_connections = 0;
    int m_largestRequest = 0;
    QByteArray m_orderNumber = "6ES7 214-1AG40-0XB0 ";
    QByteArray m_moduleTypeName = "CPU 1214C DC/DC/DC";
    std::uint8_t m_mode424 = 0x08;
    int m_szlPartSize = 0;
    QByteArray m_szlPending; // the parts not yet sent
    std::uint8_t m_szlSequence = 0;
    QList<std::uint16_t> m_szlRequests;
};
