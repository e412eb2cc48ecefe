#pragma once

#include "stopwatch/performance_counter.h"

#include <cstdint>

// A counter whose frequency and readings the test sets; every query is counted.
class FakeCounter final : public PerformanceCounter
{
public:
    explicit FakeCounter(std::int64_t ticksPerSecond) : frequency(ticksPerSecond) { }

    std::int64_t frequency;
    bool frequencyOk = true; // what the frequency query reports
    std::int64_t reading = 0;
    mutable int frequencyQueries = 0;
    mutable int counterQueries = 0;

    bool queryFrequency(std::int64_t *ticksPerSecond) const override
    {
        ++frequencyQueries;
        *ticksPerSecond = frequency;
        return frequencyOk;
    }
    bool queryCounter(std::int64_t *ticks) const override
    {
        ++counterQueries;
        *ticks = reading;
        return true;
    }
};
