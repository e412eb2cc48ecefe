#include "common/errors.h"
#include "display/scope_colors.h"
#include "display/scope_renderer.h"

#include <QTest>

#include <limits>
#include <stdexcept>
#include <vector>

namespace {

// One call the renderer made, on the screen or on a readout.
struct Call
{
    enum Kind { Clear, Color, Line, TimeText, LevelText };
    Call(Kind kind, QRgb color = 0, float x1 = 0, float y1 = 0, float x2 = 0, float y2 = 0, QString text = {})
        : kind(kind), color(color), x1(x1), y1(y1), x2(x2), y2(y2), text(std::move(text))
    {
    }
    Kind kind;
    QRgb color;
    float x1, y1, x2, y2;
    QString text;
};

using CallLog = std::vector<Call>;

// Stores every call in one log shared with the readouts, so that the order
// between drawing and readouts shows too.
class RecordingSurface : public ScopeSurface
{
public:
    explicit RecordingSurface(CallLog &log) : m_log(log) { }

    float width = 768, height = 265;
    // Throw on this Line call (counted from 0 over the whole redraw); -1 never.
    int failAtLine = -1;
    int lineCalls = 0;

    float ScaleWidth() const override { return width; }
    float ScaleHeight() const override { return height; }
    void Cls() override { m_log.push_back({Call::Clear}); }
    void setForeColor(QRgb color) override { m_log.push_back({Call::Color, color}); }
    void Line(float x1, float y1, float x2, float y2) override
    {
        if (lineCalls++ == failAtLine)
            throw std::runtime_error("screen gone");
        m_log.push_back({Call::Line, 0, x1, y1, x2, y2});
    }

private:
    CallLog &m_log;
};

class RecordingReadouts : public ReadoutDisplay
{
public:
    explicit RecordingReadouts(CallLog &log) : m_log(log) { }

    QString time = QStringLiteral("previous time");
    QString level = QStringLiteral("previous level");

    void setTimeReadout(const QString &text) override
    {
        time = text;
        m_log.push_back({Call::TimeText, 0, 0, 0, 0, 0, text});
    }
    void setLevelReadout(const QString &text) override
    {
        level = text;
        m_log.push_back({Call::LevelText, 0, 0, 0, 0, 0, text});
    }

private:
    CallLog &m_log;
};

struct Redraw
{
    CallLog log;
    RecordingSurface screen{log};
    RecordingReadouts readouts{log};
    double xScale = -1, yScale = -1;
    std::vector<qint16> samples = std::vector<qint16>(769, 0);
    int v1 = 100, v2 = 768, l1 = 0, l2 = 255;
    double msPerSample = 0.125;

    void run()
    {
        const ScopeFrame frame{samples, v1, v2, l1, l2, msPerSample};
        drawScope(screen, readouts, frame, xScale, yScale);
    }
    int upperBound() const { return int(samples.size()) - 1; }

    std::vector<Call> lines() const
    {
        std::vector<Call> result;
        for (const Call &call : log)
            if (call.kind == Call::Line)
                result.push_back(call);
        return result;
    }
    // Lines 5 .. 5 + U - 1.
    std::vector<Call> trace() const
    {
        const std::vector<Call> all = lines();
        return {all.begin() + 5, all.begin() + 5 + upperBound()};
    }
};

QString describe(const Call &call)
{
    switch (call.kind) {
    case Call::Clear:
        return QStringLiteral("Cls");
    case Call::Color:
        return QStringLiteral("ForeColor %1").arg(call.color, 8, 16, QLatin1Char('0'));
    case Call::Line:
        return QStringLiteral("Line (%1, %2)-(%3, %4)").arg(call.x1).arg(call.y1).arg(call.x2).arg(call.y2);
    case Call::TimeText:
        return QStringLiteral("time readout ") + call.text;
    case Call::LevelText:
        return QStringLiteral("level readout ") + call.text;
    }
    return {};
}

} // namespace

class TestRenderer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void workedExample();
    void gridFollowsTheHeight_data();
    void gridFollowsTheHeight();
    void callsInOrder_data();
    void callsInOrder();
    void traceJoinsConsecutivePoints_data();
    void traceJoinsConsecutivePoints();
    void singleStep();
    void collapsedScreen_data();
    void collapsedScreen();
    void cursorsOnTheEdges_data();
    void cursorsOnTheEdges();
    void timeReadout_data();
    void timeReadout();
    void levelReadout_data();
    void levelReadout();
    void anErrorEndsTheRedraw_data();
    void anErrorEndsTheRedraw();
    void nonFiniteSizeFailsAtTheScales_data();
    void nonFiniteSizeFailsAtTheScales();
};

void TestRenderer::workedExample()
{
    Redraw r;
    r.samples[5] = 128;
    r.samples[300] = 255;
    r.run();

    QCOMPARE(r.xScale, 1.0);
    QCOMPARE(r.yScale, 1.0);
    const std::vector<Call> lines = r.lines();
    QCOMPARE(lines.size(), size_t(768 + 9));

    const float grid[] = {214, 163, 111, 60, 10};
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(lines[k].x1, 0.0f);
        QCOMPARE(lines[k].y1, grid[k]);
        QCOMPARE(lines[k].x2, 768.0f);
        QCOMPARE(lines[k].y2, grid[k]);
    }
    const std::vector<Call> trace = r.trace();
    // An unfilled reading lies on the bottom edge, 128 in entry 5 at (5, 137), 255 on the top grid line.
    QCOMPARE(trace[4].y2, 265.0f);
    QCOMPARE(trace[5].x2, 5.0f);
    QCOMPARE(trace[5].y2, 137.0f);
    QCOMPARE(trace[6].x1, 5.0f);
    QCOMPARE(trace[6].y1, 137.0f);
    QCOMPARE(trace[300].x2, 300.0f);
    QCOMPARE(trace[300].y2, 10.0f);

    // The edge cases keep the cursors at 0 and U; one inside shows they are scaled per reading.
    QCOMPARE(lines[773].x1, 100.0f);
    QCOMPARE(lines[773].x2, 100.0f);
    QCOMPARE(r.readouts.time, QStringLiteral("83.500ms"));
    QCOMPARE(r.readouts.level, QStringLiteral("5.00V"));
}

void TestRenderer::gridFollowsTheHeight_data()
{
    QTest::addColumn<float>("height");
    QTest::addColumn<QList<float>>("grid");
    QTest::newRow("265") << 265.0f << QList<float>{214, 163, 111, 60, 10};
    QTest::newRow("530") << 530.0f << QList<float>{428, 326, 222, 120, 20};
}

void TestRenderer::gridFollowsTheHeight()
{
    QFETCH(float, height);
    QFETCH(QList<float>, grid);
    Redraw r;
    r.screen.height = height;
    r.run();
    QCOMPARE(r.yScale, double(height) / 265.0);
    const std::vector<Call> lines = r.lines();
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(lines[k].y1, grid[k]);
        QCOMPARE(lines[k].y2, grid[k]);
    }
}

void TestRenderer::callsInOrder_data()
{
    QTest::addColumn<int>("u");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::newRow("U=1") << 1 << 768.0f << 265.0f;
    QTest::newRow("U=2") << 2 << 768.0f << 265.0f;
    QTest::newRow("U=768") << 768 << 768.0f << 265.0f;
    QTest::newRow("U=768 start screen") << 768 << 772.0f << 313.0f;
    QTest::newRow("U=32766 maximised") << 32766 << 1912.0f << 928.0f;
}

void TestRenderer::callsInOrder()
{
    QFETCH(int, u);
    QFETCH(float, width);
    QFETCH(float, height);
    Redraw r;
    r.samples.assign(size_t(u) + 1, 77);
    r.v1 = 0;
    r.v2 = u;
    r.screen.width = width;
    r.screen.height = height;
    r.run();

    // Cls, grid colour, 5 lines, trace colour, U lines, time readout,
    // time cursor colour, 2 lines, level cursor colour, 2 lines, level readout.
    std::vector<Call::Kind> kinds{Call::Clear, Call::Color};
    std::vector<QRgb> colors{ScopeColors::kGrid, ScopeColors::kTrace, ScopeColors::kTimeCursor,
                             ScopeColors::kLevelCursor};
    kinds.insert(kinds.end(), 5, Call::Line);
    kinds.push_back(Call::Color);
    kinds.insert(kinds.end(), size_t(u), Call::Line);
    kinds.push_back(Call::TimeText);
    kinds.push_back(Call::Color);
    kinds.insert(kinds.end(), 2, Call::Line);
    kinds.push_back(Call::Color);
    kinds.insert(kinds.end(), 2, Call::Line);
    kinds.push_back(Call::LevelText);

    QCOMPARE(r.log.size(), kinds.size());
    QCOMPARE(r.lines().size(), size_t(u) + 9);
    size_t colorIndex = 0;
    for (size_t i = 0; i < kinds.size(); ++i) {
        QVERIFY2(r.log[i].kind == kinds[i], qPrintable(QStringLiteral("call %1: %2").arg(i).arg(describe(r.log[i]))));
        if (kinds[i] == Call::Color)
            QCOMPARE(r.log[i].color, colors[colorIndex++]);
    }
    QCOMPARE(colorIndex, colors.size());
}

void TestRenderer::traceJoinsConsecutivePoints_data()
{
    QTest::addColumn<int>("u");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::newRow("U=768 768x265") << 768 << 768.0f << 265.0f;
    QTest::newRow("U=1000 772x313") << 1000 << 772.0f << 313.0f;
    QTest::newRow("U=32766 1912x928") << 32766 << 1912.0f << 928.0f;
}

void TestRenderer::traceJoinsConsecutivePoints()
{
    QFETCH(int, u);
    QFETCH(float, width);
    QFETCH(float, height);
    Redraw r;
    r.samples.assign(size_t(u) + 1, 0);
    for (int i = 0; i < u; ++i)
        r.samples[size_t(i)] = qint16((i * 37) % 256);
    r.samples[size_t(u)] = 255; // entry U is never drawn
    r.screen.width = width;
    r.screen.height = height;
    r.run();

    QCOMPARE(r.xScale, double(width) / u);
    const std::vector<Call> trace = r.trace();
    QCOMPARE(trace.size(), size_t(u));
    // The first line runs from point 0 to itself.
    QCOMPARE(trace[0].x1, 0.0f);
    QCOMPARE(trace[0].x2, 0.0f);
    QCOMPARE(trace[0].y1, height);
    QCOMPARE(trace[0].y2, height);
    for (int i = 0; i < u; ++i) {
        const Call &line = trace[size_t(i)];
        const float x = float(i * (double(width) / u));
        const float y = float(height - r.samples[size_t(i)] * (double(height) / 265.0));
        QCOMPARE(line.x2, x);
        QCOMPARE(line.y2, y);
        if (i > 0) {
            QCOMPARE(line.x1, trace[size_t(i) - 1].x2);
            QCOMPARE(line.y1, trace[size_t(i) - 1].y2);
        }
    }
    // The last point drawn is one step short of the right edge.
    QVERIFY(trace.back().x2 < width);
    QCOMPARE(trace.back().x2, float((u - 1) * (double(width) / u)));
}

void TestRenderer::singleStep()
{
    Redraw r;
    r.samples = {51, 255};
    r.v1 = 0;
    r.v2 = 1;
    r.run();
    QCOMPARE(r.xScale, 768.0);
    const std::vector<Call> lines = r.lines();
    QCOMPARE(lines.size(), size_t(1 + 9));
    const Call &trace = lines[5];
    // 51 lies on the lowest grid line; the one line starts and ends at point 0.
    QCOMPARE(trace.x1, 0.0f);
    QCOMPARE(trace.y1, 214.0f);
    QCOMPARE(trace.x2, 0.0f);
    QCOMPARE(trace.y2, 214.0f);
    QCOMPARE(lines[7].x1, 768.0f); // a time cursor at U = 1 is on the right edge
}

void TestRenderer::collapsedScreen_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::newRow("W=0") << 0.0f << 265.0f;
    QTest::newRow("H=0") << 768.0f << 0.0f;
    QTest::newRow("both 0") << 0.0f << 0.0f;
}

void TestRenderer::collapsedScreen()
{
    QFETCH(float, width);
    QFETCH(float, height);
    Redraw r;
    for (int i = 0; i < 768; ++i)
        r.samples[size_t(i)] = qint16(i % 256);
    r.l1 = 100;
    r.screen.width = width;
    r.screen.height = height;
    r.run();

    const std::vector<Call> lines = r.lines();
    QCOMPARE(lines.size(), size_t(768 + 9));
    bool sawX = false, sawY = false;
    for (const Call &line : lines) {
        if (width == 0.0f) {
            QCOMPARE(line.x1, 0.0f);
            QCOMPARE(line.x2, 0.0f);
        }
        if (height == 0.0f) {
            QCOMPARE(line.y1, 0.0f);
            QCOMPARE(line.y2, 0.0f);
        }
        sawX = sawX || line.x1 != 0.0f || line.x2 != 0.0f;
        sawY = sawY || line.y1 != 0.0f || line.y2 != 0.0f;
    }
    // The other axis is still drawn out.
    QCOMPARE(sawX, width != 0.0f);
    QCOMPARE(sawY, height != 0.0f);
    QCOMPARE(r.readouts.level, QStringLiteral("3.04V"));
}

void TestRenderer::cursorsOnTheEdges_data()
{
    QTest::addColumn<int>("u");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::newRow("768x265") << 768 << 768.0f << 265.0f;
    QTest::newRow("772x313") << 768 << 772.0f << 313.0f;
    QTest::newRow("1912x928 U=32766") << 32766 << 1912.0f << 928.0f;
}

void TestRenderer::cursorsOnTheEdges()
{
    QFETCH(int, u);
    QFETCH(float, width);
    QFETCH(float, height);
    Redraw r;
    r.samples.assign(size_t(u) + 1, 0);
    r.screen.width = width;
    r.screen.height = height;
    r.v1 = 0;
    r.v2 = u;
    r.l1 = 0;
    r.l2 = 255;
    r.run();

    const std::vector<Call> lines = r.lines();
    const size_t first = 5 + size_t(u);
    const Call &time1 = lines[first], &time2 = lines[first + 1];
    const Call &level1 = lines[first + 2], &level2 = lines[first + 3];
    QCOMPARE(time1.x1, 0.0f);
    QCOMPARE(time1.x2, 0.0f);
    QCOMPARE(time2.x1, width); // at U: the right edge
    QCOMPARE(time2.x2, width);
    for (const Call *time : {&time1, &time2}) {
        QCOMPARE(time->y1, 0.0f);
        QCOMPARE(time->y2, height);
    }
    QCOMPARE(level1.y1, height); // at 0: the bottom edge
    QCOMPARE(level1.y2, height);
    QCOMPARE(level2.y1, lines[4].y1); // at 255: the top grid line
    QCOMPARE(level2.y2, lines[4].y1);
    for (const Call *level : {&level1, &level2}) {
        QCOMPARE(level->x1, 0.0f);
        QCOMPARE(level->x2, width);
    }
}

void TestRenderer::timeReadout_data()
{
    QTest::addColumn<int>("v1");
    QTest::addColumn<int>("v2");
    QTest::addColumn<double>("msPerSample");
    QTest::addColumn<QString>("text");
    QTest::newRow("d=0") << 0 << 0 << 0.125 << ".000ms";
    QTest::newRow("d=0 elsewhere") << 400 << 400 << 0.125 << ".000ms";
    QTest::newRow("d=3") << 0 << 3 << 0.125 << ".375ms";
    QTest::newRow("d=3 reversed") << 3 << 0 << 0.125 << ".375ms";
    QTest::newRow("d=8") << 8 << 0 << 0.125 << "1.000ms";
    QTest::newRow("d=100") << 20 << 120 << 0.125 << "12.500ms";
    QTest::newRow("d=100 reversed") << 120 << 20 << 0.125 << "12.500ms";
    QTest::newRow("d=768") << 0 << 768 << 0.125 << "96.000ms";
    QTest::newRow("d=500 at 3") << 500 << 0 << 3.0 << "1,500.000ms";
    QTest::newRow("d=500 at 3 reversed") << 0 << 500 << 3.0 << "1,500.000ms";
    QTest::newRow("d=768 at .096") << 0 << 768 << 0.096 << "73.728ms";
}

void TestRenderer::timeReadout()
{
    QFETCH(int, v1);
    QFETCH(int, v2);
    QFETCH(double, msPerSample);
    QFETCH(QString, text);
    Redraw r;
    r.v1 = v1;
    r.v2 = v2;
    r.msPerSample = msPerSample;
    r.run();
    QCOMPARE(r.readouts.time, text);
}

void TestRenderer::levelReadout_data()
{
    QTest::addColumn<int>("l1");
    QTest::addColumn<int>("l2");
    QTest::addColumn<QString>("text");
    QTest::newRow("d=0") << 0 << 0 << "0.00V";
    QTest::newRow("d=0 at 200") << 200 << 200 << "0.00V";
    QTest::newRow("d=1") << 0 << 1 << "0.02V";
    QTest::newRow("d=51") << 51 << 0 << "1.00V";
    QTest::newRow("d=100") << 10 << 110 << "1.96V";
    QTest::newRow("d=100 reversed") << 110 << 10 << "1.96V";
    QTest::newRow("d=128") << 255 << 127 << "2.51V";
    QTest::newRow("d=154") << 0 << 154 << "3.02V";
    QTest::newRow("d=205") << 255 << 50 << "4.02V";
    QTest::newRow("d=255") << 0 << 255 << "5.00V";
    QTest::newRow("d=255 reversed") << 255 << 0 << "5.00V";
}

void TestRenderer::levelReadout()
{
    QFETCH(int, l1);
    QFETCH(int, l2);
    QFETCH(QString, text);
    Redraw r;
    r.l1 = l1;
    r.l2 = l2;
    r.run();
    QCOMPARE(r.readouts.level, text);
}

void TestRenderer::anErrorEndsTheRedraw_data()
{
    QTest::addColumn<int>("failAtLine");
    QTest::addColumn<bool>("timeUpdated");
    // Lines: 0..4 grid, 5..772 trace, 773..774 time cursors, 775..776 level cursors.
    QTest::newRow("first grid line") << 0 << false;
    QTest::newRow("first trace line") << 5 << false;
    QTest::newRow("mid trace") << 5 + 100 << false;
    QTest::newRow("last trace line") << 5 + 767 << false;
    QTest::newRow("first time cursor") << 773 << true;
    QTest::newRow("first level cursor") << 775 << true;
    QTest::newRow("second level cursor") << 776 << true;
}

void TestRenderer::anErrorEndsTheRedraw()
{
    QFETCH(int, failAtLine);
    QFETCH(bool, timeUpdated);

    Redraw whole;
    whole.samples[10] = 200;
    whole.run();

    Redraw r;
    r.samples[10] = 200;
    r.screen.failAtLine = failAtLine;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, r.run());

    // What came before the failing line was drawn as in a whole redraw, nothing after it.
    const std::vector<Call> lines = r.lines();
    QCOMPARE(lines.size(), size_t(failAtLine));
    QVERIFY(r.log.size() < whole.log.size());
    for (size_t i = 0; i < r.log.size(); ++i)
        QCOMPARE(describe(r.log[i]), describe(whole.log[i]));
    QCOMPARE(r.screen.lineCalls, failAtLine + 1);
    QCOMPARE(r.xScale, 1.0);
    QCOMPARE(r.yScale, 1.0);

    QCOMPARE(r.readouts.time, timeUpdated ? whole.readouts.time : QStringLiteral("previous time"));
    QCOMPARE(r.readouts.level, QStringLiteral("previous level"));
}

void TestRenderer::nonFiniteSizeFailsAtTheScales_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("infinite width") << inf << 265.0f;
    QTest::newRow("infinite height") << 768.0f << inf;
    QTest::newRow("NaN width") << std::numeric_limits<float>::quiet_NaN() << 265.0f;
}

void TestRenderer::nonFiniteSizeFailsAtTheScales()
{
    QFETCH(float, width);
    QFETCH(float, height);
    Redraw r;
    r.screen.width = width;
    r.screen.height = height;
    QVERIFY_THROWS_EXCEPTION(ArithmeticError, r.run());
    // Cleared, then nothing: no colour, no line, no readout.
    QCOMPARE(r.log.size(), size_t(1));
    QCOMPARE(r.log[0].kind, Call::Clear);
    QCOMPARE(r.readouts.time, QStringLiteral("previous time"));
    QCOMPARE(r.readouts.level, QStringLiteral("previous level"));
}

QTEST_GUILESS_MAIN(TestRenderer)
#include "tst_renderer.moc"
