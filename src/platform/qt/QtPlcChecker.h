#pragma once

#include "platform/PlcCheckService.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <optional>
#include <vector>

class S7Client;

// The real PLC check: one S7Client per distinct PLC (address, port, rack, slot), at most
// kMaxPlcConnections at a time, each PLC with the per-PLC limit and the whole check bounded by
// its own limit. Everything runs in the event loop of the calling thread.
class QtPlcChecker : public QObject, public PlcCheckService
{
public:
    explicit QtPlcChecker(QObject *parent = nullptr);
    ~QtPlcChecker() override;

    // Ignored while a check runs.
    void start(std::vector<PlcCheckItem> items, const PlcCheckLimits &limits, Progress progress,
               Finished finished) override;
    void cancel() override;
    bool running() const override { return m_running; }
    std::vector<PlcCheckIdentity> identities() const override { return m_identities; }

    // Runs a check to its end in a local event loop and returns its results, and which PLCs
    // answered when `identities` is given.
    static std::vector<PlcCheckResult> Run_Plc_Check(std::vector<PlcCheckItem> items, const PlcCheckLimits &limits,
                                                     std::vector<PlcCheckIdentity> *identities = nullptr);

private:
    struct Plc
    {
        PlcEndpoint endpoint;
        std::vector<int> items; // indices into m_items
    };

    void startNextClients();
    void itemDone(int item, const std::optional<PlcValue> &value, const QString &error);
    void clientFinished(S7Client *client);
    // Fails every rule not yet done with `reason` and ends the check.
    void stopAll(const QString &reason, bool cancelled);
    void finishWhenDone();

    std::vector<PlcCheckItem> m_items;
    std::vector<std::optional<PlcCheckResult>> m_results;
    std::vector<PlcCheckIdentity> m_identities;
    std::deque<Plc> m_waiting;
    std::vector<QPointer<S7Client>> m_active;
    PlcCheckLimits m_limits;
    Progress m_progress;
    Finished m_finished;
    QTimer m_wholeTimer;
    int m_done = 0;
    bool m_running = false;
    bool m_cancelled = false;
    bool m_finishQueued = false;
    std::uint64_t m_generation = 0; // tells a queued finish of an earlier check from the current one
};
