#include "display/line_rasterizer.h"
#include "display/raster_surface.h"
#include "display/scope_renderer.h"
#include "display/scope_colors.h"
#include "no_readouts.h"
#include "reference_line.h"

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
        const int w = image.width(), h = image.height();
        walkReferenceLine(LineRasterizer::pixelOf(x1, w), LineRasterizer::pixelOf(y1, h),
                          LineRasterizer::pixelOf(x2, w), LineRasterizer::pixelOf(y2, h), [this](int x, int y) {
                              if (image.rect().contains(x, y))
                                  image.setPixel(x, y, m_color);
                          });
    }

private:
    QRgb m_color = 0;
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
    void samePixelsLineByLine_data();
    void samePixelsLineByLine();
    void farEdgesLandOnTheLastPixel();
    void separateSpansStaySeparate_data();
    void separateSpansStaySeparate();
    void aCopyOfThePictureKeepsWhatItShowed();
    void bothPicturesStayAligned();
    void evenLinesAtAScale_data();
    void evenLinesAtAScale();
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
    QTest::newRow("both zero") << "sine" << 768 << QSize(0, 0) << edges;
    QTest::newRow("edges U=768 776x317") << "steep" << 768 << QSize(776, 317) << edges;
    QTest::newRow("edges U=32766 1912x928") << "steep" << 32766 << QSize(1912, 928) << edges;
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
    RasterSurface fast(size);
    drawScope(reference, readouts, frame, xScale, yScale);
    drawScope(fast, readouts, frame, xScale, yScale);
    QVERIFY(fast.picture() == reference.image);
}

void TestRasterizer::samePixelsLineByLine_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QLineF>>("lines");

    const QSize size(40, 30);
    QTest::newRow("zero length inside") << size << QList<QLineF>{{5, 5, 5, 5}, {12.4, 7.6, 12.4, 7.6}};
    QTest::newRow("zero length on the far corner") << size << QList<QLineF>{{40, 30, 40, 30}};
    QTest::newRow("zero length outside") << size << QList<QLineF>{{-3, 5, -3, 5}, {5, 45, 5, 45}};
    QTest::newRow("shallow") << size << QList<QLineF>{{0, 3, 39, 9}, {39, 20, 1, 17}};
    QTest::newRow("steep") << size << QList<QLineF>{{2, 0, 7, 29}, {30, 29, 28, 1}};
    QTest::newRow("diagonals") << size << QList<QLineF>{{0, 0, 40, 30}, {40, 0, 0, 30}};
    QTest::newRow("every edge") << size
                                << QList<QLineF>{{0, 0, 40, 0}, {40, 0, 40, 30}, {40, 30, 0, 30}, {0, 30, 0, 0}};
    QTest::newRow("half pixels") << size << QList<QLineF>{{0.5, 0.5, 10.5, 3.5}, {2.49, 9.5, 2.5, 20.49}};
    QTest::newRow("partly outside") << size
                                    << QList<QLineF>{{-10, 5, 50, 12}, {20, -8, 25, 60}, {-5, -5, 45, 35}};
    QTest::newRow("far outside") << size << QList<QLineF>{{-1e9, 3, 1e9, 3}, {7, -1e9, 7, 1e9}, {3, 4, 1e30, 8}};
    QTest::newRow("vertical runs in one column")
            << size << QList<QLineF>{{8, 2, 8, 5}, {8, 6, 8, 9}, {8, 9, 8, 4}, {8, 14, 8, 20}, {8, 21, 8, 21}};
    QTest::newRow("vertical runs in neighbouring columns")
            << size << QList<QLineF>{{8, 2, 8, 5}, {9, 6, 9, 9}, {8, 10, 8, 12}, {8, 3, 8, 3}};
    QTest::newRow("trace-like") << QSize(5, 30)
                                << QList<QLineF>{{0, 29, 0, 29}, {0, 29, 0.2f, 3}, {0.2f, 3, 0.4f, 17},
                                                 {0.4f, 17, 0.6f, 25}, {0.6f, 25, 0.8f, 2}, {0.8f, 2, 1.0f, 9}};
}

void TestRasterizer::samePixelsLineByLine()
{
    QFETCH(QSize, size);
    QFETCH(QList<QLineF>, lines);
    ReferenceSurface reference(size);
    RasterSurface fast(size);
    reference.Cls();
    fast.Cls();
    // Alternate two colours so that a run merged across a colour change shows.
    int n = 0;
    for (const QLineF &line : lines) {
        const QRgb color = n++ % 3 == 2 ? ScopeColors::kTimeCursor : ScopeColors::kTrace;
        for (ScopeSurface *surface : {static_cast<ScopeSurface *>(&reference), static_cast<ScopeSurface *>(&fast)}) {
            surface->setForeColor(color);
            surface->Line(float(line.x1()), float(line.y1()), float(line.x2()), float(line.y2()));
        }
    }
    const QImage &picture = fast.picture();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (picture.pixel(x, y) != reference.image.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): %3, expected %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(picture.pixel(x, y), 8, 16)
                                         .arg(reference.image.pixel(x, y), 8, 16)));
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
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            QCOMPARE(image.pixel(x, y), 0xff000000u);
    QCOMPARE(LineRasterizer::pixelOf(10.0f, 10), 9);
    QCOMPARE(LineRasterizer::pixelOf(9.49f, 10), 9);
    QCOMPARE(LineRasterizer::pixelOf(0.49f, 10), 0);
    QCOMPARE(LineRasterizer::pixelOf(0.5f, 10), 1);
    QCOMPARE(LineRasterizer::pixelOf(std::nextafter(0.5f, 0.0f), 10), 0);
}

void TestRasterizer::separateSpansStaySeparate_data()
{
    QTest::addColumn<QList<QLineF>>("lines");
    QTest::addColumn<QString>("column"); // rows 0..19 of column 1, '#' lit

    QTest::newRow("gap of one") << QList<QLineF>{{1, 2, 1, 4}, {1, 6, 1, 8}} << "..###.###...........";
    QTest::newRow("far apart") << QList<QLineF>{{1, 2, 1, 4}, {1, 10, 1, 12}} << "..###.....###.......";
    QTest::newRow("touching merge") << QList<QLineF>{{1, 2, 1, 4}, {1, 5, 1, 7}} << "..######............";
    QTest::newRow("upwards then apart") << QList<QLineF>{{1, 12, 1, 10}, {1, 4, 1, 2}, {1, 18, 1, 18}}
                                        << "..###.....###.....#.";
}

void TestRasterizer::separateSpansStaySeparate()
{
    QFETCH(QList<QLineF>, lines);
    QFETCH(QString, column);
    QImage image(4, 20, QImage::Format_RGB32);
    LineRasterizer rasterizer;
    rasterizer.setTarget(&image);
    rasterizer.clear(0xff000000);
    for (const QLineF &line : lines)
        rasterizer.line(float(line.x1()), float(line.y1()), float(line.x2()), float(line.y2()), 0xffffffff);
    rasterizer.flush();
    QString lit;
    for (int y = 0; y < 20; ++y)
        lit += image.pixel(1, y) == 0xffffffffu ? u'#' : u'.';
    QCOMPARE(lit, column);
    for (int y = 0; y < 20; ++y) {
        QCOMPARE(image.pixel(0, y), 0xff000000u);
        QCOMPARE(image.pixel(2, y), 0xff000000u);
    }
}

void TestRasterizer::aCopyOfThePictureKeepsWhatItShowed()
{
    RasterSurface screen(QSize(20, 10));
    screen.Cls();
    screen.setForeColor(ScopeColors::kTrace);
    screen.Line(0, 2, 19, 2);
    const QImage first = screen.picture();

    // The next picture: one drawn without clearing first, one after a clear.
    screen.Line(0, 5, 19, 5);
    screen.Line(3, 0, 3, 9);
    QCOMPARE(first.pixel(0, 5), ScopeColors::kBackground);
    QCOMPARE(first.pixel(3, 8), ScopeColors::kBackground);
    QCOMPARE(screen.picture().pixel(0, 5), ScopeColors::kTrace);
    QCOMPARE(screen.picture().pixel(3, 8), ScopeColors::kTrace);
    const QImage second = screen.picture();
    screen.Cls();
    screen.Line(0, 7, 19, 7);
    screen.Line(5, 0, 5, 9);
    QCOMPARE(second.pixel(0, 7), ScopeColors::kBackground);
    QCOMPARE(second.pixel(0, 5), ScopeColors::kTrace);
    const QImage &now = screen.picture();
    QCOMPARE(now.pixel(0, 5), ScopeColors::kBackground);
    QCOMPARE(now.pixel(0, 7), ScopeColors::kTrace);
    QCOMPARE(now.pixel(5, 1), ScopeColors::kTrace);
    QCOMPARE(first.pixel(0, 2), ScopeColors::kTrace);
}

void TestRasterizer::bothPicturesStayAligned()
{
    // Rows each on cache lines of their own and, on Linux, large pages: a
    // silent copy of either picture would lose both.
    const auto aligned = [](const QImage &picture) {
        const quintptr start = reinterpret_cast<quintptr>(picture.constBits());
#ifdef Q_OS_LINUX
        const quintptr alignment = quintptr(2) << 20;
#else
        const quintptr alignment = 64;
#endif
        return start % alignment == 0 && picture.bytesPerLine() % 64 == 0;
    };
    RasterSurface screen(QSize(1024, 768), 1.5);
    // 1800 pixels to a row at the last size: not a whole number of cache lines.
    for (const QSize size : {QSize(1024, 768), QSize(1024, 768), QSize(900, 700)}) {
        screen.resize(size, 2.0);
        screen.Cls();
        screen.setForeColor(ScopeColors::kTrace);
        screen.Line(0, 0, float(size.width()), float(size.height()));
        QVERIFY(aligned(screen.picture()));
        const QImage held = screen.picture(); // then drawn over without a clear
        screen.Line(0, 1, float(size.width()), 1);
        QVERIFY(aligned(screen.picture()));
        screen.present();
        QVERIFY(aligned(screen.picture()));
    }
}

void TestRasterizer::evenLinesAtAScale_data()
{
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("thickness"); // in device pixels
    QTest::newRow("150 %") << 1.5 << 2;
    QTest::newRow("200 %") << 2.0 << 2;
    QTest::newRow("250 %") << 2.5 << 3;
}

void TestRasterizer::evenLinesAtAScale()
{
    QFETCH(double, ratio);
    QFETCH(int, thickness);

    // Flat low for the first half, then one steep step up; cursors apart from
    // the grid and from each other.
    const int u = 768, low = 20, high = 230;
    std::vector<qint16> samples(size_t(u) + 1, 0);
    for (int i = 0; i < u; ++i)
        samples[size_t(i)] = qint16(i < u / 2 ? low : high);
    const ScopeFrame frame{samples, 100, 600, 128, 30, 0.1};
    RasterSurface screen(QSize(773, 313), ratio);
    NoReadouts readouts;
    double xScale = 0, yScale = 0;
    drawScope(screen, readouts, frame, xScale, yScale);
    const QImage &picture = screen.picture();
    QCOMPARE(picture.size(), QSize(773, 313) * ratio);

    // The lengths of the runs of `color` along a line of pixels.
    const auto runs = [](auto pixelAt, int length, QRgb color) {
        QList<int> lengths;
        for (int i = 0, run = 0; i <= length; ++i) {
            if (i < length && pixelAt(i) == color) {
                ++run;
            } else if (run > 0) {
                lengths.append(run);
                run = 0;
            }
        }
        return lengths;
    };
    const QList<int> five(5, thickness), two(2, thickness);
    // Down every column of the flat half that no time cursor crosses.
    const int cursorLeft = int(100 * xScale * ratio) - 2, cursorRight = int(100 * xScale * ratio) + 4;
    for (int x = 0; x < picture.width() * 2 / 5; ++x) {
        if (x >= cursorLeft && x <= cursorRight)
            continue;
        const auto column = [&](int y) { return picture.pixel(x, y); };
        QCOMPARE(runs(column, picture.height(), ScopeColors::kGrid), five);
        QCOMPARE(runs(column, picture.height(), ScopeColors::kLevelCursor), two);
        QCOMPARE(runs(column, picture.height(), ScopeColors::kTrace), QList<int>{thickness});
    }
    // Along every row between the step's ends, where only the cursors and the
    // step cross: each as wide as a line is thick.
    const int stepTop = int((313 - high * yScale) * ratio) + 2 * thickness;
    const int stepBottom = int((313 - low * yScale) * ratio) - 2 * thickness;
    QVERIFY(stepBottom - stepTop > 100);
    for (int y = stepTop; y <= stepBottom; ++y) {
        const auto row = [&](int x) { return picture.pixel(x, y); };
        if (runs(row, picture.width(), ScopeColors::kLevelCursor).isEmpty()) {
            QCOMPARE(runs(row, picture.width(), ScopeColors::kTimeCursor), two);
            if (runs(row, picture.width(), ScopeColors::kGrid).isEmpty())
                QCOMPARE(runs(row, picture.width(), ScopeColors::kTrace), QList<int>{thickness});
        }
    }
}

QTEST_GUILESS_MAIN(TestRasterizer)
#include "tst_rasterizer.moc"
