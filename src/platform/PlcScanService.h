#pragma once

#include "s7access/PlcScanRange.h"

#include <cstdint>
#include <functional>
#include <vector>

// Finds the PLCs of one address range in the background of the event loop (see PlcScanner).
class PlcScanService
{
public:
    // Addresses tried so far, of all, and the PLCs found so far.
    using Progress = std::function<void(int done, int total, int found)>;
    // The PLCs found, in address order; `cancelled` when cancel() ended the scan.
    using Finished = std::function<void(const std::vector<FoundPlc> &found, bool cancelled)>;

    virtual ~PlcScanService() = default;
    // Ignored while a scan runs or when Scan_Range_Error refuses the range. `finished` is
    // called once, from the event loop, never from within start() or cancel().
    virtual void start(std::uint32_t first, std::uint32_t last, std::uint16_t port, int timeoutMs, Progress progress,
                       Finished finished) = 0;
    virtual void cancel() = 0;
    virtual bool running() const = 0;
};
