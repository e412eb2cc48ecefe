#include "scope_screen.h"

#include "scope_colors.h"

#include <QPainter>

ScopeScreen::ScopeScreen(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QPalette black = palette();
    black.setColor(QPalette::Window, QColor::fromRgb(ScopeColors::kBackground));
    setPalette(black);
    setAutoFillBackground(true);
    // Every pixel of the drawing area comes from the picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_rasterizer.setTarget(&m_picture);
}

float ScopeScreen::ScaleWidth() const
{
    return float(m_picture.width());
}

float ScopeScreen::ScaleHeight() const
{
    return float(m_picture.height());
}

void ScopeScreen::Cls()
{
    m_rasterizer.clear(ScopeColors::kBackground);
    scheduleRepaint();
}

void ScopeScreen::Line(float x1, float y1, float x2, float y2)
{
    m_rasterizer.line(x1, y1, x2, y2, m_foreColor);
    scheduleRepaint();
}

const QImage &ScopeScreen::picture()
{
    m_rasterizer.flush();
    return m_picture;
}

void ScopeScreen::scheduleRepaint()
{
    // One update() per picture: a redraw issues tens of thousands of lines.
    if (!m_repaintScheduled) {
        m_repaintScheduled = true;
        update();
    }
}

void ScopeScreen::paintEvent(QPaintEvent *event)
{
    m_repaintScheduled = false;
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), picture());
}

void ScopeScreen::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    const QSize area = contentsRect().size().expandedTo(QSize(0, 0));
    if (area == m_picture.size())
        return;
    m_rasterizer.flush();
    // Keep what was shown until the next redraw paints the new size.
    QImage resized(area, QImage::Format_RGB32);
    resized.fill(ScopeColors::kBackground);
    if (!resized.isNull() && !m_picture.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, m_picture);
    }
    m_picture = std::move(resized);
    m_rasterizer.setTarget(&m_picture);
}
