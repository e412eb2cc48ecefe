#pragma once

#include "simulated_board.h"

// What the demo's board sends: 0.2 V to 4.5 V at 40 Hz, about three periods in
// the 768 readings of a block, crossing the 20..100 trigger window on every
// rising edge.
inline constexpr SimulatedBoard::Signal kDemoSignal{.waveform = SimulatedBoard::Waveform::Sine,
                                                    .frequencyHz = 40.0,
                                                    .amplitudeV = 2.15,
                                                    .offsetV = 2.35};
