#include "platform/qt/QtPlcChecker.h"

#include "platform/qt/S7Client.h"

#include <QEventLoop>
#include <algorithm>

QtPlcChecker::QtPlcChecker(QObject *parent) : QObject(parent)
{
    m_wholeTimer.setSingleShot(true);
    connect(&m_wholeTimer, &QTimer::timeout, this, [this] {
        stopAll(QStringLiteral("the check's time limit of %1 ms ran out").arg(m_limits.wholeMs), false);
    });
}

QtPlcChecker::~QtPlcChecker()
{
    for (const QPointer<S7Client> &client : m_active)
        delete client.data();
}

void QtPlcChecker::start(std::vector<PlcCheckItem> items, const PlcCheckLimits &limits, Progress progress,
                         Finished finished)
{
    if (m_running)
        return; // one check at a time
    ++m_generation;
    m_items = std::move(items);
    m_results.assign(m_items.size(), std::nullopt);
    m_waiting.clear();
    m_identities.clear();
    m_limits = limits;
    m_progress = std::move(progress);
    m_finished = std::move(finished);
    m_done = 0;
    m_running = true;
    m_cancelled = false;
    m_finishQueued = false;

    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const PlcCheckItem &item = m_items[i];
        if (!item.plc) {
            m_results[i] = Plc_Check_Failure(item, QStringLiteral("not a valid PLC address"));
            ++m_done;
            continue;
        }
        auto plc = std::find_if(m_waiting.begin(), m_waiting.end(),
                                [&](const Plc &p) { return p.endpoint == *item.plc; });
        if (plc == m_waiting.end()) {
            plc = m_waiting.insert(m_waiting.end(), Plc{*item.plc, {}});
            m_identities.push_back(PlcCheckIdentity{*item.plc, false, {}});
        }
        plc->items.push_back(int(i));
    }
    m_wholeTimer.start(m_limits.wholeMs);
    startNextClients();
    finishWhenDone();
}

void QtPlcChecker::startNextClients()
{
    std::erase_if(m_active, [](const QPointer<S7Client> &c) { return c.isNull(); });
    while (m_running && !m_waiting.empty() && int(m_active.size()) < kMaxPlcConnections) {
        Plc plc = std::move(m_waiting.front());
        m_waiting.pop_front();
        std::vector<S7::ReadItem> reads;
        for (const int index : plc.items)
            reads.push_back(m_items[std::size_t(index)].item);
        auto self = std::make_shared<S7Client *>(nullptr);
        auto *client = new S7Client(
            plc.endpoint, std::move(reads), m_limits.connectMs,
            [this, indices = plc.items](int k, std::optional<PlcValue> value, const QString &error) {
                itemDone(indices[std::size_t(k)], value, error);
            },
            [this, self] { clientFinished(*self); }, this);
        *self = client;
        client->readIdentity([this, endpoint = plc.endpoint](const PlcIdentity &identity) {
            for (PlcCheckIdentity &known : m_identities) {
                if (known.plc == endpoint) {
                    known.connected = true;
                    known.identity = identity;
                }
            }
        });
        m_active.emplace_back(client);
        client->start();
    }
}

void QtPlcChecker::itemDone(int item, const std::optional<PlcValue> &value, const QString &error)
{
    std::optional<PlcCheckResult> &result = m_results[std::size_t(item)];
    if (result)
        return;
    const PlcCheckItem &checked = m_items[std::size_t(item)];
    result = value ? Plc_Check_Success(checked, *value) : Plc_Check_Failure(checked, error);
    ++m_done;
    if (m_progress)
        m_progress(m_done, int(m_items.size()));
}

void QtPlcChecker::clientFinished(S7Client *client)
{
    // The client may still be on the call stack: it goes when the event loop next runs.
    client->deleteLater();
    std::erase_if(m_active, [client](const QPointer<S7Client> &c) { return c.data() == client || c.isNull(); });
    startNextClients();
    finishWhenDone();
}

void QtPlcChecker::cancel()
{
    if (m_running)
        stopAll(QStringLiteral("cancelled"), true);
}

void QtPlcChecker::stopAll(const QString &reason, bool cancelled)
{
    m_cancelled = cancelled;
    m_waiting.clear();
    const std::vector<QPointer<S7Client>> active = std::move(m_active);
    m_active.clear();
    for (const QPointer<S7Client> &client : active) {
        if (client) {
            client->abort(reason);
            client->deleteLater();
        }
    }
    for (std::size_t i = 0; i < m_items.size(); ++i)
        itemDone(int(i), std::nullopt, reason);
    finishWhenDone();
}

void QtPlcChecker::finishWhenDone()
{
    if (!m_running || m_finishQueued || m_done < int(m_items.size()))
        return;
    m_finishQueued = true;
    m_wholeTimer.stop();
    QTimer::singleShot(0, this, [this, generation = m_generation] {
        if (generation != m_generation || !m_running)
            return;
        m_running = false;
        std::vector<PlcCheckResult> results;
        for (const auto &result : m_results)
            results.push_back(*result);
        const Finished finished = std::move(m_finished);
        m_finished = nullptr;
        m_progress = nullptr;
        if (finished)
            finished(results, m_cancelled);
    });
}

std::vector<PlcCheckResult> QtPlcChecker::Run_Plc_Check(std::vector<PlcCheckItem> items, const PlcCheckLimits &limits,
                                                         std::vector<PlcCheckIdentity> *identities)
{
    QtPlcChecker checker;
    QEventLoop loop;
    std::vector<PlcCheckResult> results;
    checker.start(std::move(items), limits, nullptr, [&](const std::vector<PlcCheckResult> &r, bool) {
        results = r;
        loop.quit();
    });
    loop.exec();
    if (identities)
        *identities = checker.identities();
    return results;
}
