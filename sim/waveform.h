#pragma once

// The shapes a board's test input can take.
enum class Waveform { Dc, Sine, Square, Triangle, Sawtooth, Noise };

// Where a wave of `frequencyHz` stands `seconds` after it began, in -1..1.
// Noise follows no course in time: the board that offers it draws it from
// its own seeded sequence, and it stands at 0 here.
double waveShape(Waveform waveform, double frequencyHz, double seconds);
