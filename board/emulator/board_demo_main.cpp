// The scope on the emulated board: the real firmware on an emulated
// ATmega328P sends its readings through a pseudo-terminal, as an Uno does
// through its USB chip, resetting when the scope opens the port.
#include "emulated_board.h"
#include "pseudo_terminal.h"
#include "window/form1.h"

#include <QApplication>

#include <cstdio>
#include <exception>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    PseudoTerminal line;
    try {
        EmulatedBoard board(TARNWICK_BOARD_ELF, line.masterFd());
        // 50 Hz between 0.5 V and 4.5 V on A0.
        board.setSignal({.waveform = EmulatedBoard::Waveform::Sine, .frequencyHz = 50.0, .amplitudeV = 2.0, .offsetV = 2.5});
        board.setDelivery(UsbDelivery::unoCdc());
        board.resetOnOpening(EmulatedBoard::kUnoBootloaderSeconds);
        board.start();

        int result = 0;
        {
            Form1 window(line.slavePath());
            window.show();
            std::fprintf(stderr, "tarnwick-board-demo: emulated board on %s\n", qPrintable(line.slavePath()));
            result = app.exec();
            // The window closes its port before the board stops.
        }
        board.stop();
        return result;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "tarnwick-board-demo: %s\n", error.what());
        return 1;
    }
}
