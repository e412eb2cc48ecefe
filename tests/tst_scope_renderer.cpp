#include "common/errors.h"
#include "display/scope_colors.h"
#include "display/scope_renderer.h"

#include <QTest>

#include <stdexcept>
#include <vector>

namespace {

struct DrawnLine
{
    QRgb color;
    float x1, y1, x2, y2;
};

// Keeps every call the renderer makes, in order.
class RecordingSurface : public ScopeSurface
{
public:
    float width = 768, height = 265;
    int clears = 0;
    std::vector<DrawnLine> lines;
    qsizetype failAtLine = -1;

    float ScaleWidth() const override { return width; }
    float ScaleHeight() const override { return height; }
    void Cls() override { ++clears; }
    void setForeColor(QRgb color) override { m_color = color; }
    void Line(float x1, float y1, float x2, float y2) override
    {
        if (qsizetype(lines.size()) == failAtLine)
            throw std::runtime_error("screen gone");
        lines.push_back({m_color, x1, y1, x2, y2});
    }

private:
    QRgb m_color = 0;
};

struct RecordingReadouts : ReadoutDisplay
{
    QString time = QStringLiteral("0"), level = QStringLiteral("0");
    void setTimeReadout(const QString &text) override { time = text; }
    void setLevelReadout(const QString &text) override { level = text; }
};

struct Redraw
{
    RecordingSurface screen;
    RecordingReadouts readouts;
    double xScale = 0, yScale = 0;
    std::vector<qint16> samples = std::vector<qint16>(769, 0);
    ScopeFrame frame() const { return {samples, 100, 768, 0, 255, 0.125}; }
    void run() { drawScope(screen, readouts, frame(), xScale, yScale); }
};

} // namespace

class TestScopeRenderer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void workedExample();
    void gridFollowsTheHeight();
    void singleStep();
    void collapsedScreen();
    void anErrorEndsTheRedrawWhereItOccurs();
    void infiniteWidthIsAnArithmeticError();
    void timeReadout_data();
    void timeReadout();
    void levelReadout_data();
    void levelReadout();
};

void TestScopeRenderer::workedExample()
{
    Redraw r;
    r.samples[5] = 128;
    r.samples[767] = 255;
    r.samples[768] = 200; // entry U is never drawn
    r.run();

    QCOMPARE(r.screen.clears, 1);
    QCOMPARE(r.xScale, 1.0);
    QCOMPARE(r.yScale, 1.0);
    const auto &lines = r.screen.lines;
    QCOMPARE(lines.size(), size_t(768 + 9));

    const float grid[] = {214, 163, 111, 60, 10};
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(lines[k].color, ScopeColors::kGrid);
        QCOMPARE(lines[k].y1, grid[k]);
        QCOMPARE(lines[k].y2, grid[k]);
        QCOMPARE(lines[k].x1, 0.0f);
        QCOMPARE(lines[k].x2, 768.0f);
    }
    // The first trace line runs from point 0 to itself, each later one from i - 1 to i.
    const DrawnLine &first = lines[5];
    QCOMPARE(first.color, ScopeColors::kTrace);
    QCOMPARE(first.x1, 0.0f);
    QCOMPARE(first.x2, 0.0f);
    QCOMPARE(first.y1, 265.0f);
    QCOMPARE(first.y2, 265.0f);
    QCOMPARE(lines[5 + 5].x2, 5.0f);
    QCOMPARE(lines[5 + 5].y2, 137.0f);
    QCOMPARE(lines[5 + 767].x2, 767.0f);
    QCOMPARE(lines[5 + 767].y2, 10.0f); // 255 lies on the top grid line
    for (size_t i = 5; i < 5 + 768; ++i)
        QCOMPARE(lines[i].color, ScopeColors::kTrace);

    const DrawnLine &time1 = lines[773], &time2 = lines[774];
    QCOMPARE(time1.color, ScopeColors::kTimeCursor);
    QCOMPARE(time1.x1, 100.0f);
    QCOMPARE(time1.y1, 0.0f);
    QCOMPARE(time1.y2, 265.0f);
    QCOMPARE(time2.x1, 768.0f); // a cursor at U lies on the right edge
    const DrawnLine &level1 = lines[775], &level2 = lines[776];
    QCOMPARE(level1.color, ScopeColors::kLevelCursor);
    QCOMPARE(level1.y1, 265.0f);
    QCOMPARE(level2.y1, 10.0f);
    QCOMPARE(level2.x2, 768.0f);

    QCOMPARE(r.readouts.time, QStringLiteral("83.500ms"));
    QCOMPARE(r.readouts.level, QStringLiteral("5.00V"));
}

void TestScopeRenderer::gridFollowsTheHeight()
{
    Redraw r;
    r.screen.height = 530;
    r.run();
    const float grid[] = {428, 326, 222, 120, 20};
    for (int k = 0; k < 5; ++k)
        QCOMPARE(r.screen.lines[k].y1, grid[k]);
}

void TestScopeRenderer::singleStep()
{
    Redraw r;
    r.samples = {51, 0};
    r.run();
    QCOMPARE(r.xScale, 768.0);
    QCOMPARE(r.screen.lines.size(), size_t(1 + 9));
    QCOMPARE(r.screen.lines[5].y1, 214.0f); // 51 lies on the lowest grid line
    QCOMPARE(r.screen.lines[5].y2, 214.0f);
}

void TestScopeRenderer::collapsedScreen()
{
    Redraw r;
    r.screen.width = 0;
    r.samples[10] = 255;
    r.run();
    for (const DrawnLine &line : r.screen.lines)
        QVERIFY(line.x1 == 0 && line.x2 == 0);

    Redraw flat;
    flat.screen.height = 0;
    flat.samples[10] = 255;
    flat.run();
    for (const DrawnLine &line : flat.screen.lines)
        QVERIFY(line.y1 == 0 && line.y2 == 0);
}

void TestScopeRenderer::anErrorEndsTheRedrawWhereItOccurs()
{
    Redraw r;
    r.screen.failAtLine = 5 + 100; // in the middle of the trace
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, r.run());
    QCOMPARE(r.screen.lines.size(), size_t(105));
    QCOMPARE(r.readouts.time, QStringLiteral("0"));
    QCOMPARE(r.readouts.level, QStringLiteral("0"));

    Redraw late;
    late.screen.failAtLine = 5 + 768 + 2; // at the first level cursor
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, late.run());
    QCOMPARE(late.readouts.time, QStringLiteral("83.500ms"));
    QCOMPARE(late.readouts.level, QStringLiteral("0"));
}

void TestScopeRenderer::infiniteWidthIsAnArithmeticError()
{
    Redraw r;
    r.screen.width = std::numeric_limits<float>::infinity();
    QVERIFY_THROWS_EXCEPTION(ArithmeticError, r.run());
    QCOMPARE(r.screen.clears, 1);
    QVERIFY(r.screen.lines.empty());
}

void TestScopeRenderer::timeReadout_data()
{
    QTest::addColumn<int>("v1");
    QTest::addColumn<int>("v2");
    QTest::addColumn<double>("msPerSample");
    QTest::addColumn<QString>("text");
    QTest::newRow("equal cursors") << 40 << 40 << 0.125 << ".000ms";
    QTest::newRow("3") << 0 << 3 << 0.125 << ".375ms";
    QTest::newRow("8") << 8 << 0 << 0.125 << "1.000ms";
    QTest::newRow("100, either order") << 120 << 20 << 0.125 << "12.500ms";
    QTest::newRow("100, other order") << 20 << 120 << 0.125 << "12.500ms";
    QTest::newRow("768") << 768 << 0 << 0.125 << "96.000ms";
    QTest::newRow("grouped") << 0 << 500 << 3.0 << "1,500.000ms";
    QTest::newRow("a new time per sample") << 0 << 768 << 0.096 << "73.728ms";
}

void TestScopeRenderer::timeReadout()
{
    QFETCH(int, v1);
    QFETCH(int, v2);
    QFETCH(double, msPerSample);
    QFETCH(QString, text);
    Redraw r;
    ScopeFrame frame = r.frame();
    frame.timeCursor1 = v1;
    frame.timeCursor2 = v2;
    frame.msPerSample = msPerSample;
    drawScope(r.screen, r.readouts, frame, r.xScale, r.yScale);
    QCOMPARE(r.readouts.time, text);
}

void TestScopeRenderer::levelReadout_data()
{
    QTest::addColumn<int>("d");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "0.00V";
    QTest::newRow("1") << 1 << "0.02V";
    QTest::newRow("51") << 51 << "1.00V";
    QTest::newRow("100") << 100 << "1.96V";
    QTest::newRow("128") << 128 << "2.51V";
    QTest::newRow("154") << 154 << "3.02V";
    QTest::newRow("205") << 205 << "4.02V";
    QTest::newRow("255") << 255 << "5.00V";
}

void TestScopeRenderer::levelReadout()
{
    QFETCH(int, d);
    QFETCH(QString, text);
    Redraw r;
    ScopeFrame frame = r.frame();
    frame.levelCursor1 = 255;
    frame.levelCursor2 = 255 - d;
    drawScope(r.screen, r.readouts, frame, r.xScale, r.yScale);
    QCOMPARE(r.readouts.level, text);
}

QTEST_GUILESS_MAIN(TestScopeRenderer)
#include "tst_scope_renderer.moc"
