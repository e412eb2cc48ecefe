// The scope as the operator sees it, fed by the simulated board instead of
// a serial port: everything past the port is the real program.
#include "demo_signal.h"
#include "pseudo_terminal.h"
#include "simulated_board.h"
#include "window/form1.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    PseudoTerminal line;
    SimulatedBoard board(line.masterFd());
    board.setSignal(kDemoSignal);

    int result = 0;
    {
        Form1 window(line.slavePath());
        window.show();
        board.start();
        std::fprintf(stderr, "tarnwick-demo: simulated board on %s\n", qPrintable(line.slavePath()));
        result = app.exec();
        // The window closes its port before the line goes away.
    }
    board.stop();
    return result;
}
