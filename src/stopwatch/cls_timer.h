#pragma once

#include "fixed_point4.h"
#include "performance_counter.h"

#include <QString>

// Milliseconds from `start` to `stop` at `frequency` ticks per second, with
// the stopwatch's own arithmetic: the raw difference and the frequency as
// doubles, their quotient, then x 10000 and x 1000 in that order, which fixes
// the last bit of the result. OverflowError for a difference outside 64 bits,
// ArithmeticError when the frequency is 0.
double elapsedMilliseconds(FixedPoint4 start, FixedPoint4 stop, FixedPoint4 frequency);

// High-resolution stopwatch. A counter reading is stored bit for bit as the
// raw value of a FixedPoint4, while the frequency is scaled by 10000 once, at
// construction, so that its number is the ticks per second.
class clsTimer
{
public:
    FixedPoint4 m_curFrequency;
    bool m_HasCounter = false;
    FixedPoint4 m_StartTime;
    FixedPoint4 m_StopTime;

    clsTimer();
    explicit clsTimer(const PerformanceCounter &counter);

    bool HasCounter() const { return m_HasCounter; }
    // OverflowError above 2,147,483,647 ticks per second.
    std::int32_t TicksPerSecond() const { return m_curFrequency.toInt32(); }

    void ResetTimer();
    void StopTimer();

    double Elapsed() const;
    // "Execution took 1,234.567 ms", in the user's number format.
    QString strElapsed() const;

private:
    const PerformanceCounter &m_counter;
};
