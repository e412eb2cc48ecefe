#include "scope_screen.h"

#include "display/scope_colors.h"

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
}

void ScopeScreen::Cls()
{
    m_buffer.Cls();
    scheduleRepaint();
}

void ScopeScreen::Line(float x1, float y1, float x2, float y2)
{
    m_buffer.Line(x1, y1, x2, y2);
    scheduleRepaint();
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
    // Keep what was shown until the next redraw paints the new size.
    m_buffer.resize(contentsRect().size());
}
