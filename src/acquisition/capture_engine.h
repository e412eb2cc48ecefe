#pragma once

#include "capture_state.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// What one receive notification brings to the engine.
struct CommNotification
{
    int commEvent = 0;
    bool paused = false;
    // The trigger window: the numeric values of the two bound boxes' texts.
    // A value depends on its text alone, so the window works it out when the
    // text changes, not at every notification: a pasted bound of thousands
    // of characters costs nothing while waiting.
    double triggerLow = 0.0;
    double triggerHigh = 0.0;
    // Reads the port: every byte received and not yet read. Called at most
    // once, and not at all for an event that is not a receive or while paused.
    std::function<QByteArray()> readInput;
};

// Turns received chunks into blocks of N readings, with the optional trigger
// window and the block's timing: the block's time over the readings read in
// that time. Returns the dump text of a block completed by this
// notification. OverflowError or ArithmeticError when N is outside 1..32766;
// the port is then not read.
//
// A receive notification while paused means a backlog will come at once:
// as after the port's opening, the block is then timed from the arrival of
// its first chunk, whose readings are not counted. A block that completes
// within that chunk keeps the previous time per sample.
std::optional<QString> handleCommNotification(CaptureState &state, const CommNotification &notification);

// The port has opened or reopened: a block under way is given up, the engine
// re-armed and the stopwatch reset, as after a block, and the next block is
// timed from the first readings that arrive.
void restartCapture(CaptureState &state);
