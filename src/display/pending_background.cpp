#include "pending_background.h"

#include <algorithm>

void PendingBackground::setHeight(int height)
{
    m_waiting.assign(size_t(std::max(height, 0)), false);
    m_waitingRows = 0;
}

void PendingBackground::start(QRgb color)
{
    m_color = color;
    std::fill(m_waiting.begin(), m_waiting.end(), true);
    m_waitingRows = int(m_waiting.size());
}

void PendingBackground::markLaid(int y)
{
    if (m_waiting[size_t(y)]) {
        m_waiting[size_t(y)] = false;
        --m_waitingRows;
    }
}

void PendingBackground::lay(QImage &picture, int first, int last)
{
    int y = first;
    while (m_waitingRows > 0 && y <= last) {
        if (!m_waiting[size_t(y)]) {
            ++y;
            continue;
        }
        int end = y;
        while (end <= last && m_waiting[size_t(end)]) {
            m_waiting[size_t(end)] = false;
            ++end;
        }
        m_waitingRows -= end - y;
        // The rows as an image of their own, for the toolkit's fill, which
        // writes many pixels at a time.
        QImage rows(picture.bits() + y * picture.bytesPerLine(), picture.width(), end - y, picture.bytesPerLine(),
                    picture.format());
        rows.fill(m_color);
        y = end;
    }
}
