#include "display/line_rasterizer.h"
#include "display/scope_colors.h"
#include "reference_line.h"

#include <QTest>

// Vertical lines side by side, many to a column strip, are written along the
// rows with the clear laid in the same pass. A trace always spans the whole
// screen; here the block leaves columns and rows around it, a row in it is
// drawn before and a column after, in other colours.
class TestColumnSpans : public QObject
{
    Q_OBJECT

private slots:
    void denseBlockSamePixelsAsThePlainWalk_data();
    void denseBlockSamePixelsAsThePlainWalk();
};

void TestColumnSpans::denseBlockSamePixelsAsThePlainWalk_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("block");

    QTest::newRow("columns on both sides") << QSize(100, 40) << QRect(37, 5, 40, 30);
    QTest::newRow("up to an edge between strips") << QSize(90, 40) << QRect(50, 0, 40, 40);
}

void TestColumnSpans::denseBlockSamePixelsAsThePlainWalk()
{
    QFETCH(QSize, size);
    QFETCH(QRect, block);

    QImage fast(size, QImage::Format_RGB32), plain(size, QImage::Format_RGB32);
    plain.fill(ScopeColors::kBackground);
    LineRasterizer rasterizer;
    rasterizer.setTarget(&fast);
    rasterizer.clear(ScopeColors::kBackground);
    const auto draw = [&](int x1, int y1, int x2, int y2, QRgb color) {
        rasterizer.line(float(x1), float(y1), float(x2), float(y2), color);
        walkReferenceLine(LineRasterizer::pixelOf(float(x1), size.width()),
                          LineRasterizer::pixelOf(float(y1), size.height()),
                          LineRasterizer::pixelOf(float(x2), size.width()),
                          LineRasterizer::pixelOf(float(y2), size.height()), [&](int x, int y) {
                              if (plain.rect().contains(x, y))
                                  plain.setPixel(x, y, color);
                          });
    };

    draw(0, 20, size.width(), 20, ScopeColors::kGrid);
    for (int x = block.left(); x <= block.right(); ++x) // spans of uneven lengths
        draw(x, block.top() + x % 7, x, block.bottom() - x % 5, ScopeColors::kTrace);
    draw(block.center().x(), 0, block.center().x(), size.height(), ScopeColors::kTimeCursor);
    rasterizer.flush();
    QCOMPARE(fast, plain);
}

QTEST_GUILESS_MAIN(TestColumnSpans)
#include "tst_column_spans.moc"
