#pragma once

#include <QImage>
#include <QRgb>

#include <vector>

// The clear of a picture, put off row by row: a row gets the background
// when something is first drawn into it, or when the picture is finished.
// Rows that a dense trace crosses are then written once, background and
// trace together, instead of the clear writing the whole image out and the
// trace fetching it back.
class PendingBackground
{
public:
    // A picture of `height` rows, none of them waiting.
    void setHeight(int height);
    // Every row waits for `color`.
    void start(const QImage &picture, QRgb color);
    // No row waits any longer.
    void cancel();

    QRgb color() const { return m_color; }
    bool waits(int y) const { return m_waiting[size_t(y)]; }
    // Row y was written whole by the caller.
    void markLaid(int y);
    // The rows first..last of the picture that still wait get the background.
    void lay(QImage &picture, int first, int last);

private:
    std::vector<char> m_waiting; // per row
    int m_waitingRows = 0;
    QRgb m_color = 0;
};
