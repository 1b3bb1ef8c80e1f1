#include "platform/qt/S7Client.h"

#include <QNetworkProxy>
#include <algorithm>
#include <span>

S7Client::S7Client(const PlcEndpoint &plc, std::vector<S7::ReadItem> items, int stepTimeoutMs, ItemDone itemDone,
                   std::function<void()> finished, QObject *parent)
    : QObject(parent), m_plc(plc), m_items(std::move(items)), m_done(m_items.size(), false),
      m_timeoutMs(stepTimeoutMs), m_itemDone(std::move(itemDone)), m_finished(std::move(finished))
{
    m_socket.setProxy(QNetworkProxy::NoProxy);
    m_timer.setSingleShot(true);
    connect(&m_socket, &QTcpSocket::connected, this, &S7Client::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &S7Client::onReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &S7Client::onError);
    connect(&m_socket, &QTcpSocket::disconnected, this,
            [this] { failAll(QStringLiteral("the PLC closed the connection")); });
    connect(&m_timer, &QTimer::timeout, this, &S7Client::onTimeout);
}

S7Client::~S7Client()
{
    m_socket.disconnect(this);
    m_socket.abort();
}

void S7Client::readIdentity(std::function<void(const PlcIdentity &)> identityDone)
{
    m_identityDone = std::move(identityDone);
}

void S7Client::start()
{
    m_state = State::Connecting;
    m_timer.start(m_timeoutMs);
    m_socket.connectToHost(m_plc.host(), m_plc.port);
}

void S7Client::abort(const QString &reason)
{
    const ItemDone itemDone = m_itemDone;
    m_state = State::Done;
    m_timer.stop();
    m_socket.disconnect(this);
    m_socket.abort();
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (!m_done[i]) {
            m_done[i] = true;
            itemDone(int(i), std::nullopt, reason);
        }
    }
}

void S7Client::onConnected()
{
    send(S7::Connection_Request(m_plc.rack, m_plc.slot), State::AwaitConfirm);
}

void S7Client::send(const QByteArray &frame, State next)
{
    m_state = next;
    m_timer.start(m_timeoutMs);
    m_socket.write(frame);
}

void S7Client::onReadyRead()
{
    m_buffer += m_socket.readAll();
    while (m_state != State::Done) {
        const std::optional<int> length = S7::Frame_Length(m_buffer);
        if (!length || (*length > 0 && m_buffer.size() < *length))
            return;
        if (*length < 0) {
            failAll(QStringLiteral("the PLC sent an answer that is not ISO-on-TCP"));
            return;
        }
        const QByteArray frame = m_buffer.left(*length);
        m_buffer.remove(0, *length);
        onFrame(frame);
    }
}

void S7Client::onFrame(const QByteArray &frame)
{
    if (m_state == State::AwaitSetup || m_state == State::AwaitSzl || m_state == State::AwaitRead) {
        const std::optional<std::uint16_t> reference = S7::Answer_Pdu_Reference(frame);
        if (reference && *reference != m_reference)
            return; // a stray or repeated answer: the one awaited may still come
    }
    switch (m_state) {
    case State::AwaitConfirm:
        if (const auto error = S7::Parse_Connection_Confirm(frame)) {
            failAll(*error);
            return;
        }
        send(S7::Setup_Communication_Request(++m_reference), State::AwaitSetup);
        return;
    case State::AwaitSetup: {
        const S7::SetupAnswer answer = S7::Parse_Setup_Communication_Answer(frame, m_reference);
        if (answer.error) {
            failAll(*answer.error);
            return;
        }
        m_pduSize = std::min(answer.pduSize, S7::kMaxFrameSize - S7::kIsoHeaderSize);
        if (m_identityDone) {
            m_szlToRead = {S7::kSzlModuleIdentification, S7::kSzlComponentIdentification, S7::kSzlOperatingMode};
            sendNextSzl();
        } else {
            sendNextRequest();
        }
        return;
    }
    case State::AwaitSzl:
        onSzlAnswer(frame);
        return;
    case State::AwaitRead: {
        const S7::ReadAnswer answer = S7::Parse_Read_Var_Answer(frame, m_reference, m_batchSize);
        for (int k = 0; k < m_batchSize; ++k) {
            const int index = m_next + k;
            std::optional<PlcValue> value;
            QString error;
            if (answer.error) {
                error = *answer.error;
            } else if (answer.items[std::size_t(k)].error) {
                error = *answer.items[std::size_t(k)].error;
            } else if (answer.items[std::size_t(k)].returnCode != S7::kReturnSuccess) {
                error = S7::Return_Code_Text(answer.items[std::size_t(k)].returnCode);
            } else {
                value = Decode_Plc_Value(m_items[std::size_t(index)].transportSize, answer.items[std::size_t(k)].data);
                if (!value)
                    error = QStringLiteral("the PLC's answer is cut short");
            }
            m_done[std::size_t(index)] = true;
            m_itemDone(index, value, error);
            if (m_state == State::Done)
                return; // aborted from within the report
        }
        m_next += m_batchSize;
        m_batchSize = 0;
        sendNextRequest();
        return;
    }
    default:
        return; // nothing is expected
    }
}

void S7Client::sendNextRequest()
{
    if (m_next >= int(m_items.size())) {
        finish();
        return;
    }
    const std::span<const S7::ReadItem> rest(m_items.data() + m_next, m_items.size() - std::size_t(m_next));
    m_batchSize = S7::Items_Fitting(rest, m_pduSize);
    send(S7::Read_Var_Request(++m_reference, rest.first(std::size_t(m_batchSize))), State::AwaitRead);
}

void S7Client::sendNextSzl()
{
    if (m_szlToRead.empty()) {
        const auto identityDone = std::move(m_identityDone);
        m_identityDone = nullptr;
        identityDone(m_identity);
        if (m_state == State::Done)
            return; // aborted from within the report
        sendNextRequest();
        return;
    }
    m_szlId = m_szlToRead.front();
    m_szlToRead.erase(m_szlToRead.begin());
    m_szlData.clear();
    m_szlParts = 1;
    send(S7::Read_Szl_Request(++m_reference, m_szlId, 0), State::AwaitSzl);
}

void S7Client::onSzlAnswer(const QByteArray &frame)
{
    const S7::SzlPart part = S7::Parse_Read_Szl_Answer(frame, m_reference);
    if (part.error || part.refused) {
        sendNextSzl(); // this list is not available; the rest may be
        return;
    }
    m_szlData += part.data;
    if (part.more && m_szlParts < S7::kMaxSzlParts) {
        ++m_szlParts;
        send(S7::Read_Szl_Next_Request(++m_reference, part.sequence), State::AwaitSzl);
        return;
    }
    if (const std::optional<S7::SzlList> list = S7::Parse_Szl_List(m_szlData); list && list->id == m_szlId)
        m_identity.apply(*list);
    sendNextSzl();
}

void S7Client::onError(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        failAll(QStringLiteral("connection refused"));
        break;
    case QAbstractSocket::RemoteHostClosedError:
        failAll(QStringLiteral("the PLC closed the connection"));
        break;
    default:
        failAll(m_socket.errorString());
        break;
    }
}

void S7Client::onTimeout()
{
    if (m_state == State::AwaitSzl) {
        // A PLC that leaves read SZL unanswered tells nothing of itself; its items may still be
        // read. A late answer has an old PDU reference and is dropped.
        m_szlToRead.clear();
        sendNextSzl();
        return;
    }
    if (m_state == State::Connecting)
        failAll(QStringLiteral("no connection within %1 ms").arg(m_timeoutMs));
    else
        failAll(QStringLiteral("no answer within %1 ms").arg(m_timeoutMs));
}

void S7Client::failAll(const QString &error)
{
    if (m_state == State::Done)
        return;
    m_error = error;
    abort(error);
    if (m_finished)
        m_finished();
}

void S7Client::finish()
{
    m_state = State::Done;
    m_timer.stop();
    m_socket.disconnect(this);
    m_socket.disconnectFromHost();
    if (m_finished)
        m_finished();
}
