#include "platform/qt/PlcScanner.h"

#include "platform/qt/S7Client.h"

#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <array>

namespace {

struct RackSlot
{
    int rack;
    int slot;
};
// S7-300 CPUs sit in slot 2, S7-1200/1500 answer in slot 1 (or 0), some CPUs of the S7-400 in 3.
constexpr std::array<RackSlot, 4> kPairs{{{0, 2}, {0, 1}, {0, 0}, {0, 3}}};

// Nothing listens there: no other rack or slot will answer either.
bool nobodyThere(const QString &error)
{
    return error == QLatin1String("connection refused") || error.startsWith(QLatin1String("no connection within"));
}

} // namespace

PlcScanner::PlcScanner(QObject *parent) : QObject(parent) {}

PlcScanner::~PlcScanner()
{
    for (const auto &address : m_active)
        delete address->client;
}

void PlcScanner::start(std::uint32_t first, std::uint32_t last, std::uint16_t port, int timeoutMs, Progress progress,
                       Finished finished)
{
    if (m_running || Scan_Range_Error(first, last))
        return;
    ++m_generation;
    m_port = port;
    m_timeoutMs = timeoutMs;
    m_next = first;
    m_last = last;
    m_total = int(last - first) + 1;
    m_done = 0;
    m_running = true;
    m_cancelled = false;
    m_found.clear();
    m_progress = std::move(progress);
    m_finished = std::move(finished);
    startNext();
}

void PlcScanner::startNext()
{
    while (m_running && int(m_active.size()) < kScanConnections && m_done + int(m_active.size()) < m_total) {
        auto address = std::make_shared<Address>();
        address->address = m_next++;
        m_active.push_back(address);
        tryPair(address);
    }
    finishWhenDone();
}

void PlcScanner::tryPair(const std::shared_ptr<Address> &address)
{
    const RackSlot pair = kPairs[std::size_t(address->pair)];
    const PlcEndpoint plc{address->address, m_port, pair.rack, pair.slot};
    auto self = std::make_shared<S7Client *>(nullptr);
    auto *client = new S7Client(
        plc, {}, m_timeoutMs, [](int, std::optional<PlcValue>, const QString &) {},
        [this, address, self] {
            // Called from within the client: it goes when the event loop next runs.
            S7Client *finished = *self;
            if (address->client != finished)
                return;
            finished->deleteLater();
            address->client = nullptr;
            const bool connected = finished->pduSize() > 0;
            if (!connected && !nobodyThere(finished->error()) && ++address->pair < int(kPairs.size())) {
                tryPair(address);
                return;
            }
            addressDone(address);
        },
        this);
    *self = client;
    address->client = client;
    client->readIdentity([this, plc](const PlcIdentity &identity) { m_found.push_back(FoundPlc{plc, identity}); });
    client->start();
}

void PlcScanner::addressDone(const std::shared_ptr<Address> &address)
{
    std::erase(m_active, address);
    ++m_done;
    if (m_progress)
        m_progress(m_done, m_total, int(m_found.size()));
    startNext();
}

void PlcScanner::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    for (const auto &address : m_active) {
        if (address->client) {
            address->client->abort(QStringLiteral("cancelled"));
            address->client->deleteLater();
        }
    }
    m_active.clear();
    m_done = m_total;
    finishWhenDone();
}

void PlcScanner::finishWhenDone()
{
    if (!m_running || m_done < m_total || !m_active.empty())
        return;
    m_running = false;
    std::sort(m_found.begin(), m_found.end(),
              [](const FoundPlc &a, const FoundPlc &b) { return a.plc.address < b.plc.address; });
    QTimer::singleShot(0, this, [this, generation = m_generation, found = m_found, cancelled = m_cancelled] {
        if (generation != m_generation || m_running)
            return;
        const Finished finished = std::move(m_finished);
        m_finished = nullptr;
        m_progress = nullptr;
        if (finished)
            finished(found, cancelled);
    });
}

std::vector<FoundPlc> PlcScanner::Run_Scan(std::uint32_t first, std::uint32_t last, std::uint16_t port, int timeoutMs)
{
    PlcScanner scanner;
    std::vector<FoundPlc> found;
    if (Scan_Range_Error(first, last))
        return found;
    QEventLoop loop;
    scanner.start(first, last, port, timeoutMs, nullptr, [&](const std::vector<FoundPlc> &f, bool) {
        found = f;
        loop.quit();
    });
    loop.exec();
    return found;
}

PlcProbe PlcScanner::Read_Identity(const PlcEndpoint &plc, int timeoutMs)
{
    PlcProbe probe;
    QEventLoop loop;
    S7Client client(plc, {}, timeoutMs, [](int, std::optional<PlcValue>, const QString &) {},
                    [&loop] { QTimer::singleShot(0, &loop, &QEventLoop::quit); });
    client.readIdentity([&probe](const PlcIdentity &identity) {
        probe.connected = true;
        probe.identity = identity;
    });
    client.start();
    loop.exec();
    probe.error = client.error();
    return probe;
}

