#include "performance_counter.h"

#include <chrono>

namespace {

class SteadyClockCounter final : public PerformanceCounter
{
    using Clock = std::chrono::steady_clock;
    static_assert(Clock::period::num == 1, "the counter must tick a whole number of times per second");

public:
    bool queryFrequency(std::int64_t *ticksPerSecond) const override
    {
        *ticksPerSecond = Clock::period::den;
        return true;
    }
    bool queryCounter(std::int64_t *ticks) const override
    {
        *ticks = Clock::now().time_since_epoch().count();
        return true;
    }
};

} // namespace

const PerformanceCounter &PerformanceCounter::steadyClock()
{
    static const SteadyClockCounter counter;
    return counter;
}
