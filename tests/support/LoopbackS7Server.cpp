#include "support/LoopbackS7Server.h"

#include <QTcpSocket>
#include <memory>
#include <gtest/gtest.h>

namespace {

std::uint8_t at(const QByteArray &bytes, qsizetype i)
{
    return static_cast<std::uint8_t>(bytes.at(i));
}

int be16(const QByteArray &bytes, qsizetype i)
{
    return (at(bytes, i) << 8) | at(bytes, i + 1);
}

void put16(QByteArray &bytes, int value)
{
    bytes.append(char((value >> 8) & 0xFF)).append(char(value & 0xFF));
}

QByteArray dataFrame(const QByteArray &pdu)
{
    QByteArray frame("\x03\x00", 2);
    put16(frame, int(pdu.size()) + 7);
    frame.append("\x02\xF0\x80", 3);
    return frame + pdu;
}

QByteArray ack(int reference, const QByteArray &parameters, const QByteArray &data, int error = 0)
{
    QByteArray pdu("\x32\x03\x00\x00", 4);
    put16(pdu, reference);
    put16(pdu, int(parameters.size()));
    put16(pdu, int(data.size()));
    put16(pdu, error);
    return dataFrame(pdu + parameters + data);
}

int valueSize(int transportSize)
{
    switch (transportSize) {
    case 4: case 5: return 2;
    case 6: case 7: case 8: return 4;
    default: return 1;
    }
}

} // namespace

LoopbackS7Server::LoopbackS7Server(const QHostAddress &address, quint16 port)
{
    EXPECT_TRUE(m_server.listen(address, port)) << m_server.errorString().toStdString();
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackS7Server::accept);
}

void LoopbackS7Server::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_connections;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        auto pduSize = std::make_shared<int>(0);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer, pduSize] {
            *buffer += socket->readAll();
            while (buffer->size() >= 4) {
                const int length = be16(*buffer, 2);
                if (at(*buffer, 0) != 3 || length < 7) {
                    ADD_FAILURE() << "not a TPKT frame: " << buffer->toHex(' ').toStdString();
                    socket->abort();
                    return;
                }
                if (buffer->size() < length)
                    return;
                const QByteArray frame = buffer->left(length);
                buffer->remove(0, length);
                bool closeHalfway = false;
                const QByteArray reply = answer(frame, *pduSize, closeHalfway);
                if (m_mode == Mode::Silent || reply.isEmpty())
                    continue;
                if (closeHalfway) {
                    socket->write(reply.left(reply.size() / 2));
                    socket->flush();
                    socket->disconnectFromHost();
                    return;
                }
                socket->write(reply);
                if (m_mode == Mode::RepeatAnswers && at(reply, 5) == 0xF0)
                    socket->write(reply);
            }
        });
    }
}

QByteArray LoopbackS7Server::answer(const QByteArray &frame, int &pduSize, bool &closeHalfway)
{
    if (frame.size() < 6)
        return {};
    if (at(frame, 5) == 0xE0) { // connection request: parameters after the fixed part
        std::uint16_t tsap = 0;
        for (qsizetype i = 11; i + 1 < frame.size(); i += 2 + at(frame, i + 1)) {
            if (at(frame, i) == 0xC2 && at(frame, i + 1) == 2 && i + 3 < frame.size())
                tsap = std::uint16_t(be16(frame, i + 2));
        }
        m_remoteTsaps.append(tsap);
        if (m_mode == Mode::RefuseIsoConnection)
            return QByteArray::fromHex("0300000B06800001000100");
        QByteArray confirm = QByteArray::fromHex("0300001611D00001000100C0010AC1020100C202");
        put16(confirm, tsap);
        return confirm;
    }
    if (at(frame, 5) == 0xF0 && frame.size() >= 17 && at(frame, 7) == 0x32 && at(frame, 8) == 0x07)
        return szlAnswer(frame);
    if (at(frame, 5) != 0xF0 || frame.size() < 19 || at(frame, 7) != 0x32 || at(frame, 8) != 0x01) {
        ADD_FAILURE() << "not an S7 job: " << frame.toHex(' ').toStdString();
        return {};
    }
    const int reference = be16(frame, 11);
    const QByteArray parameters = frame.mid(17, be16(frame, 13));
    if (parameters.isEmpty())
        return {};
    const std::uint8_t function = at(parameters, 0);
    m_functionCodes.append(function);
    const int requestSize = int(frame.size()) - 7;
    m_largestRequest = std::max(m_largestRequest, requestSize);

    if (function == 0xF0) {
        pduSize = std::min(be16(parameters, 6), m_pduSize);
        QByteArray accepted("\xF0\x00\x00\x01\x00\x01", 6);
        put16(accepted, pduSize);
        return ack(reference, accepted, {});
    }
    if (function != 0x04)
        return ack(reference, {}, {}, 0x8104); // this PLC takes nothing but reads
    m_readItemCounts.append(at(parameters, 1));
    if (m_mode == Mode::SilentAfterSetup)
        return {};
    closeHalfway = m_mode == Mode::CloseMidAnswer;
    if (requestSize > pduSize)
        return ack(reference, QByteArray("\x04\x00", 2), {}, 0x8500);
    if (m_headerError)
        return ack(reference, QByteArray("\x04\x00", 2), {}, m_headerError);
    return readAnswer(std::uint16_t(reference), parameters, pduSize);
}

QByteArray LoopbackS7Server::readAnswer(std::uint16_t reference, const QByteArray &parameters, int pduSize)
{
    const int count = at(parameters, 1);
    QByteArray data;
    for (int i = 0; i < count; ++i) {
        const QByteArray spec = parameters.mid(2 + 12 * i, 12);
        EXPECT_EQ(spec.left(3), QByteArray("\x12\x0A\x10", 3));
        const int transportSize = at(spec, 3);
        const int number = be16(spec, 6);
        const std::uint8_t area = at(spec, 8);
        const int address = (at(spec, 9) << 16) | be16(spec, 10);
        const int byte = address >> 3;
        const int size = valueSize(transportSize);
        const qint64 where = key(area, area == 0x84 ? number : 0);

        std::uint8_t code = 0xFF;
        if (transportSize < 1 || transportSize > 8)
            code = 0x06;
        else if (m_codes.contains(where))
            code = m_codes.value(where);
        else if (!m_memory.contains(where))
            code = 0x0A;
        else if (byte + size > m_memory.value(where).size())
            code = 0x05;
        if (code != 0xFF) {
            data.append(char(code)).append(QByteArray("\x00\x00\x04", 3)); // as snap7 sends it
            continue;
        }
        const QByteArray bytes = m_memory.value(where).mid(byte, size);
        QByteArray value;
        int answerSize = 0x04;
        int length = size * 8;
        switch (transportSize) {
        case 1:
            value.append(char((at(bytes, 0) >> (address & 7)) & 1));
            answerSize = 0x03;
            length = 1;
            break;
        case 3: answerSize = 0x09; length = size; value = bytes; break;
        case 5: case 7: answerSize = 0x05; value = bytes; break;
        case 8: answerSize = 0x07; length = size; value = bytes; break;
        default: value = bytes; break;
        }
        data.append(char(0xFF)).append(char(answerSize));
        put16(data, length);
        data.append(value);
        if (value.size() % 2 != 0 && i + 1 < count)
            data.append('\0');
    }
    if (12 + 2 + data.size() > pduSize)
        return ack(reference, QByteArray("\x04\x00", 2), {}, 0x8500);
    QByteArray answerParameters("\x04", 1);
    answerParameters.append(char(count));
    return ack(reference, answerParameters, data);
}

namespace {

QByteArray szlRecord(int index, const QByteArray &text, int length)
{
    QByteArray record;
    put16(record, index);
    record += text.left(length - 2);
    record.append(QByteArray(length - record.size(), '\0'));
    return record;
}

QByteArray userData(int reference, const QByteArray &parameters, const QByteArray &data)
{
    QByteArray pdu("\x32\x07\x00\x00", 4);
    put16(pdu, reference);
    put16(pdu, int(parameters.size()));
    put16(pdu, int(data.size()));
    return dataFrame(pdu + parameters + data);
}

} // namespace

QByteArray LoopbackS7Server::szlAnswer(const QByteArray &frame)
{
    const int reference = be16(frame, 11);
    const QByteArray parameters = frame.mid(17, be16(frame, 13));
    const QByteArray data = frame.mid(17 + parameters.size(), be16(frame, 15));
    if (parameters.size() < 8 || (at(parameters, 5) & 0x0F) != 0x04 || at(parameters, 6) != 0x01) {
        ADD_FAILURE() << "a user-data request that is not read SZL: " << frame.toHex(' ').toStdString();
        return {};
    }
    if (m_mode == Mode::IgnoreSzl) {
        m_szlRequests.append(std::uint16_t(data.size() >= 6 ? be16(data, 4) : 0));
        return {};
    }
    const bool next = at(parameters, 4) == 0x12;
    QByteArray list;
    if (next) {
        m_szlRequests.append(0);
        list = m_szlPending;
    } else {
        if (data.size() < 8) {
            ADD_FAILURE() << "read SZL without its SZL: " << frame.toHex(' ').toStdString();
            return {};
        }
        const int id = be16(data, 4);
        m_szlRequests.append(std::uint16_t(id));
        QList<QByteArray> records;
        int recordLength = 0;
        if (id == 0x0011 && !m_orderNumber.isEmpty()) {
            recordLength = 28;
            QByteArray module = m_orderNumber.leftJustified(20, ' ') + QByteArray::fromHex("00C000040001");
            records << szlRecord(1, module, 28) << szlRecord(6, module, 28)
                    << szlRecord(7, QByteArray(20, ' ') + QByteArray::fromHex("00C056030206"), 28);
        } else if (id == 0x001C && !m_moduleTypeName.isEmpty()) {
            recordLength = 34;
            records << szlRecord(1, "LOOPBACK", 34) << szlRecord(2, "CPU", 34) << szlRecord(5, "S C-LOOP0001", 34)
                    << szlRecord(7, m_moduleTypeName, 34);
        } else if (id == 0x0424 && m_mode424 != 0) {
            recordLength = 20;
            QByteArray record = QByteArray::fromHex("5144FF");
            record.append(char(m_mode424));
            record.append(QByteArray(16, '\0'));
            records << record;
        }
        if (records.isEmpty()) {
            QByteArray refused = QByteArray::fromHex("000112081284010100000000");
            refused[10] = char(0xD4);
            refused[11] = char(0x01);
            return userData(reference, refused, QByteArray::fromHex("0A000000"));
        }
        put16(list, id);
        put16(list, 0);
        put16(list, recordLength);
        put16(list, int(records.size()));
        for (const QByteArray &record : records)
            list += record;
    }
    const int partSize = m_szlPartSize > 0 ? m_szlPartSize : int(list.size());
    const QByteArray part = list.left(partSize);
    m_szlPending = list.mid(partSize);
    ++m_szlSequence;
    QByteArray answerParameters = QByteArray::fromHex("0001120812840100");
    answerParameters[7] = char(m_szlSequence);
    answerParameters.append(char(m_szlPending.isEmpty() ? 0 : m_szlSequence));
    answerParameters.append(char(m_szlPending.isEmpty() ? 0 : 1));
    answerParameters.append(QByteArray(2, '\0'));
    QByteArray answerData("\xFF\x09", 2);
    put16(answerData, int(part.size()));
    return userData(reference, answerParameters, answerData + part);
}
