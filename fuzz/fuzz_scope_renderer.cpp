// Whole redraws of the scope screen at sizes from nothing to a few thousand
// pixels, with readings, cursors and times per sample at and beyond their
// limits, or lines anywhere straight through the rasteriser, at a device
// pixel ratio of 1 or at any other. Every pixel must equal a plain drawing
// of the same picture: each line worked out from the scope's rules and set
// pixel by pixel along Bresenham's walk, each pixel widened to the line's
// thickness. The
// picture lies inside a larger buffer whose margins must stay untouched.
// Both readouts must show, in their patterns, the time and the voltage
// between the cursors, worked out plainly.

#include "display/line_rasterizer.h"
#include "display/scope_colors.h"
#include "display/scope_renderer.h"
#include "fuzz_input.h"
#include "reference_line.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int kMargin = 3;                  // guard pixels on every side
constexpr QRgb kGuard = 0x12345678;         // a colour no drawing uses
constexpr qsizetype kMaxPixels = 1 << 18;   // keeps a run fast at any width

struct Choices
{
    const std::uint8_t *data;
    std::size_t size;
    std::size_t pos = 0;
    std::uint8_t next() { return pos < size ? data[pos++] : 0; }
    std::uint16_t next16() { return std::uint16_t(next() | next() << 8); }
};

// The screen under test: the scope's rasteriser writing into the guarded picture.
class GuardedScreen : public ScopeSurface
{
public:
    // A picture of no pixels is null in Qt: the size, in window pixels, is told apart.
    GuardedScreen(QImage *picture, float width, float height, double ratio) : m_width(width), m_height(height)
    {
        m_rasterizer.setTarget(picture);
        m_rasterizer.setDevicePixelRatio(ratio);
    }
    float ScaleWidth() const override { return m_width; }
    float ScaleHeight() const override { return m_height; }
    void Cls() override { m_rasterizer.clear(ScopeColors::kBackground); }
    void setForeColor(QRgb color) override { m_color = color; }
    void Line(float x1, float y1, float x2, float y2) override { m_rasterizer.line(x1, y1, x2, y2, m_color); }
    void finish() { m_rasterizer.flush(); }

private:
    float m_width;
    float m_height;
    LineRasterizer m_rasterizer;
    QRgb m_color = 0;
};

struct ShownReadouts : ReadoutDisplay
{
    QString time;
    QString level;
    void setTimeReadout(const QString &text) override { time = text; }
    void setLevelReadout(const QString &text) override { level = text; }
};

// A readout's text must match `pattern` (in English, as the fuzzer sets
// it) and end in `unit`, and its number lie within half its last digit of
// `expected`.
bool readoutShows(const QString &text, const QRegularExpression &pattern, QStringView unit, double expected,
                  double halfDigit)
{
    if (!pattern.match(text).hasMatch() || !text.endsWith(unit))
        return false;
    QString number = text;
    number.chop(unit.size());
    number.remove(u',');
    bool ok = false;
    const double shown = number.toDouble(&ok);
    return ok && std::fabs(shown - expected) <= halfDigit * (1 + 1e-9) + std::fabs(expected) * 1e-15;
}

// The plain drawing, in pixels of the device.
class ReferencePicture
{
public:
    ReferencePicture(int width, int height, double ratio)
        : width(width), height(height), ratio(ratio), thickness(std::max(1, int(std::lround(ratio)))),
          pixels(size_t(width) * size_t(height), ScopeColors::kBackground)
    {
    }

    // An end point goes to the first pixel of the band of `thickness` whose
    // middle is nearest the middle of the window pixel that it starts; a
    // band reaching past the far edge to the last band; more than a band off
    // the image, to a band just beyond it. At ratio 1: the nearest pixel.
    int endPixel(float coordinate, int size) const
    {
        const double first = std::floor(double(coordinate) * ratio + (ratio - thickness + 1) / 2);
        if (first < -thickness)
            return -thickness;
        if (first > size)
            return size + 1;
        return first > size - thickness ? size - thickness : int(first);
    }

    void plot(int x, int y, QRgb color)
    {
        if (x >= 0 && x < width && y >= 0 && y < height)
            pixels[size_t(y) * size_t(width) + size_t(x)] = color;
    }

    // Each pixel of the walk widened across the line's run, to the right
    // when it is steep and downwards when not; its end further along the
    // run a square.
    void line(float x1, float y1, float x2, float y2, QRgb color)
    {
        if (width == 0 || height == 0)
            return;
        const int ex1 = endPixel(x1, width), ey1 = endPixel(y1, height);
        const int ex2 = endPixel(x2, width), ey2 = endPixel(y2, height);
        const bool steep = std::abs(ey2 - ey1) >= std::abs(ex2 - ex1);
        const bool secondFar = steep ? ey2 > ey1 : ex2 > ex1;
        walkReferenceLine(ex1, ey1, ex2, ey2, [&](int x, int y) {
            for (int i = 0; i < thickness; ++i)
                plot(steep ? x + i : x, steep ? y : y + i, color);
        });
        for (int i = 0; i < thickness; ++i)
            for (int j = 0; j < thickness; ++j)
                plot((secondFar ? ex2 : ex1) + i, (secondFar ? ey2 : ey1) + j, color);
    }

    // One redraw: grid, trace, time cursors, level cursors.
    void redraw(float w, float h, const std::vector<qint16> &samples, int v1, int v2, int l1, int l2)
    {
        const int u = int(samples.size()) - 1;
        const double xScale = double(w) / u, yScale = double(h) / 265;
        const auto levelY = [&](int counts) { return float(double(h) - counts * yScale); };
        for (const int counts : {51, 102, 154, 205, 255})
            line(0, levelY(counts), w, levelY(counts), ScopeColors::kGrid);
        float previousX = 0, previousY = levelY(samples[0]);
        for (int i = 0; i < u; ++i) {
            const float x = float(i * xScale), y = levelY(samples[size_t(i)]);
            line(previousX, previousY, x, y, ScopeColors::kTrace);
            previousX = x;
            previousY = y;
        }
        for (const int v : {v1, v2})
            line(float(v * xScale), 0, float(v * xScale), h, ScopeColors::kTimeCursor);
        for (const int l : {l1, l2})
            line(0, levelY(l), w, levelY(l), ScopeColors::kLevelCursor);
    }

    int width;
    int height;
    double ratio;
    int thickness;
    std::vector<QRgb> pixels;
};

// Mostly small, so that runs are fast; now and then up to a few thousand.
int chooseSide(Choices &in)
{
    const std::uint8_t kind = in.next();
    return kind % 4 == 0 ? in.next16() % 4096 : kind % 4 == 1 ? in.next16() % 1024 : in.next() % 64;
}

// Mostly 1; often the common scale factors, whose lines are one or more
// pixels thick and whose pixels fall between window pixels; now and then any
// ratio from a tenth to eight.
double chooseRatio(Choices &in)
{
    static constexpr double kCommon[] = {1.25, 1.5, 1.75, 2.0, 2.5, 3.0};
    const std::uint8_t kind = in.next();
    if (kind % 4 < 2)
        return 1.0;
    return kind % 4 == 2 ? kCommon[(kind >> 2) % std::size(kCommon)] : 0.1 + in.next16() / 8192.0;
}

int chooseUpperBound(Choices &in)
{
    const std::uint8_t kind = in.next();
    if (kind % 4 == 0)
        return 1 + in.next16() % 32766;
    return kind % 4 == 1 ? 1 : 1 + in.next16() % 2048;
}

// Mostly inside the range, often at its ends, now and then beyond them.
int chooseCursor(Choices &in, int top)
{
    const std::uint8_t kind = in.next();
    switch (kind % 8) {
    case 0: return 0;
    case 1: return top;
    case 2: return kind & 8 ? -1 : top + 1;
    case 3: return kind & 8 ? -32768 : 32767;
    default: return in.next16() % (top + 1);
    }
}

// Times per sample of real boards and far beyond them, none infinite.
double chooseMsPerSample(Choices &in)
{
    const std::uint8_t kind = in.next();
    switch (kind % 4) {
    case 0: return kind & 4 ? 0.125 : 0.09216;
    case 1: return in.next16() / 1e6;
    case 2: return in.next16() / 1e3;
    default: return double(in.next16()) * in.next16();
    }
}

qint16 chooseReading(std::uint8_t byte, bool wild)
{
    static constexpr qint16 kBeyond[] = {-32768, 32767, -1, 256};
    return wild && byte < 4 ? kBeyond[byte] : qint16(byte);
}

// One whole redraw, by the scope and by the plain drawing.
void drawRedraw(Choices &in, GuardedScreen &screen, ReferencePicture &expected)
{
    const int u = chooseUpperBound(in);
    const int v1 = chooseCursor(in, u), v2 = chooseCursor(in, u);
    const int l1 = chooseCursor(in, 255), l2 = chooseCursor(in, 255);
    const double msPerSample = chooseMsPerSample(in);
    const bool wild = in.next() & 1;

    // The readings: the rest of the input over and over; entry U is drawn never.
    std::vector<qint16> samples(size_t(u) + 1);
    const std::size_t first = in.pos;
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = first < in.size ? chooseReading(in.data[first + i % (in.size - first)], wild) : 0;

    ShownReadouts readouts;
    double xScale = 0, yScale = 0;
    drawScope(screen, readouts, ScopeFrame{samples, v1, v2, l1, l2, msPerSample}, xScale, yScale);
    expected.redraw(screen.ScaleWidth(), screen.ScaleHeight(), samples, v1, v2, l1, l2);

    // "###,###.000" and "0.00", each with its unit.
    static const QRegularExpression timePattern(QStringLiteral("^([1-9][0-9]{0,2}(,[0-9]{3})*)?\\.[0-9]{3}ms$"));
    static const QRegularExpression levelPattern(QStringLiteral("^[0-9]+\\.[0-9]{2}V$"));
    FUZZ_REQUIRE(readoutShows(readouts.time, timePattern, u"ms", std::abs(v1 - v2) * msPerSample, 0.0005));
    FUZZ_REQUIRE(readoutShows(readouts.level, levelPattern, u"V", 5.0 * std::abs(l1 - l2) / 255.0, 0.005));
}

// In quarter pixels, mostly near the top left corner so that lines meet
// often; sometimes far around it, now and then any finite float.
float chooseCoordinate(Choices &in)
{
    const std::uint8_t kind = in.next();
    if (kind % 8 == 0) {
        const std::uint32_t bits = std::uint32_t(in.next16()) | std::uint32_t(in.next16()) << 16;
        float any;
        std::memcpy(&any, &bits, sizeof any);
        return std::isfinite(any) ? any : 0.0f;
    }
    if (kind % 8 == 1)
        return float(std::int16_t(in.next16())) / 4;
    return float(in.next() - 32) / 4;
}

// Lines anywhere, in three colours, so that spans merged across a colour
// change or a gap would show: the rasteriser on its own.
void drawLines(Choices &in, GuardedScreen &screen, ReferencePicture &expected)
{
    const QRgb colors[] = {ScopeColors::kTrace, ScopeColors::kGrid, ScopeColors::kTimeCursor};
    screen.Cls();
    while (in.pos < in.size) {
        const float x1 = chooseCoordinate(in), y1 = chooseCoordinate(in);
        const float x2 = chooseCoordinate(in), y2 = chooseCoordinate(in);
        const QRgb color = colors[in.next() % 3];
        screen.setForeColor(color);
        screen.Line(x1, y1, x2, y2);
        expected.line(x1, y1, x2, y2, color);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Choices in{data, size};
    const bool linesOnly = in.next() & 1;
    const double ratio = chooseRatio(in);
    // In window pixels; the picture's pixels are those of the device, the
    // nearest whole number or, as an area whose edges round apart, one less.
    const float logicalWidth = float(chooseSide(in)), logicalHeight = float(chooseSide(in));
    const auto devicePixels = [&](float side) {
        return std::max(0, int(std::lround(double(side) * ratio)) - (ratio != 1.0 && (in.next() & 1)));
    };
    const int width = devicePixels(logicalWidth);
    int height = devicePixels(logicalHeight);
    if (qsizetype(width) * height > kMaxPixels)
        height = int(kMaxPixels / width);

    const int stride = width + 2 * kMargin;
    std::vector<QRgb> buffer(size_t(stride) * size_t(height + 2 * kMargin), kGuard);
    QImage picture(reinterpret_cast<uchar *>(buffer.data() + kMargin * stride + kMargin), width, height,
                   qsizetype(stride) * qsizetype(sizeof(QRgb)), QImage::Format_RGB32);
    GuardedScreen screen(&picture, logicalWidth, logicalHeight, ratio);
    ReferencePicture expected(width, height, ratio);
    if (linesOnly) {
        drawLines(in, screen, expected);
    } else {
        // Now and then over an earlier redraw, whose clear must leave nothing of it.
        if (in.next() & 1) {
            ReferencePicture earlier(width, height, ratio);
            drawRedraw(in, screen, earlier);
        }
        drawRedraw(in, screen, expected);
    }
    screen.finish();

    const auto untouched = [](const QRgb *from, size_t count) {
        return std::all_of(from, from + count, [](QRgb pixel) { return pixel == kGuard; });
    };
    FUZZ_REQUIRE(untouched(buffer.data(), size_t(kMargin) * size_t(stride)));
    for (int y = 0; y < height; ++y) {
        const QRgb *row = buffer.data() + size_t(y + kMargin) * size_t(stride);
        FUZZ_REQUIRE(untouched(row, kMargin) && untouched(row + kMargin + width, kMargin));
        FUZZ_REQUIRE(std::equal(row + kMargin, row + kMargin + width, expected.pixels.begin() + qsizetype(y) * width));
    }
    FUZZ_REQUIRE(untouched(buffer.data() + size_t(height + kMargin) * size_t(stride), size_t(kMargin) * size_t(stride)));
    return 0;
}
