#include "raster_surface.h"

#include "scope_colors.h"

#include <QPainter>

RasterSurface::RasterSurface(QSize size) : m_picture(size, QImage::Format_RGB32)
{
    m_rasterizer.setTarget(&m_picture);
}

void RasterSurface::Cls()
{
    m_rasterizer.clear(ScopeColors::kBackground);
}

void RasterSurface::Line(float x1, float y1, float x2, float y2)
{
    m_rasterizer.line(x1, y1, x2, y2, m_foreColor);
}

void RasterSurface::resize(QSize size)
{
    size = size.expandedTo(QSize(0, 0));
    if (size == m_picture.size())
        return;
    m_rasterizer.flush();
    QImage resized(size, QImage::Format_RGB32);
    resized.fill(ScopeColors::kBackground);
    if (!resized.isNull() && !m_picture.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, m_picture);
    }
    m_picture = std::move(resized);
    m_rasterizer.setTarget(&m_picture);
}

const QImage &RasterSurface::picture()
{
    m_rasterizer.flush();
    return m_picture;
}
