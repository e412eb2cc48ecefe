#pragma once

#include "column_spans.h"
#include "ink_map.h"
#include "pending_background.h"

#include <QImage>
#include <QRgb>

// One-pixel aliased lines written straight into a 32-bit image.
//
// The rule: each end point goes to the pixel whose centre is nearest
// (floor(c + 0.5)), a coordinate on the far edge (the width or the height)
// to the last column or row, so that lines along the right and bottom edges
// stay visible; the pixels between the two end pixels are Bresenham's, both
// end pixels included, walking from the first point to the second; pixels
// outside the image are dropped. An end point more than a pixel off the
// image is first pulled in to a pixel just beyond it, so such a line keeps
// its visible end but only roughly its slope; the scope never draws one.
//
// The steep lines of one colour are gathered as vertical spans, one per
// column where they touch, and written together when a line of another
// colour comes or at flush(): pixels of one colour may be set in any order,
// and a later colour still covers an earlier one. A trace with many
// readings per column thus costs one span per column instead of one line
// per reading, with the same pixels. After a picture with a dense trace the
// clear is put off too, each row until something is drawn into it, so the
// image is whole only after flush().
class LineRasterizer
{
public:
    // The image must stay alive and keep its size while lines are drawn.
    void setTarget(QImage *image);

    // Lines from now on are given in window pixels of `ratio` image pixels
    // each, and are as thick as one of them, to the nearest whole image
    // pixel and at least one: at 1.5 every line is two pixels thick. A
    // coordinate goes to the first pixel of the band of that thickness
    // nearest the window pixel it starts, the far edge to the last band.
    // Between the two end pixels lies Bresenham's walk, each of its pixels
    // widened across the line's run to the thickness (a steep line, whose
    // rows differ at least as much as its columns, to the right; a shallow
    // one downwards), and the end further along the run becomes a square of
    // the thickness. At a ratio of 1 this is the rule above.
    void setDevicePixelRatio(double ratio);

    void clear(QRgb color);
    void line(float x1, float y1, float x2, float y2, QRgb color);
    void flush();

    // Where the image may hold anything but the background: all of it until
    // the first clear, then what was drawn since, whole after flush().
    InkMap &ink() { return m_ink; }

    // The pixel an end point goes to along an axis of `size` pixels.
    static int pixelOf(float coordinate, int size);
    // The first pixel of the band of `thickness` pixels that a coordinate
    // in window pixels goes to, at `ratio` pixels of `size` to a window pixel.
    static int bandOf(float coordinate, int size, double ratio, int thickness);

private:
    QRgb *pixels();
    void plotBresenham(int x1, int y1, int x2, int y2, QRgb color);
    void addSteepLine(int x1, int y1, int x2, int y2);
    void addSpan(int x, int top, int bottom);
    void storePending();
    void writeSpans();
    void layBackground(int first, int last);
    void fillInked(QRgb color);
    void fillRow(int y, int left, int right, QRgb color);

    QImage *m_image = nullptr;
    qsizetype m_stride = 0; // pixels per row
    int m_width = 0;
    int m_height = 0;
    PendingBackground m_background;
    // Where anything but m_inkBackground may lie.
    InkMap m_ink;
    QRgb m_inkBackground = 0;
    // The spans of the current colour: the latest, still growing, and the
    // rest, one per column.
    struct PendingSpan
    {
        int x = 0;
        ColumnSpans::Span span;
    };
    PendingSpan m_pending;
    ColumnSpans m_spans;
    QRgb m_spanColor = 0;
    double m_ratio = 1.0;
    int m_thickness = 1; // in pixels of the image
    // Whether dense spans were written since the last clear, or nothing was
    // cleared yet: then the next clear is put off.
    bool m_denseSinceClear = true;
};

inline int LineRasterizer::bandOf(float coordinate, int size, double ratio, int thickness)
{
    // The band of `thickness` pixels whose middle lies nearest the middle of
    // the window pixel that starts at the coordinate; at a ratio of 1, the
    // pixel whose centre is nearest. In double, where adding the half is
    // exact: in float, a coordinate just below a half (0.49999997) would
    // round up to the next pixel.
    const double shifted = double(coordinate) * ratio + (ratio - thickness + 1) * 0.5;
    // Far off the image: a band just beyond it, without overflowing.
    if (!(shifted >= -double(thickness)))
        return -thickness;
    if (shifted >= double(size) + 1.0)
        return size + 1;
    // The floor by truncation, which is cheaper than std::floor without
    // SSE4.1: one less where truncation rounded a negative value up.
    const int truncated = int(shifted);
    const int pixel = double(truncated) > shifted ? truncated - 1 : truncated;
    // A band that reaches past the far edge from inside lies along it.
    return pixel > size - thickness && pixel <= size ? size - thickness : pixel;
}
