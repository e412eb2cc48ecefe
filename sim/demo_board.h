#pragma once

#include "pseudo_terminal.h"
#include "simulated_board.h"

// The demo's board on a pseudo-terminal of its own, as the demo and the README's
// screenshot show it: 0.2 V to 4.5 V at 40 Hz, about three periods in the 768
// readings of a block, crossing the 20..100 trigger window on every rising edge.
// A window on it must close its port before this goes, so declare it after.
class DemoBoard
{
public:
    DemoBoard() : m_board(m_line.masterFd())
    {
        m_board.setSignal({.waveform = SimulatedBoard::Waveform::Sine,
                           .frequencyHz = 40.0,
                           .amplitudeV = 2.15,
                           .offsetV = 2.35});
    }

    QString devicePath() const { return m_line.slavePath(); }
    void start() { m_board.start(); }

private:
    // The board stops before its line closes.
    PseudoTerminal m_line;
    SimulatedBoard m_board;
};
