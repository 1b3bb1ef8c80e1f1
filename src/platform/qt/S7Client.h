#pragma once

#include "s7access/PlcCheck.h"
#include "s7access/PlcIdentity.h"
#include "s7access/S7Frames.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

// One read-only S7comm connection to one PLC: TCP connect, ISO connection request, Setup
// Communication, when asked the PLC's identity by read SZL, then Read Var requests that carry
// as many of the items as the negotiated PDU size allows, one request at a time. Every step has
// the same time limit. It has no write request: the frames it can send are the four above. An
// answer whose PDU reference is not the request's (a stray or repeated one) is dropped.
class S7Client : public QObject
{
public:
    // Item `index` (of the items given) has its value, or failed with `error`.
    using ItemDone = std::function<void(int index, std::optional<PlcValue> value, const QString &error)>;

    S7Client(const PlcEndpoint &plc, std::vector<S7::ReadItem> items, int stepTimeoutMs, ItemDone itemDone,
             std::function<void()> finished, QObject *parent = nullptr);
    ~S7Client() override;

    // Before the reads, reads SZL 0x0011, 0x001C and 0x0424 and reports what the PLC told, once,
    // whether it answered or not (a refused or unanswered list is left out, never an error).
    void readIdentity(std::function<void(const PlcIdentity &)> identityDone);

    void start();
    // Closes the connection; every item not yet done fails with `reason`. No `finished` call.
    void abort(const QString &reason);

    // The PDU size the PLC accepted (0 before Setup Communication was answered).
    int pduSize() const { return m_pduSize; }
    // Why the connection failed; empty while it did not.
    const QString &error() const { return m_error; }

private:
    enum class State { Idle, Connecting, AwaitConfirm, AwaitSetup, AwaitSzl, AwaitRead, Done };

    void onConnected();
    void onReadyRead();
    void onFrame(const QByteArray &frame);
    void onError(QAbstractSocket::SocketError error);
    void onTimeout();
    void send(const QByteArray &frame, State next);
    void sendNextRequest();
    void sendNextSzl();
    void onSzlAnswer(const QByteArray &frame);
    // Fails every item not yet done and ends the connection.
    void failAll(const QString &error);
    void finish();

    PlcEndpoint m_plc;
    std::vector<S7::ReadItem> m_items;
    std::vector<bool> m_done;
    int m_timeoutMs;
    ItemDone m_itemDone;
    std::function<void()> m_finished;
    QTcpSocket m_socket;
    QTimer m_timer;
    QByteArray m_buffer;
    State m_state = State::Idle;
    std::uint16_t m_reference = 0;
    int m_pduSize = 0;
    int m_next = 0;      // first item of the next request
    int m_batchSize = 0; // items of the request in flight
    QString m_error;
    std::function<void(const PlcIdentity &)> m_identityDone;
    PlcIdentity m_identity;
    std::vector<std::uint16_t> m_szlToRead;
    std::uint16_t m_szlId = 0;
    QByteArray m_szlData;
    int m_szlParts = 0;
};
