#pragma once

#include "platform/PlcScanService.h"
#include "s7access/PlcCheck.h"
#include "s7access/PlcIdentity.h"
#include "s7access/PlcScanRange.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class S7Client;

// What one connection to a PLC told: whether Setup Communication succeeded, why not, and the
// identity it read.
struct PlcProbe
{
    bool connected = false;
    QString error;
    PlcIdentity identity;
};


// Finds the PLCs of one address range: for each address from `first` to `last` (at most
// kMaxScanAddresses, at most kScanConnections at a time) it connects to the port and tries the
// usual rack/slot pairs 0/2, 0/1, 0/0, 0/3 until Setup Communication succeeds, then reads the
// identity. Nothing but connect, Setup Communication and read SZL is sent; an address where
// nothing listens costs one connection attempt. It never goes beyond the range it is given.
class PlcScanner : public QObject, public PlcScanService
{
public:
    static constexpr int kScanConnections = 16;

    explicit PlcScanner(QObject *parent = nullptr);
    ~PlcScanner() override;

    void start(std::uint32_t first, std::uint32_t last, std::uint16_t port, int timeoutMs, Progress progress,
               Finished finished) override;
    void cancel() override;
    bool running() const override { return m_running; }

    // Runs a scan to its end in a local event loop.
    static std::vector<FoundPlc> Run_Scan(std::uint32_t first, std::uint32_t last, std::uint16_t port, int timeoutMs);
    // Connects to one PLC and reads its identity, in a local event loop.
    static PlcProbe Read_Identity(const PlcEndpoint &plc, int timeoutMs);

private:
    struct Address
    {
        std::uint32_t address = 0;
        int pair = 0; // index into the rack/slot pairs
        S7Client *client = nullptr;
    };

    void startNext();
    void tryPair(const std::shared_ptr<Address> &address);
    void addressDone(const std::shared_ptr<Address> &address);
    void finishWhenDone();

    std::uint16_t m_port = 102;
    int m_timeoutMs = 1000;
    std::uint32_t m_next = 0;
    std::uint32_t m_last = 0;
    int m_total = 0;
    int m_done = 0;
    bool m_running = false;
    bool m_cancelled = false;
    std::vector<std::shared_ptr<Address>> m_active;
    std::vector<FoundPlc> m_found;
    Progress m_progress;
    Finished m_finished;
    std::uint64_t m_generation = 0;
};

