#pragma once

#include <QByteArray>

#include <random>

// Each file registers its own cases; main runs them after the application exists.
void registerDrawBenchmarks();
void registerCaptureBenchmarks();
void registerWindowBenchmarks();
// How long the line-rate runs last (10 s unless told).
void setLineRateSeconds(int seconds);

// `count` readings of seeded noise over the whole 0..255 range, as the
// board sends them: one byte each.
inline QByteArray noiseReadings(qsizetype count, unsigned seed)
{
    QByteArray bytes(count, 0);
    std::mt19937 random(seed);
    for (char &byte : bytes)
        byte = char(random() & 0xff);
    return bytes;
}
