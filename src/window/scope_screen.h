#pragma once

#include "display/raster_surface.h"

#include <QFrame>

// The scope screen: a black drawing area inside the toolkit's sunken frame.
// Lines go into a back buffer that paint events copy to the screen, so the
// picture stays as it was between redraws and when the window is covered.
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

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void scheduleRepaint();

    RasterSurface m_buffer;
    bool m_repaintScheduled = false;
};
