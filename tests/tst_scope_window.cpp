#include "display/raster_surface.h"
#include "display/scope_colors.h"
#include "display/scope_renderer.h"
#include "window/form1.h"
#include "window/scope_screen.h"

#include "no_readouts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>

#include <functional>

#include <cmath>
#include <set>

namespace {

const QString kAbsentPort = QStringLiteral("/nonexistent/tarnwick-test-port");

// Nearest pixel centre; the far edge belongs to the last pixel.
int pixel(double coordinate, int size)
{
    const int p = int(std::floor(float(coordinate) + 0.5f));
    return p == size ? size - 1 : p;
}

QString at(int x, int y)
{
    return QStringLiteral("(%1, %2)").arg(x).arg(y);
}

// A block with a step: `low` counts for the first half, `high` for the second.
void fillStep(Form1 &form, int u, int low, int high)
{
    form.txtArraySize->setText(QString::number(u));
    QCOMPARE(form.sampleSize(), u);
    for (int i = 0; i < u; ++i)
        form.m_Samples[size_t(i)] = qint16(i < u / 2 ? low : high);
}

// Gathers what the scope screen repaints.
struct PaintSpy : QObject
{
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

} // namespace

class TestScopeWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void everyPixelOfAStep_data();
    void everyPixelOfAStep();
    void readoutsOfASineBetweenCursors();
    void tickWithoutReadingsKeepsThePicture_data();
    void tickWithoutReadingsKeepsThePicture();
    void repaintsWhatChanged();
};

void TestScopeWindow::everyPixelOfAStep_data()
{
    QTest::addColumn<QSize>("windowSize"); // empty: as it opens
    QTest::addColumn<int>("u");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("v1");
    QTest::addColumn<int>("l1");
    QTest::addColumn<int>("l2");

    QTest::newRow("as opened, U=100") << QSize() << 100 << 30 << 230 << 25 << 102 << 0;
    QTest::newRow("as opened, U=768 falling") << QSize() << 768 << 240 << 20 << 300 << 255 << 0;
    QTest::newRow("large window, U=100") << QSize(1600, 1000) << 100 << 30 << 230 << 60 << 180 << 0;
}

void TestScopeWindow::everyPixelOfAStep()
{
    QFETCH(QSize, windowSize);
    QFETCH(int, u);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(int, v1);
    QFETCH(int, l1);
    QFETCH(int, l2);

    Form1 form(kAbsentPort);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (windowSize.isValid()) {
        form.resize(windowSize);
        QTRY_COMPARE(form.size(), windowSize);
    }
    form.timerDraw.stop();
    fillStep(form, u, low, high);
    form.scrollVLine1->setValue(v1);
    form.scrollVLine2->setValue(u);
    form.scrollHLine1->setValue(l1);
    form.scrollHLine2->setValue(l2);
    form.drawArray();

    const QImage picture = form.Picture1->picture();
    const int w = picture.width(), h = picture.height();
    QVERIFY(w > 700 && h > 250);
    if (windowSize.isValid())
        QVERIFY(w > 1500 && h > 500);
    const double xScale = double(w) / u, yScale = h / 265.0;
    const auto row = [&](int counts) { return pixel(h - counts * yScale, h); };
    const auto column = [&](int step) { return pixel(step * xScale, w); };

    const std::set<int> levelRows{row(l1), row(l2)};
    const std::set<int> timeColumns{column(v1), column(u)};
    std::set<int> gridRows;
    for (int level : {51, 102, 154, 205, 255})
        gridRows.insert(row(level));
    QVERIFY(!gridRows.count(row(low)) && !gridRows.count(row(high)));
    QCOMPARE(column(u), w - 1); // a cursor at U is on the right edge
    QCOMPARE(row(0), h - 1);    // level 0 is on the bottom edge

    // Away from the step, the trace is one flat row per half, ending one step short of the right edge.
    const int stepLeft = column(u / 2 - 1), stepRight = column(u / 2), lastPoint = column(u - 1);
    const auto traceRow = [&](int x) { return x < stepLeft ? row(low) : x <= lastPoint ? row(high) : -1; };

    // Later steps of the redraw paint over earlier ones: level cursors, time cursors, trace, grid.
    int lit = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb actual = picture.pixel(x, y);
            if (x >= stepLeft && x <= stepRight && !levelRows.count(y) && !timeColumns.count(x)) {
                // The step's own line: its pixels are the trace's, or what lay beneath it.
                QVERIFY2(actual == ScopeColors::kTrace || actual == ScopeColors::kGrid
                                 || actual == ScopeColors::kBackground,
                         qPrintable(at(x, y)));
                continue;
            }
            QRgb expected = ScopeColors::kBackground;
            if (levelRows.count(y))
                expected = ScopeColors::kLevelCursor;
            else if (timeColumns.count(x))
                expected = ScopeColors::kTimeCursor;
            else if (traceRow(x) == y)
                expected = ScopeColors::kTrace;
            else if (gridRows.count(y))
                expected = ScopeColors::kGrid;
            if (actual != expected)
                QFAIL(qPrintable(QStringLiteral("%1: %2, expected %3")
                                         .arg(at(x, y))
                                         .arg(actual, 8, 16)
                                         .arg(expected, 8, 16)));
            lit += expected != ScopeColors::kBackground;
        }
    }
    QVERIFY(lit > 4 * w);
    // The step joins the two rows in its columns.
    for (int y = std::min(row(low), row(high)); y <= std::max(row(low), row(high)); ++y) {
        if (levelRows.count(y))
            continue;
        bool onStep = false;
        for (int x = stepLeft; x <= stepRight; ++x)
            onStep = onStep || picture.pixel(x, y) == ScopeColors::kTrace;
        QVERIFY2(onStep, qPrintable(QStringLiteral("row %1").arg(y)));
    }

    // The window shows the same picture inside the screen's frame.
    const QImage window = form.grab().toImage();
    const QPoint origin = form.Picture1->mapTo(&form, form.Picture1->contentsRect().topLeft());
    QCOMPARE(form.Picture1->contentsRect().size(), picture.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (window.pixel(origin + QPoint(x, y)) != picture.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("window at screen pixel %1").arg(at(x, y))));
}

void TestScopeWindow::readoutsOfASineBetweenCursors()
{
    Form1 form(kAbsentPort);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.timerDraw.stop();
    const int u = form.sampleSize();
    for (int i = 0; i < u; ++i)
        form.m_Samples[size_t(i)] = qint16(128 + std::lround(100 * std::sin(i * 2 * M_PI / 192)));
    form.scrollVLine1->setValue(96);
    form.scrollVLine2->setValue(288);
    form.scrollHLine1->setValue(228);
    form.scrollHLine2->setValue(28);
    form.drawArray();
    QCOMPARE(form.lblDeltaV->text(), QStringLiteral("24.000ms"));
    QCOMPARE(form.lblDeltaH->text(), QStringLiteral("3.92V"));
}

void TestScopeWindow::tickWithoutReadingsKeepsThePicture_data()
{
    QTest::addColumn<int>("u");
    QTest::addColumn<bool>("redrawn");
    QTest::newRow("U=0") << 0 << false;
    QTest::newRow("U=1") << 1 << true;
}

void TestScopeWindow::tickWithoutReadingsKeepsThePicture()
{
    QFETCH(int, u);
    QFETCH(bool, redrawn);

    Form1 form(kAbsentPort);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.timerDraw.stop();
    for (int i = 0; i < form.sampleSize(); ++i)
        form.m_Samples[size_t(i)] = qint16(i % 256);
    form.scrollVLine1->setValue(10);
    form.scrollHLine1->setValue(100);
    form.drawArray();
    const QImage before = form.Picture1->picture().copy();
    const QString time = form.lblDeltaV->text(), level = form.lblDeltaH->text();
    QCOMPARE(time, QStringLiteral("1.250ms"));

    form.m_Samples.assign(size_t(u) + 1, 0);
    form.m_MsPerSample = 0.5;
    form.timerDraw_Timer();
    const QImage after = form.Picture1->picture();
    QCOMPARE(after == before, !redrawn);
    QCOMPARE(form.lblDeltaV->text(), redrawn ? QStringLiteral("5.000ms") : time);
    QCOMPARE(form.lblDeltaH->text(), level);
}

void TestScopeWindow::repaintsWhatChanged()
{
    Form1 form(kAbsentPort);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.timerDraw.stop();
    for (int i = 0; i < form.sampleSize(); ++i)
        form.m_Samples[size_t(i)] = qint16(128 + std::lround(100 * std::sin(i * 2 * M_PI / 256)));
    PaintSpy spy;
    form.Picture1->installEventFilter(&spy);
    const auto newBlock = [&] {
        for (int i = 0; i < form.sampleSize(); ++i)
            form.m_Samples[size_t(i)] = qint16((i * 5) % 256);
    };
    const auto typeSampleSize = [&] {
        form.txtArraySize->selectAll();
        QTest::keyClicks(form.txtArraySize, QStringLiteral("768")); // 7, 76, then 768
    };
    const QSize start = form.size();
    const auto shrinkAndGrowBack = [&] {
        form.resize(start - QSize(300, 200));
        QCoreApplication::processEvents();
        form.resize(start);
        QCoreApplication::processEvents();
    };
    const QList<std::pair<const char *, std::function<void()>>> steps{
            {"first picture", [] {}},
            {"new block", newBlock},
            {"time cursor 1", [&] { form.scrollVLine1->setValue(100); }},
            {"time cursor 2", [&] { form.scrollVLine2->setValue(600); }},
            {"level cursor 1", [&] { form.scrollHLine1->setValue(60); }},
            {"level cursor 2", [&] { form.scrollHLine2->setValue(200); }},
            {"N typed 768, 7, 76, 768", typeSampleSize},
            {"N", [&] { form.txtArraySize->setText(QStringLiteral("500")); }},
            {"shrink and grow back", shrinkAndGrowBack},
            {"resize", [&] { form.resize(1000, 700); }},
            {"ratio 1.5", [&] { form.Picture1->setPictureRatio(1.5); }},
            {"new block at 1.5", newBlock},
            {"ratio 2", [&] { form.Picture1->setPictureRatio(2.0); }},
            {"pause", [&] { form.chkPauseRedraw->setChecked(true); }},
            {"resume", [&] { form.chkPauseRedraw->setChecked(false); }},
    };
    for (const auto &[name, step] : steps) {
        const QImage before = form.Picture1->picture().copy();
        spy.painted = {};
        step();
        form.timerDraw_Timer();
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();

        // The picture is the one a fresh screen draws from the same state...
        const QImage &after = form.Picture1->picture();
        RasterSurface fresh;
        fresh.resize(QSize(int(form.Picture1->ScaleWidth()), int(form.Picture1->ScaleHeight())),
                     form.Picture1->pictureRatio(), after.size());
        NoReadouts readouts;
        double xScale = 0, yScale = 0;
        drawScope(fresh, readouts,
                  ScopeFrame{form.m_Samples, form.scrollVLine1->value(), form.scrollVLine2->value(),
                             form.scrollHLine1->value(), form.scrollHLine2->value(), form.m_MsPerSample},
                  xScale, yScale);
        QVERIFY2(after == fresh.picture(), name);

        // ...and what was repainted covers every pixel that changed.
        const qreal ratio = form.Picture1->pictureRatio();
        const QRect area = form.Picture1->deviceArea();
        const QPoint offset = form.Picture1->pos();
        QRegion repainted;
        for (const QRect &rect : spy.painted)
            repainted += ScopeScreen::toDevicePixels(rect.translated(offset), ratio).translated(-area.topLeft());
        if (before.size() != after.size()) {
            QVERIFY2(repainted.contains(QRect(QPoint(0, 0), after.size())), name);
            continue;
        }
        int changed = 0;
        for (int y = 0; y < after.height(); ++y)
            for (int x = 0; x < after.width(); ++x)
                if (after.pixel(x, y) != before.pixel(x, y)) {
                    ++changed;
                    QVERIFY2(repainted.contains(QPoint(x, y)), qPrintable(QStringLiteral("%1: %2").arg(name, at(x, y))));
                }
        // Nothing changed, nothing shown again; one cursor, a few rows.
        if (QByteArray(name) == "pause" || QByteArray(name) == "resume")
            QVERIFY2(changed == 0 && spy.painted.isEmpty(), name);
        if (QByteArray(name).startsWith("level cursor")) {
            int rows = 0;
            for (const QRect &rect : repainted)
                rows += rect.height();
            QVERIFY2(rows < after.height() / 4, name);
        }
    }
}

QTEST_MAIN(TestScopeWindow)
#include "tst_scope_window.moc"
