#pragma once

#include <QRgb>

#include <algorithm>

// `count` pixels from `pixels` on take `color`: in blocks of a fixed length,
// which the compiler writes a few pixels at a time.
inline void fillPixels(QRgb *pixels, int count, QRgb color)
{
    int i = 0;
    for (; i + 16 <= count; i += 16)
        for (int k = 0; k < 16; ++k)
            pixels[i + k] = color;
    std::fill(pixels + i, pixels + count, color);
}
