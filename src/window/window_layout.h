#pragma once

#include <QRect>
#include <QSize>

// Where the three controls that follow the window's size go for a client
// area of the given size: the scope screen, the dump box and the pause box.
// Everything else keeps its place. While the client area is too small for
// the layout (under 152 pixels high or 8 wide), sizes are held at 0.
struct WindowLayout
{
    QRect scopeScreen;
    QRect dumpBox;
    QRect pauseBox;
};

WindowLayout layoutFor(QSize client, QRect scopeScreen, QRect dumpBox, QRect pauseBox);
