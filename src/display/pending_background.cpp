#include "pending_background.h"

#include "fill_pixels.h"

#include <algorithm>

namespace {

// Fewer pixels than this are filled here: an image over them costs more to
// set up than the toolkit's fill saves.
constexpr qsizetype kPixelsForImageFill = 16384;

} // namespace

void PendingBackground::setHeight(int height)
{
    m_waiting.assign(size_t(std::max(height, 0)), false);
    m_waitingRows = 0;
}

void PendingBackground::start(const QImage &picture, QRgb color)
{
    // As the toolkit's fill stores it: RGB32 keeps its alpha byte opaque.
    m_color = picture.format() == QImage::Format_RGB32 ? color | 0xff000000 : color;
    std::fill(m_waiting.begin(), m_waiting.end(), true);
    m_waitingRows = int(m_waiting.size());
}

void PendingBackground::cancel()
{
    if (m_waitingRows > 0)
        std::fill(m_waiting.begin(), m_waiting.end(), false);
    m_waitingRows = 0;
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
        if (qsizetype(end - y) * picture.width() < kPixelsForImageFill) {
            for (int row = y; row < end; ++row)
                fillPixels(reinterpret_cast<QRgb *>(picture.scanLine(row)), picture.width(), m_color);
        } else {
            // The rows as an image of their own, for the toolkit's fill,
            // which writes many pixels at a time.
            QImage rows(picture.bits() + y * picture.bytesPerLine(), picture.width(), end - y,
                        picture.bytesPerLine(), picture.format());
            rows.fill(m_color);
        }
        y = end;
    }
}
