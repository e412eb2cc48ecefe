#include "line_rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

void LineRasterizer::setTarget(QImage *image)
{
    m_image = image;
    m_stride = image->bytesPerLine() / qsizetype(sizeof(QRgb));
    m_width = image->width();
    m_height = image->height();
    m_pending = {};
}

QRgb *LineRasterizer::pixels()
{
    // Asked for at every write: bits() gives the image its own copy of the
    // pixels when a copy of the picture shares them, so that copy keeps
    // what it showed and the drawing goes on in the image.
    return reinterpret_cast<QRgb *>(m_image->bits());
}

int LineRasterizer::pixelOf(float coordinate, int size)
{
    // In double, where adding the half is exact: in float, a coordinate just
    // below a half (0.49999997) would round up to the next pixel.
    const double rounded = std::floor(double(coordinate) + 0.5);
    // Far off the image: a pixel just beyond it, without overflowing.
    if (!(rounded >= -1.0))
        return -1;
    if (rounded > double(size))
        return size + 1;
    const int pixel = int(rounded);
    return pixel == size ? size - 1 : pixel;
}

void LineRasterizer::clear(QRgb color)
{
    m_pending = {};
    if (m_image)
        m_image->fill(color);
}

void LineRasterizer::flush()
{
    if (m_pending.bottom >= m_pending.top)
        fillColumn(m_pending.x, m_pending.top, m_pending.bottom, m_pending.color);
    m_pending = {};
}

void LineRasterizer::line(float x1, float y1, float x2, float y2, QRgb color)
{
    if (m_width <= 0 || m_height <= 0)
        return;
    const int px1 = pixelOf(x1, m_width), py1 = pixelOf(y1, m_height);
    const int px2 = pixelOf(x2, m_width), py2 = pixelOf(y2, m_height);

    if (px1 == px2) {
        const int top = std::min(py1, py2), bottom = std::max(py1, py2);
        Span &span = m_pending;
        const bool joins = span.bottom >= span.top && span.x == px1 && span.color == color
                           && top <= span.bottom + 1 && bottom >= span.top - 1;
        if (joins) {
            span.top = std::min(span.top, top);
            span.bottom = std::max(span.bottom, bottom);
        } else {
            flush();
            m_pending = {px1, top, bottom, color};
        }
        return;
    }
    flush();
    if (py1 == py2)
        fillRow(py1, std::min(px1, px2), std::max(px1, px2), color);
    else
        plotBresenham(px1, py1, px2, py2, color);
}

void LineRasterizer::fillColumn(int x, int top, int bottom, QRgb color)
{
    if (x < 0 || x >= m_width)
        return;
    top = std::max(top, 0);
    bottom = std::min(bottom, m_height - 1);
    if (top > bottom)
        return;
    QRgb *pixel = pixels() + top * m_stride + x;
    for (int y = top; y <= bottom; ++y, pixel += m_stride)
        *pixel = color;
}

void LineRasterizer::fillRow(int y, int left, int right, QRgb color)
{
    if (y < 0 || y >= m_height)
        return;
    left = std::max(left, 0);
    right = std::min(right, m_width - 1);
    if (left <= right) {
        QRgb *row = pixels() + y * m_stride;
        std::fill(row + left, row + right + 1, color);
    }
}

void LineRasterizer::plotBresenham(int x1, int y1, int x2, int y2, QRgb color)
{
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    const auto inside = [this](int x, int y) { return x >= 0 && x < m_width && y >= 0 && y < m_height; };
    // Every pixel of the line lies in the box of its end pixels.
    const bool clipped = !inside(x1, y1) || !inside(x2, y2);
    QRgb *const image = pixels();
    int error = dx + dy;
    for (;;) {
        if (!clipped || inside(x1, y1))
            image[y1 * m_stride + x1] = color;
        if (x1 == x2 && y1 == y2)
            break;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x1 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y1 += sy;
        }
    }
}
