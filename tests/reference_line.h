#pragma once

#include <cstdlib>

// The plain way to draw a line, which the scope's rasteriser is checked
// against: Bresenham's walk from pixel (x, y) to pixel (endX, endY), both
// ends included, handing each pixel on the way to `plot(x, y)` one by one.
template <typename Plot>
void walkReferenceLine(int x, int y, int endX, int endY, Plot plot)
{
    const int dx = std::abs(endX - x), dy = -std::abs(endY - y);
    const int stepX = x < endX ? 1 : -1, stepY = y < endY ? 1 : -1;
    int error = dx + dy;
    while (true) {
        plot(x, y);
        if (x == endX && y == endY)
            return;
        const int twice = 2 * error; // both steps decided on the error before either
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
}
