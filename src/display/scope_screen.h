#pragma once

#include "line_rasterizer.h"
#include "scope_surface.h"

#include <QFrame>
#include <QImage>

// The scope screen: a black drawing area inside the toolkit's sunken frame.
// Lines go into a back buffer that paint events copy to the screen, so the
// picture stays as it was between redraws and when the window is covered.
class ScopeScreen : public QFrame, public ScopeSurface
{
    Q_OBJECT

public:
    explicit ScopeScreen(QWidget *parent = nullptr);

    float ScaleWidth() const override;
    float ScaleHeight() const override;
    void Cls() override;
    void setForeColor(QRgb color) override { m_foreColor = color; }
    void Line(float x1, float y1, float x2, float y2) override;

    // The drawing area as it stands, every line drawn so far included.
    const QImage &picture();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void scheduleRepaint();

    QImage m_picture;
    LineRasterizer m_rasterizer;
    QRgb m_foreColor = 0;
    bool m_repaintScheduled = false;
};
