#pragma once

#include "host_view.h"

#include <optional>

// What to tell the operator about a port that cannot be used, beyond the
// plain reason: the status label is small, so it shows `summary` and
// `remedy` (a command to copy, where there is one) and keeps `details`, the
// whole text with every command, for its tooltip.
struct PortAdvice
{
    QString summary;
    QString remedy;
    QString details;
};

// Advice for port 1 on `device`, which failed for `failure` (empty when it is
// open), `usbListed` telling whether the host lists a USB serial device;
// none when the plain reason says all that can be said.
std::optional<PortAdvice> diagnosePort(const QString &device, const QString &failure, bool usbListed,
                                       const HostView &host);
