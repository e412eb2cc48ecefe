#include "line_rasterizer.h"

#include "aligned_picture.h"
#include "fill_pixels.h"

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
    m_ink.setSize(m_width, m_height);
    m_ink.markAll(); // what the image held before is not known
    m_pending = {};
}

QRgb *LineRasterizer::pixels()
{
    // Asked for at every write: a copy of the picture shares its pixels until
    // then. The image gets its own, laid out as before, so that the copy
    // keeps what it showed and the drawing goes on a row apart as it did.
    if (!m_image->isNull() && !m_image->isDetached())
        *m_image = alignedCopy(*m_image);
    return reinterpret_cast<QRgb *>(m_image->bits());
}

void LineRasterizer::setDevicePixelRatio(double ratio)
{
    m_ratio = ratio;
    m_thickness = std::max(1, qRound(ratio));
}

int LineRasterizer::pixelOf(float coordinate, int size)
{
    return bandOf(coordinate, size, 1.0, 1);
}

void LineRasterizer::clear(QRgb color)
{
    m_pending = {};
    m_spans.clear();
    if (!m_image)
        return;
    // Put off where the last picture had a dense trace, the one case that
    // gains; laid at once where it had none, only where anything but the
    // background may lie: the rest of the image holds it already.
    if (m_denseSinceClear) {
        m_background.start(*m_image, color);
    } else {
        // Rows an earlier clear still owes hold what was there before it.
        layBackground(0, m_height - 1);
        if (color == m_inkBackground)
            fillInked(color);
        else
            m_image->fill(color);
    }
    m_inkBackground = color;
    m_ink.clear();
    m_denseSinceClear = false;
}

void LineRasterizer::fillInked(QRgb color)
{
    // As the toolkit's fill stores it: RGB32 keeps its alpha byte opaque.
    if (m_image->format() == QImage::Format_RGB32)
        color |= 0xff000000;
    QRgb *const image = pixels();
    for (int y = 0; y < m_height; ++y) {
        QRgb *const row = image + y * m_stride;
        m_ink.forEachRun(y, [&](int left, int right) {
            fillPixels(row + left, std::min(right, m_width - 1) - left + 1, color);
        });
    }
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
    const int px1 = bandOf(x1, m_width, m_ratio, m_thickness), py1 = bandOf(y1, m_height, m_ratio, m_thickness);
    const int px2 = bandOf(x2, m_width, m_ratio, m_thickness), py2 = bandOf(y2, m_height, m_ratio, m_thickness);

    if (color != m_spanColor) {
        writeSpans();
        m_spanColor = color;
    }
    const int dx = std::abs(px2 - px1), dy = std::abs(py2 - py1);
    if (dx == 0) // most of a dense trace
        addSpan(px1, std::min(py1, py2), std::max(py1, py2) + m_thickness - 1);
    else if (dy >= kSteepRun * dx)
        addSteepLine(px1, py1, px2, py2);
    else if (dy == 0)
        fillRow(py1, std::min(px1, px2), std::max(px1, px2), color);
    else
        plotBresenham(px1, py1, px2, py2, color);
}

void LineRasterizer::addSteepLine(int x1, int y1, int x2, int y2)
{
    // Widened to the right by storePending(); the lower end reaches down too.
    const int lowerEnd = y2 > y1 ? x2 : x1, reach = m_thickness - 1;
    walkColumns(x1, y1, x2, y2,
                [&](int x, int top, int bottom) { addSpan(x, top, bottom + (x == lowerEnd ? reach : 0)); });
}

void LineRasterizer::storePending()
{
    // A steep line is as wide as it is thick: the span stands in that many columns.
    const int left = std::max(m_pending.x, 0), right = std::min(m_pending.x + m_thickness - 1, m_width - 1);
    const int top = std::max(m_pending.span.top, 0), bottom = std::min(m_pending.span.bottom, m_height - 1);
    m_pending = {};
    if (top > bottom)
        return;
    for (int x = left; x <= right; ++x) {
        // A column holds one span; one apart from it is written at once.
        const ColumnSpans::Span apart = m_spans.add(x, top, bottom);
        if (!apart.isEmpty()) {
            layBackground(apart.top, apart.bottom);
            ColumnSpans::fillColumn(pixels() + x, m_stride, apart, m_spanColor);
            m_ink.markColumn(x, apart.top, apart.bottom);
        }
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
            m_spans.writeRow(image + y * m_stride, y, m_spanColor, background, m_ink.row(y));
            m_background.markLaid(y);
        }
        m_denseSinceClear = true;
    } else {
        layBackground(rows.top, rows.bottom);
        m_spans.writeDownColumns(pixels(), m_stride, m_spanColor, m_ink);
    }
    m_spans.clear();
}

void LineRasterizer::layBackground(int first, int last)
{
    m_background.lay(*m_image, std::max(first, 0), std::min(last, m_height - 1));
}

void LineRasterizer::fillRow(int y, int left, int right, QRgb color)
{
    left = std::max(left, 0);
    right = std::min(right + m_thickness - 1, m_width - 1);
    if (left > right)
        return;
    for (int row = std::max(y, 0); row <= std::min(y + m_thickness - 1, m_height - 1); ++row) {
        if (m_background.waits(row)) // the grid's rows, drawn before the trace
            layBackground(row, row);
        QRgb *pixels = this->pixels() + row * m_stride;
        std::fill(pixels + left, pixels + right + 1, color);
        m_ink.mark(row, left, right);
    }
}

void LineRasterizer::plotBresenham(int x1, int y1, int x2, int y2, QRgb color)
{
    // Widened across its run: a steep line to the right, a shallow one
    // downwards; its far end along the run reaches as far again.
    const int reach = m_thickness - 1;
    const bool steep = std::abs(y2 - y1) >= std::abs(x2 - x1);
    const int farEnd = steep ? (y2 > y1 ? x2 : x1) : std::max(x1, x2);
    // Every pixel of the line lies in the box of its end pixels' bands.
    const int top = std::max(std::min(y1, y2), 0), bottom = std::min(std::max(y1, y2) + reach, m_height - 1);
    layBackground(top, bottom);
    QRgb *const image = pixels();
    walkColumns(x1, y1, x2, y2, [&](int x, int runTop, int runBottom) {
        const int right = x + (steep || x == farEnd ? reach : 0);
        const int runEnd = runBottom + (!steep || x == farEnd ? reach : 0);
        const ColumnSpans::Span run{std::max(runTop, top), std::min(runEnd, bottom)};
        for (int column = std::max(x, 0); column <= std::min(right, m_width - 1); ++column) {
            ColumnSpans::fillColumn(image + column, m_stride, run, color);
            if (!run.isEmpty())
                m_ink.markColumn(column, run.top, run.bottom);
        }
    });
}
