#pragma once

#include <QDebug>

#include <exception>

// Runs an event handler to its end or to its first error. An error ends the
// handler where it occurred; the program goes on with the next event.
template<typename Handler>
void runHandler(const char *name, Handler &&handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        qWarning("%s ended early: %s", name, error.what());
    }
}
