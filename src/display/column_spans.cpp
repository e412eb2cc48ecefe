#include "column_spans.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kNowhere = std::numeric_limits<int>::max();

// Along the rows, every strip costs about the same in every row the spans
// reach, lit or not; down the columns, every pixel costs a cache line. The
// rows win once half of a strip is lit on average (measured from 776 x 317
// to 3832 x 2008).
constexpr qsizetype kDenseLitPerStripRow = 8;

// Loops of a fixed length, which the compiler turns into a few wide moves:
// a strip costs a handful of instructions instead of one or more per pixel.
template<int Width>
void fillStrip(QRgb *pixels, QRgb color)
{
    for (int i = 0; i < Width; ++i)
        pixels[i] = color;
}

template<int Width>
void maskStrip(QRgb *__restrict pixels, const QRgb *__restrict mask, QRgb color)
{
    for (int i = 0; i < Width; ++i)
        pixels[i] ^= (pixels[i] ^ color) & mask[i];
}

template<int Width>
void selectStrip(QRgb *__restrict pixels, const QRgb *__restrict mask, QRgb color, QRgb background)
{
    for (int i = 0; i < Width; ++i)
        pixels[i] = background ^ ((background ^ color) & mask[i]);
}

} // namespace

void ColumnSpans::setWidth(int width)
{
    m_width = std::max(width, 0);
    m_top.assign(size_t(m_width), kNowhere);
    m_bottom.assign(size_t(m_width), -1);
    m_lit.assign(size_t((m_width + kStripWidth - 1) / kStripWidth), LitColumns{});
    m_pixels = 0;
    m_firstStrip = 0;
    m_lastStrip = -1;
}

ColumnSpans::Span ColumnSpans::add(int x, int top, int bottom)
{
    const Span held{m_top[size_t(x)], m_bottom[size_t(x)]};
    Span replaced;
    if (held.touches(top, bottom)) {
        top = std::min(held.top, top);
        bottom = std::max(held.bottom, bottom);
    } else {
        replaced = held;
    }
    m_pixels += (bottom - top + 1) - (held.isEmpty() ? 0 : held.bottom - held.top + 1);
    m_top[size_t(x)] = top;
    m_bottom[size_t(x)] = bottom;

    const int strip = x / kStripWidth;
    if (isEmpty())
        m_firstStrip = m_lastStrip = strip;
    m_firstStrip = std::min(m_firstStrip, strip);
    m_lastStrip = std::max(m_lastStrip, strip);
    return replaced;
}

void ColumnSpans::clear()
{
    if (isEmpty())
        return;
    const int left = m_firstStrip * kStripWidth, right = stripsEnd();
    std::fill(m_top.begin() + left, m_top.begin() + right, kNowhere);
    std::fill(m_bottom.begin() + left, m_bottom.begin() + right, -1);
    std::fill(m_lit.begin() + m_firstStrip, m_lit.begin() + m_lastStrip + 1, LitColumns{});
    m_pixels = 0;
    m_firstStrip = 0;
    m_lastStrip = -1;
}

int ColumnSpans::stripsEnd() const
{
    return std::min((m_lastStrip + 1) * kStripWidth, m_width);
}

void ColumnSpans::fillColumn(QRgb *column, qsizetype stride, Span span, QRgb color)
{
    QRgb *pixel = column + span.top * stride;
    for (int y = span.top; y <= span.bottom; ++y, pixel += stride)
        *pixel = color;
}

ColumnSpans::Span ColumnSpans::rows() const
{
    if (isEmpty())
        return {};
    const qsizetype left = m_firstStrip * kStripWidth, right = stripsEnd();
    return {*std::min_element(m_top.begin() + left, m_top.begin() + right),
            *std::max_element(m_bottom.begin() + left, m_bottom.begin() + right)};
}

bool ColumnSpans::isDense(Span rows) const
{
    const qsizetype strips = m_lastStrip - m_firstStrip + 1;
    return m_pixels >= kDenseLitPerStripRow * strips * (rows.bottom - rows.top + 1);
}

void ColumnSpans::writeDownColumns(QRgb *pixels, qsizetype stride, QRgb color, InkMap &ink) const
{
    const int right = stripsEnd();
    for (int left = m_firstStrip * kStripWidth; left < right; left += kStripWidth) {
        // A strip is a block of the ink map, marked once over all its spans' rows.
        Span reach{kNowhere, -1};
        for (int x = left; x < std::min(left + kStripWidth, right); ++x) {
            const Span span{m_top[size_t(x)], m_bottom[size_t(x)]};
            if (!span.isEmpty()) {
                fillColumn(pixels + x, stride, span, color);
                reach = {std::min(reach.top, span.top), std::max(reach.bottom, span.bottom)};
            }
        }
        if (!reach.isEmpty())
            ink.markColumn(left, reach.top, reach.bottom);
    }
}

void ColumnSpans::writeRow(QRgb *row, int y, QRgb color, std::optional<QRgb> background, quint64 *ink)
{
    const int left = m_firstStrip * kStripWidth, right = stripsEnd();
    if (background) {
        std::fill(row, row + left, *background);
        std::fill(row + right, row + m_width, *background);
    }
    // Rows come in increasing order, so each strip's lit columns are found
    // again only where a span begins or ends.
    for (int strip = m_firstStrip; strip <= m_lastStrip; ++strip) {
        LitColumns &lit = m_lit[size_t(strip)];
        if (y >= lit.until)
            findLitColumns(strip, y);
        if (lit.count > 0) // a strip is a block of the ink map
            ink[strip / 64] |= quint64(1) << (strip % 64);
        QRgb *const pixels = row + strip * kStripWidth;
        const int width = std::min(kStripWidth, m_width - strip * kStripWidth);
        if (width < kStripWidth) { // the last strip, cut off by the image's edge
            for (int i = 0; i < width; ++i)
                pixels[i] = lit.mask[size_t(i)] ? color : background.value_or(pixels[i]);
        } else if (lit.count == kStripWidth) {
            fillStrip<kStripWidth>(pixels, color);
        } else if (background) {
            selectStrip<kStripWidth>(pixels, lit.mask.data(), color, *background);
        } else if (lit.count > 0) {
            maskStrip<kStripWidth>(pixels, lit.mask.data(), color);
        }
    }
}

void ColumnSpans::findLitColumns(int strip, int y)
{
    LitColumns &lit = m_lit[size_t(strip)];
    const int left = strip * kStripWidth, width = std::min(kStripWidth, m_width - left);
    lit = {kNowhere, 0, {}};
    for (int i = 0; i < width; ++i) {
        const int top = m_top[size_t(left + i)], bottom = m_bottom[size_t(left + i)];
        if (y < top) {
            lit.until = std::min(lit.until, top);
        } else if (y <= bottom) {
            lit.until = std::min(lit.until, bottom + 1);
            lit.mask[size_t(i)] = ~QRgb(0);
            ++lit.count;
        }
    }
}
