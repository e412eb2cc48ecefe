#include "scope_renderer.h"

#include "common/errors.h"
#include "readouts.h"
#include "scope_colors.h"

#include <array>

namespace {

// Full scale (255) lies 10 counts below the top edge.
constexpr double kCountsPerHeight = 265.0;
// 1.00, 2.00, 3.02, 4.02 and 5.00 V.
constexpr std::array<int, 5> kGridLevels{51, 102, 154, 205, 255};

float levelY(double height, int counts, double yScale)
{
    return float(height - counts * yScale);
}

void drawHorizontal(ScopeSurface &screen, float width, float y)
{
    screen.Line(0.0f, y, width, y);
}

void drawTrace(ScopeSurface &screen, std::span<const qint16> samples, double height, double xScale, double yScale)
{
    const qsizetype end = qsizetype(samples.size()) - 1; // entry U is not drawn
    float previousX = 0.0f;
    float previousY = float(height - samples[0] * yScale);
    for (qsizetype i = 0; i < end; ++i) {
        const float x = float(double(i) * xScale);
        const float y = float(height - samples[size_t(i)] * yScale);
        screen.Line(previousX, previousY, x, y);
        previousX = x;
        previousY = y;
    }
}

} // namespace

void drawScope(ScopeSurface &screen, ReadoutDisplay &readouts, const ScopeFrame &frame, double &xScale,
               double &yScale)
{
    const float width = screen.ScaleWidth();
    const float height = screen.ScaleHeight();
    const double upperBound = double(frame.samples.size()) - 1;

    screen.Cls();
    xScale = checkedResult(width / upperBound, "horizontal scale");
    yScale = checkedResult(height / kCountsPerHeight, "vertical scale");

    screen.setForeColor(ScopeColors::kGrid);
    for (const int level : kGridLevels)
        drawHorizontal(screen, width, float(checkedResult(levelY(height, level, yScale), "grid level")));

    screen.setForeColor(ScopeColors::kTrace);
    drawTrace(screen, frame.samples, height, xScale, yScale);

    readouts.setTimeReadout(timeReadout(frame.timeCursor1, frame.timeCursor2, frame.msPerSample));

    screen.setForeColor(ScopeColors::kTimeCursor);
    for (const int cursor : {frame.timeCursor1, frame.timeCursor2}) {
        const float x = float(cursor * xScale);
        screen.Line(x, 0.0f, x, height);
    }

    screen.setForeColor(ScopeColors::kLevelCursor);
    for (const int cursor : {frame.levelCursor1, frame.levelCursor2})
        drawHorizontal(screen, width, levelY(height, cursor, yScale));

    readouts.setLevelReadout(levelReadout(frame.levelCursor1, frame.levelCursor2));
}
