#include "window_layout.h"

#include <algorithm>

WindowLayout layoutFor(QSize client, QRect scopeScreen, QRect dumpBox, QRect pauseBox)
{
    const int w = client.width();
    const int h = client.height();
    const auto size = [](int length) { return std::max(length, 0); };

    scopeScreen.setHeight(size(h - (scopeScreen.top() + 76)));
    scopeScreen.setWidth(size(w - 8));
    dumpBox.moveTop(h - 74);
    dumpBox.setWidth(size(w - 8));
    pauseBox.moveLeft(w - 100);
    return {scopeScreen, dumpBox, pauseBox};
}
