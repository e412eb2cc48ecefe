#include "raster_surface.h"

#include "aligned_picture.h"
#include "scope_colors.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Changes are gathered over bands of this many rows: one rectangle for each
// stretch of changed columns in a band, as tall as the changed rows in it.
constexpr int kBandRows = 64;
// Stretches of changed blocks this close are shown as one: a few larger
// rectangles cost the display less than many small ones.
constexpr int kJoinedGapBlocks = 8;

// Whether row y differs between two pictures of one size, where only the
// blocks that either ink map marks can. Marks in `differing` the blocks that
// do; those already marked there are compared only until the row is known
// to differ.
bool compareRow(const QImage &a, const InkMap &inkA, const QImage &b, const InkMap &inkB, int y,
                quint64 *differing)
{
    const quint64 *const marksA = inkA.row(y), *const marksB = inkB.row(y);
    const auto *const pixelsA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
    const auto *const pixelsB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
    bool rowDiffers = false;
    for (int word = 0; word < inkA.wordsPerRow(); ++word) {
        quint64 blocks = marksA[word] | marksB[word];
        if (rowDiffers)
            blocks &= ~differing[word];
        for (; blocks != 0; blocks &= blocks - 1) {
            const int block = std::countr_zero(blocks);
            const int left = (word * 64 + block) * InkMap::kBlockWidth;
            const int width = std::min(InkMap::kBlockWidth, a.width() - left);
            if (width > 0 && std::memcmp(pixelsA + left, pixelsB + left, size_t(width) * sizeof(QRgb)) != 0) {
                differing[word] |= quint64(1) << block;
                rowDiffers = true;
            }
        }
    }
    return rowDiffers;
}

// The pixels of one picture into another of its size and format.
void copyPixels(const QImage &from, QImage &to)
{
    if (!from.isNull()) // a picture of no pixels has no memory
        std::memcpy(to.bits(), from.constBits(), size_t(from.sizeInBytes()));
}

} // namespace

RasterSurface::RasterSurface(QSize size, qreal ratio)
{
    resize(size, ratio);
}

void RasterSurface::Cls()
{
    m_drawing = true; // every pixel gets the background
    m_rasterizer.clear(ScopeColors::kBackground);
}

void RasterSurface::Line(float x1, float y1, float x2, float y2)
{
    drawOnShown();
    m_rasterizer.line(x1, y1, x2, y2, m_foreColor);
}

void RasterSurface::drawOnShown()
{
    // Lines drawn without a clear first go onto the picture as it is shown.
    if (m_drawing)
        return;
    copyPixels(m_shown, m_drawn);
    m_rasterizer.ink() = m_shownInk;
    m_drawing = true;
}

void RasterSurface::resize(QSize size, qreal ratio, QSize pixels)
{
    size = size.expandedTo(QSize(0, 0));
    pixels = pixels.expandedTo(QSize(0, 0));
    if (!m_shown.isNull() && size == m_size && ratio == m_ratio && pixels == m_shown.size())
        return;
    const QImage &old = picture();
    QImage resized = alignedPicture(pixels);
    resized.fill(ScopeColors::kBackground);
    const int rows = std::min(resized.height(), old.height());
    const qsizetype bytes = qsizetype(std::min(resized.width(), old.width())) * qsizetype(sizeof(QRgb));
    for (int y = 0; y < rows; ++y)
        std::memcpy(resized.scanLine(y), old.constScanLine(y), size_t(bytes));
    resized.setDevicePixelRatio(ratio);

    m_size = size;
    m_ratio = ratio;
    m_shown = resized;
    m_drawn = alignedCopy(m_shown);
    m_rasterizer.setTarget(&m_drawn); // marks all: what was kept is anywhere
    m_rasterizer.setDevicePixelRatio(ratio);
    m_shownInk = m_rasterizer.ink();
    m_drawing = true;
}

const QImage &RasterSurface::picture()
{
    if (!m_drawing)
        return m_shown;
    m_rasterizer.flush();
    return m_drawn;
}

QRegion RasterSurface::present()
{
    QRegion changed;
    if (!m_drawing)
        return changed;
    const QImage &drawn = picture();
    InkMap differing; // a band's changed blocks
    differing.setSize(drawn.width(), 1);
    for (int top = 0; top < drawn.height(); top += kBandRows) {
        differing.clear();
        int first = -1, last = -1; // the band's changed rows
        for (int y = top; y < std::min(top + kBandRows, drawn.height()); ++y) {
            if (compareRow(drawn, m_rasterizer.ink(), m_shown, m_shownInk, y, differing.row(0))) {
                first = first < 0 ? y : first;
                last = y;
            }
        }
        if (first < 0)
            continue;
        QRect stretch;
        differing.forEachRun(0, [&](int left, int right) {
            const QRect run(QPoint(left, first), QPoint(std::min(right, drawn.width() - 1), last));
            if (!stretch.isNull() && left - stretch.right() > kJoinedGapBlocks * InkMap::kBlockWidth) {
                changed += stretch;
                stretch = QRect();
            }
            stretch |= run;
        });
        changed += stretch;
    }
    // The shown picture is drawn over next, from its clear.
    m_shown.swap(m_drawn);
    std::swap(m_shownInk, m_rasterizer.ink());
    m_drawing = false;
    return changed;
}
