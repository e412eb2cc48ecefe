#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

// When an action may run again if it runs at most once per interval.
class RateLimit
{
public:
    using Clock = std::chrono::steady_clock;

    explicit RateLimit(std::chrono::milliseconds interval) : m_interval(interval) {}

    // How long an action asked for at `now` waits: nothing when the last run
    // is an interval old or more.
    std::chrono::milliseconds waitAt(Clock::time_point now) const;
    void ranAt(Clock::time_point now) { m_lastRun = now; }

private:
    std::chrono::milliseconds m_interval;
    std::optional<Clock::time_point> m_lastRun;
};

// Runs an action at most once per interval: at once when it last ran an
// interval ago or more, else when that interval ends. Requests made while
// a run waits are taken by that run.
class RateLimitedAction : public QObject
{
public:
    RateLimitedAction(std::chrono::milliseconds interval, std::function<void()> action, QObject *parent = nullptr);

    void request();

private:
    void run();

    RateLimit m_limit;
    std::function<void()> m_action;
    QTimer m_timer;
};
