#pragma once

#include <cstdint>

// Millisecond ticks and sleeps, so that waits can run on a fake clock in tests.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() = 0;
    // Sleeps about `ms` milliseconds; the real clock processes pending events meanwhile when
    // asked to.
    virtual void sleepMs(int ms, bool processEvents) = 0;
};
