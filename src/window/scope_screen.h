#pragma once

#include "display/raster_surface.h"

#include <QFrame>

// The scope screen: a black drawing area inside the toolkit's sunken frame.
// Lines go into a back buffer that paint events copy to the screen, so the
// picture stays as it was between redraws and when the window is covered.
// The buffer holds the screen's own device pixels, so that the copy is one
// to one at any scale factor. When a redraw is over, only where pixels
// changed is repainted, and nothing when none did.
class ScopeScreen : public QFrame, public ScopeSurface
{
    Q_OBJECT

public:
    explicit ScopeScreen(QWidget *parent = nullptr);

    float ScaleWidth() const override { return m_buffer.ScaleWidth(); }
    float ScaleHeight() const override { return m_buffer.ScaleHeight(); }
    void Cls() override;
    void setForeColor(QRgb color) override { m_buffer.setForeColor(color); }
    void Line(float x1, float y1, float x2, float y2) override;

    // The drawing area as it stands, every line drawn so far included.
    const QImage &picture() { return m_buffer.picture(); }
    // Device pixels to a window pixel: the screen's own, followed when the
    // window moves to another screen. Takes effect at the next redraw.
    void setPictureRatio(qreal ratio);
    qreal pictureRatio() const { return m_buffer.devicePixelRatio(); }
    // The drawing area in device pixels of the window, each edge rounded
    // to the nearest pixel as the window's backing store does.
    QRect deviceArea() const;
    // A rectangle of window pixels in device pixels at `ratio`, rounded so.
    static QRect toDevicePixels(const QRect &rect, qreal ratio);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void schedulePresent();
    void present();
    QRect areaAt(qreal ratio) const;
    void fitBuffer(qreal ratio);
    void followScreen();

    RasterSurface m_buffer;
    bool m_presentScheduled = false;
};
