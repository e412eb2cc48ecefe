#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

// Runs the event loop until `done`, without the pauses of QTest::qWait
// between turns, so notifications come as they would in the program.
template<typename Predicate>
bool runUntil(Predicate done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

inline void runFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    runUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
}
