#include "rate_limit.h"

#include <algorithm>

std::chrono::milliseconds RateLimit::waitAt(Clock::time_point now) const
{
    if (!m_lastRun)
        return {};
    // Whole milliseconds gone, rounded down: never less than a full interval between runs.
    const auto sinceLastRun = std::chrono::floor<std::chrono::milliseconds>(now - *m_lastRun);
    return std::max(m_interval - sinceLastRun, std::chrono::milliseconds{});
}

RateLimitedAction::RateLimitedAction(std::chrono::milliseconds interval, std::function<void()> action,
                                     QObject *parent)
    : QObject(parent), m_limit(interval), m_action(std::move(action))
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire a little early.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RateLimitedAction::run);
}

void RateLimitedAction::request()
{
    if (!m_timer.isActive())
        m_timer.start(m_limit.waitAt(RateLimit::Clock::now()));
}

void RateLimitedAction::run()
{
    m_limit.ranAt(RateLimit::Clock::now());
    m_action();
}
