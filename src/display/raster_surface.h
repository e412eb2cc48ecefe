#pragma once

#include "line_rasterizer.h"
#include "scope_surface.h"

#include <QImage>

// A scope screen in memory: lines go through LineRasterizer into a 32-bit
// picture of the given size. The window's screen shows one of these.
class RasterSurface : public ScopeSurface
{
public:
    explicit RasterSurface(QSize size = {});

    float ScaleWidth() const override { return float(m_picture.width()); }
    float ScaleHeight() const override { return float(m_picture.height()); }
    void Cls() override;
    void setForeColor(QRgb color) override { m_foreColor = color; }
    void Line(float x1, float y1, float x2, float y2) override;

    // A new size, keeping what was drawn where it still fits.
    void resize(QSize size);
    // The picture as it stands, every line drawn so far included.
    const QImage &picture();

private:
    QImage m_picture;
    LineRasterizer m_rasterizer;
    QRgb m_foreColor = 0;
};
