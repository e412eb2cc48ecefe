#pragma once

class QApplication;

// SIGTERM and SIGINT (a session ending, `kill`, Ctrl+C in a terminal) close the
// application's windows as their close buttons do, so the window shuts down as
// usual (the port is closed) and the program ends with status 0. Call once.
void closeWindowsOnTerminationSignals(QApplication &app);
