#include "window/scope_screen.h"
#include "window/form1.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <cmath>

namespace {

constexpr qreal kScale = 1.5;

// Fills its whole area, to show which device pixels Qt gives a widget.
struct Probe : QWidget
{
    using QWidget::QWidget;
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect().adjusted(-9, -9, 9, 9), Qt::red); }
};

} // namespace

// The scope screen on a screen scaled by 1.5, as Qt's own scaling makes it.
class TestScaledScreen : public QObject
{
    Q_OBJECT

private slots:
    void pictureFillsTheAreaPixelForPixel_data();
    void pictureFillsTheAreaPixelForPixel();
};

void TestScaledScreen::pictureFillsTheAreaPixelForPixel_data()
{
    QTest::addColumn<QSize>("windowSize"); // empty: as it opens
    QTest::newRow("as opened") << QSize();
    // The area's edges then fall on whole device pixels.
    QTest::newRow("one pixel larger") << QSize(785, 470);
}

void TestScaledScreen::pictureFillsTheAreaPixelForPixel()
{
    QFETCH(QSize, windowSize);

    Form1 form(QStringLiteral("/nonexistent/tarnwick-test-port"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.timerDraw.stop();
    if (windowSize.isValid()) {
        form.resize(windowSize);
        QTRY_COMPARE(form.size(), windowSize);
    }
    ScopeScreen &screen = *form.Picture1;
    QCOMPARE(screen.pictureRatio(), kScale); // the screen's own
    for (int i = 0; i < form.sampleSize(); ++i)
        form.m_Samples[size_t(i)] = qint16(128 + std::lround(100 * std::sin(i * 0.1)));
    form.drawArray();
    QCoreApplication::processEvents();

    // Qt rounds each edge of a widget to the nearest device pixel, so the area
    // of 313 rows at 1.5 is 469 or 470 device rows, as its top lies.
    const QRect contents = screen.contentsRect().translated(screen.pos());
    Probe probe(&form);
    probe.setGeometry(contents);
    probe.show();
    const QImage probed = form.grab().toImage();
    const QRect area = screen.deviceArea();
    for (const QPoint inside : {area.topLeft(), area.bottomRight()})
        QCOMPARE(probed.pixel(inside), QColor(Qt::red).rgb());
    for (const QPoint outside : {area.topLeft() - QPoint(1, 1), area.bottomRight() + QPoint(1, 1)})
        QVERIFY(probed.pixel(outside) != QColor(Qt::red).rgb());
    probe.hide();

    // The picture has those pixels, and is shown one to one.
    QCOMPARE(screen.picture().size(), area.size());
    QCOMPARE(form.grab().toImage().copy(area), screen.picture());
}

int main(int argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR", QByteArray::number(kScale));
    QApplication app(argc, argv);
    TestScaledScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scaled_screen.moc"
