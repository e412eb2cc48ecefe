#include "display/line_rasterizer.h"
#include "display/scope_renderer.h"
#include "display/scope_colors.h"

#include <QTest>

#include <cmath>
#include <random>

namespace {

// The same rule drawn the plain way: one Bresenham walk per line, pixel by pixel.
class ReferenceSurface : public ScopeSurface
{
public:
    explicit ReferenceSurface(QSize size) : image(size, QImage::Format_RGB32) { }
    QImage image;
    float ScaleWidth() const override { return float(image.width()); }
    float ScaleHeight() const override { return float(image.height()); }
    void Cls() override { image.fill(ScopeColors::kBackground); }
    void setForeColor(QRgb color) override { m_color = color; }
    void Line(float x1, float y1, float x2, float y2) override
    {
        int px = LineRasterizer::pixelOf(x1, image.width()), py = LineRasterizer::pixelOf(y1, image.height());
        const int ex = LineRasterizer::pixelOf(x2, image.width()), ey = LineRasterizer::pixelOf(y2, image.height());
        const int dx = std::abs(ex - px), dy = -std::abs(ey - py);
        const int sx = px < ex ? 1 : -1, sy = py < ey ? 1 : -1;
        int error = dx + dy;
        for (;;) {
            if (image.rect().contains(px, py))
                image.setPixel(px, py, m_color);
            if (px == ex && py == ey)
                break;
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                px += sx;
            }
            if (twice <= dx) {
                error += dx;
                py += sy;
            }
        }
    }

private:
    QRgb m_color = 0;
};

class FastSurface : public ScopeSurface
{
public:
    explicit FastSurface(QSize size) : image(size, QImage::Format_RGB32) { m_rasterizer.setTarget(&image); }
    QImage image;
    float ScaleWidth() const override { return float(image.width()); }
    float ScaleHeight() const override { return float(image.height()); }
    void Cls() override { m_rasterizer.clear(ScopeColors::kBackground); }
    void setForeColor(QRgb color) override { m_color = color; }
    void Line(float x1, float y1, float x2, float y2) override { m_rasterizer.line(x1, y1, x2, y2, m_color); }
    const QImage &picture()
    {
        m_rasterizer.flush();
        return image;
    }

private:
    LineRasterizer m_rasterizer;
    QRgb m_color = 0;
};

struct NoReadouts : ReadoutDisplay
{
    void setTimeReadout(const QString &) override { }
    void setLevelReadout(const QString &) override { }
};

std::vector<qint16> block(const QString &shape, int u)
{
    std::vector<qint16> samples(size_t(u) + 1, 0);
    std::mt19937 random(7);
    for (int i = 0; i < u; ++i) {
        qint16 &s = samples[size_t(i)];
        if (shape == u"sine")
            s = qint16(128 + 127 * std::sin(i / 30.0));
        else if (shape == u"noise")
            s = qint16(random() % 256);
        else if (shape == u"steep")
            s = qint16((i % 2) * 255);
        else if (shape == u"shallow")
            s = qint16(i * 255 / std::max(u - 1, 1));
        else if (shape == u"flat")
            s = 0;
    }
    return samples;
}

} // namespace

class TestRasterizer : public QObject
{
    Q_OBJECT

private slots:
    void samePixelsAsThePlainWalk_data();
    void samePixelsAsThePlainWalk();
    void farEdgesLandOnTheLastPixel();
    void separateSpansStaySeparate();
};

void TestRasterizer::samePixelsAsThePlainWalk_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("u");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<int>>("cursors"); // V1, V2, L1, L2

    const QList<int> edges{0, -1, 0, 255}; // -1: at U
    for (const char *shape : {"flat", "sine", "noise", "steep", "shallow"}) {
        for (int u : {1, 768, 32766}) {
            QTest::addRow("%s U=%d start size", shape, u) << shape << u << QSize(772, 313) << edges;
            QTest::addRow("%s U=%d maximised", shape, u) << shape << u << QSize(1912, 928) << QList<int>{7, 300, 20, 100};
        }
    }
    QTest::newRow("zero width") << "noise" << 768 << QSize(0, 313) << edges;
    QTest::newRow("zero height") << "noise" << 768 << QSize(772, 0) << edges;
    QTest::newRow("tiny") << "noise" << 32766 << QSize(3, 2) << edges;
}

void TestRasterizer::samePixelsAsThePlainWalk()
{
    QFETCH(QString, shape);
    QFETCH(int, u);
    QFETCH(QSize, size);
    QFETCH(QList<int>, cursors);

    const std::vector<qint16> samples = block(shape, u);
    const ScopeFrame frame{samples, cursors[0] < 0 ? u : cursors[0], cursors[1], cursors[2], cursors[3], 0.1};
    NoReadouts readouts;
    double xScale = 0, yScale = 0;
    ReferenceSurface reference(size);
    FastSurface fast(size);
    drawScope(reference, readouts, frame, xScale, yScale);
    drawScope(fast, readouts, frame, xScale, yScale);
    QVERIFY(fast.picture() == reference.image);
}

void TestRasterizer::farEdgesLandOnTheLastPixel()
{
    QImage image(10, 8, QImage::Format_RGB32);
    LineRasterizer rasterizer;
    rasterizer.setTarget(&image);
    rasterizer.clear(0xff000000);
    rasterizer.line(10, 0, 10, 8, 0xffff0000); // x = W: the last column
    rasterizer.line(0, 8, 10, 8, 0xff00ff00);  // y = H: the last row
    rasterizer.flush();
    for (int y = 0; y < 7; ++y)
        QCOMPARE(image.pixel(9, y), 0xffff0000u);
    for (int x = 0; x < 10; ++x)
        QCOMPARE(image.pixel(x, 7), 0xff00ff00u);
    QCOMPARE(image.pixel(8, 3), 0xff000000u);
}

void TestRasterizer::separateSpansStaySeparate()
{
    QImage image(4, 20, QImage::Format_RGB32);
    LineRasterizer rasterizer;
    rasterizer.setTarget(&image);
    rasterizer.clear(0xff000000);
    rasterizer.line(1, 2, 1, 4, 0xffffffff);
    rasterizer.line(1, 10, 1, 12, 0xffffffff); // same column, not touching
    rasterizer.flush();
    QCOMPARE(image.pixel(1, 3), 0xffffffffu);
    QCOMPARE(image.pixel(1, 7), 0xff000000u);
    QCOMPARE(image.pixel(1, 11), 0xffffffffu);
}

QTEST_GUILESS_MAIN(TestRasterizer)
#include "tst_rasterizer.moc"
