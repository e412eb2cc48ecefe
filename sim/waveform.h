#pragma once

#include <cstdint>

// The shapes a board's test input can take.
enum class Waveform { Dc, Sine, Square, Triangle, Sawtooth, Noise };

// A board's test input: the waveform about an offset, in volts. Each board
// and each test gives the values it plays.
struct TestSignal
{
    Waveform waveform = Waveform::Dc;
    double frequencyHz = 0.0;
    double amplitudeV = 0.0; // peak, about the offset
    double offsetV = 0.0;
    std::uint64_t seed = 1; // noise's sequence, where a board draws noise
};

// Where a wave of `frequencyHz` stands `seconds` after it began, in -1..1.
// Noise follows no course in time: the board that offers it draws it from
// its own seeded sequence, and it stands at 0 here.
double waveShape(Waveform waveform, double frequencyHz, double seconds);
