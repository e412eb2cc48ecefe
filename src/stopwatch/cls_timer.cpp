#include "cls_timer.h"

#include "common/errors.h"
#include "common/number_format.h"

double elapsedMilliseconds(FixedPoint4 start, FixedPoint4 stop, FixedPoint4 frequency)
{
    const double ticks = (stop - start).toDouble();
    const double ticksPerSecond = frequency.toDouble();
    double r = checkedResult(ticks / ticksPerSecond, "stopwatch frequency is zero");
    r = checkedResult(r * FixedPoint4::kScale, "stopwatch interval overflows");
    return checkedResult(r * 1000, "stopwatch interval overflows");
}

clsTimer::clsTimer() : clsTimer(PerformanceCounter::steadyClock()) { }

clsTimer::clsTimer(const PerformanceCounter &counter) : m_counter(counter)
{
    m_HasCounter = m_counter.queryFrequency(&m_curFrequency.raw);
    m_curFrequency = m_curFrequency * FixedPoint4::kScale;
}

void clsTimer::ResetTimer()
{
    m_counter.queryCounter(&m_StartTime.raw);
}

void clsTimer::StopTimer()
{
    m_counter.queryCounter(&m_StopTime.raw);
}

double clsTimer::Elapsed() const
{
    return elapsedMilliseconds(m_StartTime, m_StopTime, m_curFrequency);
}

QString clsTimer::strElapsed() const
{
    return QStringLiteral("Execution took ") + formatNumber(Elapsed(), kStopwatchPattern) + QStringLiteral(" ms");
}
