#pragma once

#include "platform/Clock.h"

#include <QElapsedTimer>

// The real clock: a monotonic timer; sleeps in small steps while processing events.
class SteadyClock : public Clock
{
public:
    SteadyClock() { m_timer.start(); }
    std::int64_t nowMs() override { return m_timer.elapsed(); }
    void sleepMs(int ms, bool processEvents) override;

private:
    QElapsedTimer m_timer;
};
