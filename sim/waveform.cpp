#include "waveform.h"

#include <cmath>
#include <numbers>

double waveShape(Waveform waveform, double frequencyHz, double seconds)
{
    double phase = std::fmod(seconds * frequencyHz, 1.0); // 0..1 through a period
    if (phase < 0)
        phase += 1.0;
    switch (waveform) {
    case Waveform::Sine:
        return std::sin(2.0 * std::numbers::pi * phase);
    case Waveform::Square:
        return phase < 0.5 ? 1.0 : -1.0;
    case Waveform::Triangle:
        return phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
    case Waveform::Sawtooth:
        return 2.0 * phase - 1.0;
    case Waveform::Dc:
    case Waveform::Noise:
        break;
    }
    return 0.0;
}
