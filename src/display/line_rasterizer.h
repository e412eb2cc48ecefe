#pragma once

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
// Consecutive vertical lines in one column and colour that touch are merged
// into one span, which is written once: a trace with many readings per
// column costs one span per column instead of one line per reading, with the
// same pixels. The span is written by the next line that does not join it,
// by flush() and by clear().
class LineRasterizer
{
public:
    // The image must stay alive and keep its size while lines are drawn.
    void setTarget(QImage *image);

    void clear(QRgb color);
    void line(float x1, float y1, float x2, float y2, QRgb color);
    void flush();

    // The pixel an end point goes to along an axis of `size` pixels.
    static int pixelOf(float coordinate, int size);

private:
    QRgb *pixels();
    void plotBresenham(int x1, int y1, int x2, int y2, QRgb color);
    void fillColumn(int x, int top, int bottom, QRgb color);
    void fillRow(int y, int left, int right, QRgb color);

    struct Span
    {
        int x = 0;
        int top = 0;
        int bottom = -1; // empty while bottom < top
        QRgb color = 0;
    };

    QImage *m_image = nullptr;
    qsizetype m_stride = 0; // pixels per row
    int m_width = 0;
    int m_height = 0;
    Span m_pending;
};
