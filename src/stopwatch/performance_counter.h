#pragma once

#include <cstdint>

// The host's monotonic counter, as the stopwatch sees it: a constant
// frequency in ticks per second and readings as signed 64-bit tick counts.
// Each query reports whether it succeeded.
class PerformanceCounter
{
public:
    virtual ~PerformanceCounter() = default;
    virtual bool queryFrequency(std::int64_t *ticksPerSecond) const = 0;
    virtual bool queryCounter(std::int64_t *ticks) const = 0;

    // std::chrono::steady_clock, shared by every stopwatch of the program.
    static const PerformanceCounter &steadyClock();
};
