#pragma once

#include "ink_map.h"
#include "line_rasterizer.h"
#include "scope_surface.h"

#include <QImage>
#include <QRegion>

// A scope screen in memory: lines go through LineRasterizer into a 32-bit
// picture. The renderer works in window pixels; the picture may hold more
// pixels of the device to each of them, at any ratio, so that the screen
// shows it as it is, without scaling.
//
// Two pictures take turns: the one shown, and the one being drawn, which a
// redraw starts afresh with its clear. present() makes the drawn one the
// shown one and tells where pixels differ between the two.
class RasterSurface : public ScopeSurface
{
public:
    explicit RasterSurface(QSize size = {}, qreal ratio = 1.0);

    float ScaleWidth() const override { return float(m_size.width()); }
    float ScaleHeight() const override { return float(m_size.height()); }
    void Cls() override;
    void setForeColor(QRgb color) override { m_foreColor = color; }
    void Line(float x1, float y1, float x2, float y2) override;

    // A new size in window pixels, `ratio` device pixels to each, keeping
    // what was drawn where it still fits. The picture has `pixels`, which
    // a display that rounds the area's edges may make other than size x ratio.
    void resize(QSize size, qreal ratio, QSize pixels);
    void resize(QSize size, qreal ratio = 1.0) { resize(size, ratio, size * ratio); }
    qreal devicePixelRatio() const { return m_ratio; }
    // The picture as it stands, every line drawn so far included.
    const QImage &picture();

    // What was drawn becomes what is shown: where pixels changed, in
    // pixels of the picture, as a few rectangles that cover them all, and
    // nothing when no pixel did.
    QRegion present();

private:
    void drawOnShown();

    QSize m_size;
    qreal m_ratio = 1.0;
    QImage m_shown;
    InkMap m_shownInk;
    QImage m_drawn; // the rasteriser's, with its ink map
    LineRasterizer m_rasterizer;
    // Whether m_drawn holds the picture as it stands, or m_shown does.
    bool m_drawing = false;
    QRgb m_foreColor = 0;
};
