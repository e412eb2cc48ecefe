#include "scope_screen.h"

#include "display/scope_colors.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <cmath>

ScopeScreen::ScopeScreen(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QPalette black = palette();
    black.setColor(QPalette::Window, QColor::fromRgb(ScopeColors::kBackground));
    setPalette(black);
    setAutoFillBackground(true);
    // Every pixel of the drawing area comes from the picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_buffer.resize(QSize(), devicePixelRatio());
}

void ScopeScreen::Cls()
{
    m_buffer.Cls();
    schedulePresent();
}

void ScopeScreen::Line(float x1, float y1, float x2, float y2)
{
    m_buffer.Line(x1, y1, x2, y2);
    schedulePresent();
}

void ScopeScreen::setPictureRatio(qreal ratio)
{
    if (ratio > 0)
        fitBuffer(ratio);
}

QRect ScopeScreen::deviceArea() const
{
    return areaAt(m_buffer.devicePixelRatio());
}

QRect ScopeScreen::toDevicePixels(const QRect &rect, qreal ratio)
{
    const auto device = [ratio](int coordinate) { return qRound(coordinate * ratio); };
    return QRect(QPoint(device(rect.left()), device(rect.top())),
                 QPoint(device(rect.right() + 1) - 1, device(rect.bottom() + 1) - 1));
}

QRect ScopeScreen::areaAt(qreal ratio) const
{
    return toDevicePixels(QRect(mapTo(window(), contentsRect().topLeft()), contentsRect().size()), ratio);
}

void ScopeScreen::fitBuffer(qreal ratio)
{
    // Keep what was shown until the next redraw paints the new size.
    const QSize pixels = m_buffer.picture().size();
    const qreal before = m_buffer.devicePixelRatio();
    m_buffer.resize(contentsRect().size(), ratio, areaAt(ratio).size());
    if (ratio != before || pixels != m_buffer.picture().size())
        update();
}

void ScopeScreen::followScreen()
{
    setPictureRatio(devicePixelRatio());
}

void ScopeScreen::schedulePresent()
{
    // Once per picture, when the redraw is over: it issues tens of thousands
    // of lines, and never yields to the event loop in between.
    if (!m_presentScheduled) {
        m_presentScheduled = true;
        QMetaObject::invokeMethod(this, &ScopeScreen::present, Qt::QueuedConnection);
    }
}

void ScopeScreen::present()
{
    m_presentScheduled = false;
    // Each changed rectangle of device pixels, as the window pixels that cover it.
    const qreal ratio = m_buffer.devicePixelRatio();
    const QPoint areaOrigin = deviceArea().topLeft(), windowOrigin = mapTo(window(), QPoint(0, 0));
    const auto covering = [ratio](int first, int last) {
        return std::pair(int(std::floor(first / ratio)), int(std::ceil((last + 1) / ratio)) - 1);
    };
    QRegion repaint;
    for (const QRect &rect : m_buffer.present()) {
        const QRect onDevice = rect.translated(areaOrigin);
        const auto [left, right] = covering(onDevice.left(), onDevice.right());
        const auto [top, bottom] = covering(onDevice.top(), onDevice.bottom());
        repaint += QRect(QPoint(left, top), QPoint(right, bottom)).translated(-windowOrigin);
    }
    if (!repaint.isEmpty())
        update(repaint & contentsRect());
}

void ScopeScreen::paintEvent(QPaintEvent *event)
{
    if (!contentsRect().contains(event->rect()))
        QFrame::paintEvent(event);
    QPainter painter(this);
    const QImage &shown = picture();
    // From the widget's own coordinates to the pixels of what is painted on.
    const QTransform toDevice = painter.deviceTransform();
    if (toDevice.type() <= QTransform::TxScale && qFuzzyCompare(toDevice.m11(), m_buffer.devicePixelRatio())
        && qFuzzyCompare(toDevice.m22(), m_buffer.devicePixelRatio())) {
        // Pixel for pixel in the device's own coordinates, only what is asked for.
        const auto onDevice = [&toDevice](const QRect &rect) {
            const QRectF mapped = toDevice.mapRect(QRectF(rect));
            return QRect(QPoint(qRound(mapped.left()), qRound(mapped.top())),
                         QPoint(qRound(mapped.right()) - 1, qRound(mapped.bottom()) - 1));
        };
        const QRect area = onDevice(contentsRect());
        painter.setWorldTransform(toDevice.inverted());
        for (const QRect &rect : event->region()) {
            // Clipped to one rectangle the copy is a plain one, line by line,
            // where the painter would blend a region of many through its
            // general path, and hand the work to other threads to wait on.
            const QRect part = onDevice(rect) & area;
            painter.save();
            painter.setClipRect(part, Qt::IntersectClip);
            painter.drawImage(part, shown, part.translated(-area.topLeft()));
            painter.restore();
        }
    } else {
        // Painted at another ratio than the picture's, as a grab of the
        // window may be: scaled to fit.
        painter.drawImage(QRectF(contentsRect()), shown);
    }
}

void ScopeScreen::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitBuffer(m_buffer.devicePixelRatio());
}

void ScopeScreen::moveEvent(QMoveEvent *event)
{
    QFrame::moveEvent(event);
    // Where the area lies decides how its edges round to device pixels.
    fitBuffer(m_buffer.devicePixelRatio());
}

void ScopeScreen::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    if (QWindow *handle = window()->windowHandle())
        connect(handle, &QWindow::screenChanged, this, &ScopeScreen::followScreen, Qt::UniqueConnection);
    followScreen();
}
