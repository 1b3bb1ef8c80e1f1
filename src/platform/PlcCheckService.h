#pragma once

#include "s7access/PlcCheck.h"
#include "s7access/PlcCheckIdentity.h"

#include <functional>
#include <vector>

// Runs a read-only check of rule items against their PLCs in the background of the event loop.
class PlcCheckService
{
public:
    // Rules finished so far, of all.
    using Progress = std::function<void(int done, int total)>;
    // One result per item, in item order; `cancelled` when cancel() ended the check.
    using Finished = std::function<void(const std::vector<PlcCheckResult> &results, bool cancelled)>;

    virtual ~PlcCheckService() = default;

    // Starts the check and returns at once. `finished` is called exactly once, from the event
    // loop, never from within start() or cancel().
    virtual void start(std::vector<PlcCheckItem> items, const PlcCheckLimits &limits, Progress progress,
                       Finished finished) = 0;
    // Closes every connection; the rules not yet read fail as cancelled.
    virtual void cancel() = 0;
    virtual bool running() const = 0;
    // Which PLC answered, one per PLC of the last check in order of first use; complete once
    // `finished` was called.
    virtual std::vector<PlcCheckIdentity> identities() const { return {}; }
};
