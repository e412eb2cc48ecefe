#pragma once

#include "display/scope_surface.h"

// Readouts for a redraw whose text no test looks at.
struct NoReadouts : ReadoutDisplay
{
    void setTimeReadout(const QString &) override { }
    void setLevelReadout(const QString &) override { }
};
