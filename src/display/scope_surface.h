#pragma once

#include <QRgb>

// What the renderer needs of the scope screen: its inner size in pixels, a
// clear to the background colour, a pen colour and straight lines between
// absolute single-precision points.
class ScopeSurface
{
public:
    virtual ~ScopeSurface() = default;
    virtual float ScaleWidth() const = 0;
    virtual float ScaleHeight() const = 0;
    virtual void Cls() = 0;
    virtual void setForeColor(QRgb color) = 0;
    virtual void Line(float x1, float y1, float x2, float y2) = 0;
};

// Where the renderer writes its two readouts.
class ReadoutDisplay
{
public:
    virtual ~ReadoutDisplay() = default;
    virtual void setTimeReadout(const QString &text) = 0;
    virtual void setLevelReadout(const QString &text) = 0;
};
