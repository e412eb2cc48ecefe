// The scope as the operator sees it, fed by the simulated board instead of
// a serial port: everything past the port is the real program.
#include "demo_board.h"
#include "window/form1.h"
#include "window/termination_signals.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    closeWindowsOnTerminationSignals(app);
    DemoBoard board;
    Form1 window(board.devicePath());
    window.show();
    board.start();
    std::fprintf(stderr, "tarnwick-demo: simulated board on %s\n", qPrintable(board.devicePath()));
    return app.exec();
}
