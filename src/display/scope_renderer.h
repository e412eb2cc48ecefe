#pragma once

#include "scope_surface.h"

#include <QtGlobal>

#include <span>

// What one redraw reads besides the screen.
struct ScopeFrame
{
    // Entries 0..U; entry U is never drawn.
    std::span<const qint16> samples;
    int timeCursor1 = 0;
    int timeCursor2 = 0;
    int levelCursor1 = 0;
    int levelCursor2 = 0;
    double msPerSample = 0.0;
};

// One full redraw, in this order: clear, the scales (xScale = W / U pixels
// per reading, yScale = H / 265 pixels per count), grid, trace, time readout,
// time cursors, level cursors, level readout. An error ends it where it
// occurs: what was drawn stays, and readouts not yet reached keep their text.
// Needs U > 0.
void drawScope(ScopeSurface &screen, ReadoutDisplay &readouts, const ScopeFrame &frame, double &xScale,
               double &yScale);
