#include "line_rasterizer.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

// Lines with at least this many rows to a column become column runs; on
// shorter ones the runs cost more than a walk pixel by pixel. A dense
// trace's steps from one column to the next are nearly all far steeper.
constexpr int kSteepRun = 8;

// Bresenham's walk from pixel (x1, y1) to (x2, y2), both end pixels
// included, a column at a time: `run(x, top, bottom)` gets each column's
// pixels in the order of the walk. While twice the error lies below dy, only
// y steps, each adding dx to the error: such a run is counted at once, and
// the step after it moves x.
template<typename Run>
inline void walkColumns(int x1, int y1, int x2, int y2, Run run)
{
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    while (x1 != x2) {
        const int alone = 2 * error < dy ? (dy - 2 * error + 2 * dx - 1) / (2 * dx) : 0;
        const int runEnd = y1 + alone * sy;
        run(x1, std::min(y1, runEnd), std::max(y1, runEnd));
        error += alone * dx;
        y1 = runEnd;
        const int twice = 2 * error;
        error += dy;
        x1 += sx;
        if (twice <= dx) {
            error += dx;
            y1 += sy;
        }
    }
    run(x1, std::min(y1, y2), std::max(y1, y2));
}

} // namespace

void LineRasterizer::setTarget(QImage *image)
{
    m_image = image;
    m_stride = image->bytesPerLine() / qsizetype(sizeof(QRgb));
    m_width = image->width();
    m_height = image->height();
    m_spans.setWidth(m_width);
    m_background.setHeight(m_height);
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
    const double shifted = double(coordinate) + 0.5;
    // Far off the image: a pixel just beyond it, without overflowing.
    if (!(shifted >= -1.0))
        return -1;
    if (shifted >= double(size) + 1.0)
        return size + 1;
    // The floor by truncation, which is cheaper than std::floor without
    // SSE4.1: one less where truncation rounded a negative value up.
    const int truncated = int(shifted);
    const int pixel = double(truncated) > shifted ? truncated - 1 : truncated;
    return pixel == size ? size - 1 : pixel;
}

void LineRasterizer::clear(QRgb color)
{
    m_pending = {};
    m_spans.clear();
    if (!m_image)
        return;
    // Put off where the last picture had a dense trace, the one case that
    // gains; laid at once, as the toolkit fills fastest, where it had none.
    if (m_denseSinceClear) {
        m_background.start(*m_image, color);
    } else {
        m_background.cancel();
        m_image->fill(color);
    }
    m_denseSinceClear = false;
}

void LineRasterizer::flush()
{
    writeSpans();
    if (m_width > 0)
        layBackground(0, m_height - 1);
}

inline void LineRasterizer::addSpan(int x, int top, int bottom)
{
    // Most spans join the one before them: merged here, they reach the
    // column's store once per column instead of once per line.
    ColumnSpans::Span &pending = m_pending.span;
    if (m_pending.x == x && pending.touches(top, bottom)) {
        pending.top = std::min(pending.top, top);
        pending.bottom = std::max(pending.bottom, bottom);
        return;
    }
    storePending();
    m_pending = {x, {top, bottom}};
}

void LineRasterizer::line(float x1, float y1, float x2, float y2, QRgb color)
{
    if (m_width <= 0 || m_height <= 0)
        return;
    const int px1 = pixelOf(x1, m_width), py1 = pixelOf(y1, m_height);
    const int px2 = pixelOf(x2, m_width), py2 = pixelOf(y2, m_height);

    if (color != m_spanColor) {
        writeSpans();
        m_spanColor = color;
    }
    const int dx = std::abs(px2 - px1), dy = std::abs(py2 - py1);
    if (dx == 0) // most of a dense trace
        addSpan(px1, std::min(py1, py2), std::max(py1, py2));
    else if (dy >= kSteepRun * dx)
        addSteepLine(px1, py1, px2, py2);
    else if (dy == 0)
        fillRow(py1, std::min(px1, px2), std::max(px1, px2), color);
    else
        plotBresenham(px1, py1, px2, py2, color);
}

void LineRasterizer::addSteepLine(int x1, int y1, int x2, int y2)
{
    walkColumns(x1, y1, x2, y2, [this](int x, int top, int bottom) { addSpan(x, top, bottom); });
}

void LineRasterizer::storePending()
{
    const int x = m_pending.x;
    const int top = std::max(m_pending.span.top, 0), bottom = std::min(m_pending.span.bottom, m_height - 1);
    m_pending = {};
    if (x < 0 || x >= m_width || top > bottom)
        return;
    // A column holds one span; one apart from it is written at once.
    const ColumnSpans::Span apart = m_spans.add(x, top, bottom);
    if (!apart.isEmpty()) {
        layBackground(apart.top, apart.bottom);
        ColumnSpans::fillColumn(pixels() + x, m_stride, apart, m_spanColor);
    }
}

void LineRasterizer::writeSpans()
{
    storePending();
    const ColumnSpans::Span rows = m_spans.rows();
    if (rows.isEmpty())
        return;
    if (m_spans.isDense(rows)) {
        // A row still waiting for the background gets it in the same pass.
        QRgb *const image = pixels();
        for (int y = rows.top; y <= rows.bottom; ++y) {
            std::optional<QRgb> background;
            if (m_background.waits(y))
                background = m_background.color();
            m_spans.writeRow(image + y * m_stride, y, m_spanColor, background);
            m_background.markLaid(y);
        }
        m_denseSinceClear = true;
    } else {
        layBackground(rows.top, rows.bottom);
        m_spans.writeDownColumns(pixels(), m_stride, m_spanColor);
    }
    m_spans.clear();
}

void LineRasterizer::layBackground(int first, int last)
{
    m_background.lay(*m_image, std::max(first, 0), std::min(last, m_height - 1));
}

void LineRasterizer::fillRow(int y, int left, int right, QRgb color)
{
    if (y < 0 || y >= m_height)
        return;
    left = std::max(left, 0);
    right = std::min(right, m_width - 1);
    if (left <= right) {
        if (m_background.waits(y)) // the grid's rows, drawn before the trace
            layBackground(y, y);
        QRgb *row = pixels() + y * m_stride;
        std::fill(row + left, row + right + 1, color);
    }
}

void LineRasterizer::plotBresenham(int x1, int y1, int x2, int y2, QRgb color)
{
    // Every pixel of the line lies in the box of its end pixels.
    layBackground(std::min(y1, y2), std::max(y1, y2));
    QRgb *const image = pixels();
    walkColumns(x1, y1, x2, y2, [&](int x, int top, int bottom) {
        if (x < 0 || x >= m_width)
            return;
        ColumnSpans::fillColumn(image + x, m_stride, {std::max(top, 0), std::min(bottom, m_height - 1)}, color);
    });
}
