#include "common/errors.h"
#include "fake_counter.h"
#include "stopwatch/cls_timer.h"
#include "stopwatch/fixed_point4.h"

#include <QLocale>
#include <QTest>

#include <bit>
#include <cstdint>
#include <limits>

namespace {

// Equality of the bits, not a fuzzy match: the stopwatch's step order fixes
// the last bit of its results.
void compareExactly(double actual, double expected, const char *file, int line)
{
    if (std::bit_cast<std::uint64_t>(actual) != std::bit_cast<std::uint64_t>(expected)) {
        const QString message = QStringLiteral("Doubles differ: actual %1, expected %2")
                                    .arg(actual, 0, 'g', 17)
                                    .arg(expected, 0, 'g', 17);
        QTest::qFail(qPrintable(message), file, line);
    }
}

#define COMPARE_EXACTLY(actual, expected)                                  \
    do {                                                                   \
        compareExactly((actual), (expected), __FILE__, __LINE__);          \
        if (QTest::currentTestFailed())                                    \
            return;                                                        \
    } while (false)

constexpr qint64 kInt64Max = std::numeric_limits<qint64>::max();
constexpr qint64 kInt64Min = std::numeric_limits<qint64>::min();

} // namespace

class TestStopwatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void knownIntervals_data();
    void knownIntervals();
    void frequencyIsScaledOnce();
    void newObjectReadsZero();
    void stopWithoutReset();
    void secondResetReplacesFirst();
    void resetAfterStopGivesNegativeInterval();
    void elapsedIsStableAndNeverReadsTheCounter();
    void frequencyAboveInt32();
    void frequencyQueryFailing();
    void zeroFrequencyFails_data();
    void zeroFrequencyFails();
    void differenceOutside64BitsFails();
    void frequencyTooLargeToScaleFails();
    void grouping_data();
    void grouping();
    void userNumberFormat();

    void fixedPointSubtraction_data();
    void fixedPointSubtraction();
    void fixedPointMultiplication_data();
    void fixedPointMultiplication();
    void fixedPointToDouble();
    void fixedPointToInt32_data();
    void fixedPointToInt32();
};

void TestStopwatch::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestStopwatch::cleanup()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestStopwatch::knownIntervals_data()
{
    QTest::addColumn<qint64>("ticksPerSecond");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("stop");
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<QString>("text");

    QTest::newRow("ten ms") << qint64(3579545) << qint64(0) << qint64(35795) << 9.999874285698322
                            << "Execution took 10.000 ms";
    QTest::newRow("one second") << qint64(3579545) << qint64(0) << qint64(3579545) << 1000.0
                                << "Execution took 1,000.000 ms";
    // The short formula (ticks / f * 1000) would give 12345.678899999999.
    QTest::newRow("step order fixes last bit") << qint64(10000000) << qint64(1000) << qint64(123457789) << 12345.6789
                                               << "Execution took 12,345.679 ms";
    QTest::newRow("three ticks per second") << qint64(3) << qint64(0) << qint64(2) << 666.6666666666667
                                            << "Execution took 666.667 ms";
    QTest::newRow("negative") << qint64(3579545) << qint64(100) << qint64(50) << -0.013968255742000729
                              << "Execution took -0.014 ms";
}

void TestStopwatch::knownIntervals()
{
    QFETCH(qint64, ticksPerSecond);
    QFETCH(qint64, start);
    QFETCH(qint64, stop);
    QFETCH(double, elapsed);
    QFETCH(QString, text);

    FakeCounter counter(ticksPerSecond);
    clsTimer timer(counter);
    counter.reading = start;
    timer.ResetTimer();
    counter.reading = stop;
    timer.StopTimer();

    QCOMPARE(timer.m_StartTime.raw, start);
    QCOMPARE(timer.m_StopTime.raw, stop);
    COMPARE_EXACTLY(timer.Elapsed(), elapsed);
    QCOMPARE(timer.strElapsed(), text);
    // The free function is what the capture engine uses: same arithmetic.
    COMPARE_EXACTLY(elapsedMilliseconds(timer.m_StartTime, timer.m_StopTime, timer.m_curFrequency), elapsed);
}

void TestStopwatch::frequencyIsScaledOnce()
{
    FakeCounter counter(3579545);
    clsTimer timer(counter);
    QCOMPARE(counter.frequencyQueries, 1);
    QCOMPARE(counter.counterQueries, 0);
    QCOMPARE(timer.m_curFrequency.raw, qint64(35795450000));
    QCOMPARE(timer.TicksPerSecond(), 3579545);
    QVERIFY(timer.HasCounter());
    QVERIFY(timer.m_HasCounter);
    // Reading the properties queries nothing again.
    QCOMPARE(timer.TicksPerSecond(), 3579545);
    QCOMPARE(counter.frequencyQueries, 1);
}

void TestStopwatch::newObjectReadsZero()
{
    FakeCounter counter(3579545);
    counter.reading = 987654;
    clsTimer timer(counter);
    QCOMPARE(timer.m_StartTime.raw, qint64(0));
    QCOMPARE(timer.m_StopTime.raw, qint64(0));
    COMPARE_EXACTLY(timer.Elapsed(), 0.0);
    QCOMPARE(timer.strElapsed(), QStringLiteral("Execution took 0.000 ms"));
    QCOMPARE(counter.counterQueries, 0);
}

void TestStopwatch::stopWithoutReset()
{
    FakeCounter counter(3579545);
    clsTimer timer(counter);
    counter.reading = 3579545;
    timer.StopTimer();
    QCOMPARE(timer.m_StartTime.raw, qint64(0));
    COMPARE_EXACTLY(timer.Elapsed(), 1000.0);
    QCOMPARE(timer.strElapsed(), QStringLiteral("Execution took 1,000.000 ms"));
}

void TestStopwatch::secondResetReplacesFirst()
{
    FakeCounter counter(10000000);
    clsTimer timer(counter);
    counter.reading = 5;
    timer.ResetTimer();
    counter.reading = 1000;
    timer.ResetTimer();
    QCOMPARE(timer.m_StartTime.raw, qint64(1000));
    QCOMPARE(timer.m_StopTime.raw, qint64(0));
    counter.reading = 123457789;
    timer.StopTimer();
    COMPARE_EXACTLY(timer.Elapsed(), 12345.6789);
}

void TestStopwatch::resetAfterStopGivesNegativeInterval()
{
    FakeCounter counter(3579545);
    clsTimer timer(counter);
    counter.reading = 10;
    timer.ResetTimer();
    counter.reading = 50;
    timer.StopTimer();
    counter.reading = 100;
    timer.ResetTimer(); // no new stop: the stop reading is now the older one
    QCOMPARE(timer.m_StopTime.raw, qint64(50));
    COMPARE_EXACTLY(timer.Elapsed(), -0.013968255742000729);
    QCOMPARE(timer.strElapsed(), QStringLiteral("Execution took -0.014 ms"));
}

void TestStopwatch::elapsedIsStableAndNeverReadsTheCounter()
{
    FakeCounter counter(3579545);
    clsTimer timer(counter);
    counter.reading = 0;
    timer.ResetTimer();
    counter.reading = 35795;
    timer.StopTimer();
    const int queries = counter.counterQueries;

    counter.reading = 999999999; // a live read would show here
    for (int i = 0; i < 3; ++i) {
        COMPARE_EXACTLY(timer.Elapsed(), 9.999874285698322);
        QCOMPARE(timer.strElapsed(), QStringLiteral("Execution took 10.000 ms"));
    }
    QCOMPARE(counter.counterQueries, queries);
    QCOMPARE(timer.m_StartTime.raw, qint64(0));
    QCOMPARE(timer.m_StopTime.raw, qint64(35795));
}

void TestStopwatch::frequencyAboveInt32()
{
    FakeCounter counter(3000000000);
    clsTimer timer(counter);
    QCOMPARE(timer.m_curFrequency.raw, qint64(30000000000000));
    QVERIFY_THROWS_EXCEPTION(OverflowError, timer.TicksPerSecond());
    counter.reading = 3000000000;
    timer.StopTimer();
    COMPARE_EXACTLY(timer.Elapsed(), 1000.0);
    QCOMPARE(timer.strElapsed(), QStringLiteral("Execution took 1,000.000 ms"));
}

void TestStopwatch::frequencyQueryFailing()
{
    FakeCounter counter(7); // what the failed query left behind
    counter.frequencyOk = false;
    clsTimer timer(counter);
    QVERIFY(!timer.HasCounter());
    QVERIFY(!timer.m_HasCounter);
    // The scaling step runs all the same.
    QCOMPARE(timer.m_curFrequency.raw, qint64(70000));
    QCOMPARE(timer.TicksPerSecond(), 7);
}

void TestStopwatch::zeroFrequencyFails_data()
{
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("stop");
    QTest::newRow("zero by zero") << qint64(0) << qint64(0);
    QTest::newRow("ticks by zero") << qint64(0) << qint64(35795);
    QTest::newRow("negative ticks by zero") << qint64(35795) << qint64(0);
}

void TestStopwatch::zeroFrequencyFails()
{
    QFETCH(qint64, start);
    QFETCH(qint64, stop);
    FakeCounter counter(0);
    counter.frequencyOk = false;
    clsTimer timer(counter);
    QCOMPARE(timer.m_curFrequency.raw, qint64(0));
    counter.reading = start;
    timer.ResetTimer();
    counter.reading = stop;
    timer.StopTimer();
    QVERIFY_THROWS_EXCEPTION(ArithmeticError, timer.Elapsed());
    QVERIFY_THROWS_EXCEPTION(ArithmeticError, timer.strElapsed());
    // No field changes.
    QCOMPARE(timer.m_StartTime.raw, start);
    QCOMPARE(timer.m_StopTime.raw, stop);
    QCOMPARE(timer.m_curFrequency.raw, qint64(0));
}

void TestStopwatch::differenceOutside64BitsFails()
{
    FakeCounter counter(3579545);
    clsTimer timer(counter);
    counter.reading = kInt64Min;
    timer.ResetTimer();
    counter.reading = 1;
    timer.StopTimer();
    QVERIFY_THROWS_EXCEPTION(OverflowError, timer.Elapsed());
    QVERIFY_THROWS_EXCEPTION(OverflowError, timer.strElapsed());
}

void TestStopwatch::frequencyTooLargeToScaleFails()
{
    FakeCounter counter(kInt64Max / 10000 + 1);
    QVERIFY_THROWS_EXCEPTION(OverflowError, clsTimer timer(counter));
}

void TestStopwatch::grouping_data()
{
    QTest::addColumn<qint64>("ticksPerSecond");
    QTest::addColumn<qint64>("ticks");
    QTest::addColumn<QString>("text");
    QTest::newRow("millions") << qint64(1000000) << qint64(1234567891) << "Execution took 1,234,567.891 ms";
    QTest::newRow("billions") << qint64(1000) << qint64(1234567891) << "Execution took 1,234,567,891.000 ms";
    QTest::newRow("no group below a thousand") << qint64(1000000) << qint64(999999) << "Execution took 999.999 ms";
    QTest::newRow("rounds into a new group") << qint64(10000000) << qint64(9999996) << "Execution took 1,000.000 ms";
    QTest::newRow("stays below a thousand") << qint64(10000000) << qint64(9999994) << "Execution took 999.999 ms";
    QTest::newRow("below a millisecond") << qint64(10000000) << qint64(4) << "Execution took 0.000 ms";
    QTest::newRow("negative grouped") << qint64(1000000) << qint64(-1234567891) << "Execution took -1,234,567.891 ms";
}

void TestStopwatch::grouping()
{
    QFETCH(qint64, ticksPerSecond);
    QFETCH(qint64, ticks);
    QFETCH(QString, text);
    FakeCounter counter(ticksPerSecond);
    clsTimer timer(counter);
    counter.reading = ticks;
    timer.StopTimer();
    QCOMPARE(timer.strElapsed(), text);
}

void TestStopwatch::userNumberFormat()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    FakeCounter counter(1000000);
    clsTimer timer(counter);
    counter.reading = 1234567891;
    timer.StopTimer();
    QCOMPARE(timer.strElapsed(), QStringLiteral("Execution took 1.234.567,891 ms"));
}

void TestStopwatch::fixedPointSubtraction_data()
{
    QTest::addColumn<qint64>("left");
    QTest::addColumn<qint64>("right");
    QTest::addColumn<bool>("overflows");
    QTest::addColumn<qint64>("difference");
    QTest::newRow("plain") << qint64(5) << qint64(7) << false << qint64(-2);
    QTest::newRow("to the minimum") << kInt64Min + 1 << qint64(1) << false << kInt64Min;
    QTest::newRow("to the maximum") << kInt64Max - 1 << qint64(-1) << false << kInt64Max;
    QTest::newRow("below the minimum") << kInt64Min << qint64(1) << true << qint64(0);
    QTest::newRow("above the maximum") << kInt64Max << qint64(-1) << true << qint64(0);
    QTest::newRow("zero minus minimum") << qint64(0) << kInt64Min << true << qint64(0);
    QTest::newRow("maximum minus minimum") << kInt64Max << kInt64Min << true << qint64(0);
}

void TestStopwatch::fixedPointSubtraction()
{
    QFETCH(qint64, left);
    QFETCH(qint64, right);
    QFETCH(bool, overflows);
    QFETCH(qint64, difference);
    const FixedPoint4 a{left};
    const FixedPoint4 b{right};
    if (overflows) {
        QVERIFY_THROWS_EXCEPTION(OverflowError, a - b);
    } else {
        QCOMPARE((a - b).raw, difference);
    }
}

void TestStopwatch::fixedPointMultiplication_data()
{
    QTest::addColumn<qint64>("raw");
    QTest::addColumn<qint64>("factor");
    QTest::addColumn<bool>("overflows");
    QTest::addColumn<qint64>("product");
    QTest::newRow("plain") << qint64(-3) << qint64(4) << false << qint64(-12);
    QTest::newRow("scale frequency") << qint64(3579545) << qint64(10000) << false << qint64(35795450000);
    QTest::newRow("largest scalable") << kInt64Max / 10000 << qint64(10000) << false << (kInt64Max / 10000) * 10000;
    QTest::newRow("one past scalable") << kInt64Max / 10000 + 1 << qint64(10000) << true << qint64(0);
    QTest::newRow("negative past scalable") << kInt64Min / 10000 - 1 << qint64(10000) << true << qint64(0);
    QTest::newRow("minimum negated") << kInt64Min << qint64(-1) << true << qint64(0);
    QTest::newRow("maximum negated") << kInt64Max << qint64(-1) << false << -kInt64Max;
}

void TestStopwatch::fixedPointMultiplication()
{
    QFETCH(qint64, raw);
    QFETCH(qint64, factor);
    QFETCH(bool, overflows);
    QFETCH(qint64, product);
    const FixedPoint4 a{raw};
    if (overflows) {
        QVERIFY_THROWS_EXCEPTION(OverflowError, a * factor);
    } else {
        QCOMPARE((a * factor).raw, product);
    }
}

void TestStopwatch::fixedPointToDouble()
{
    COMPARE_EXACTLY(FixedPoint4{35795}.toDouble(), 3.5795);
    COMPARE_EXACTLY(FixedPoint4{-35795}.toDouble(), -3.5795);
    COMPARE_EXACTLY(FixedPoint4{35795450000}.toDouble(), 3579545.0);
    COMPARE_EXACTLY(FixedPoint4{0}.toDouble(), 0.0);
}

void TestStopwatch::fixedPointToInt32_data()
{
    QTest::addColumn<qint64>("raw");
    QTest::addColumn<bool>("overflows");
    QTest::addColumn<int>("value");
    QTest::newRow("2.5 to even") << qint64(25000) << false << 2;
    QTest::newRow("3.5 to even") << qint64(35000) << false << 4;
    QTest::newRow("-2.5 to even") << qint64(-25000) << false << -2;
    QTest::newRow("-3.5 to even") << qint64(-35000) << false << -4;
    QTest::newRow("0.5 to even") << qint64(5000) << false << 0;
    QTest::newRow("-0.5 to even") << qint64(-5000) << false << 0;
    QTest::newRow("1.5 to even") << qint64(15000) << false << 2;
    QTest::newRow("below half") << qint64(24999) << false << 2;
    QTest::newRow("above half") << qint64(25001) << false << 3;
    QTest::newRow("negative above half") << qint64(-25001) << false << -3;
    QTest::newRow("small fraction") << qint64(1) << false << 0;
    QTest::newRow("int32 maximum") << qint64(21474836470000) << false << std::numeric_limits<int>::max();
    QTest::newRow("just below max + 0.5") << qint64(21474836474999) << false << std::numeric_limits<int>::max();
    QTest::newRow("max + 0.5 rounds out") << qint64(21474836475000) << true << 0;
    QTest::newRow("int32 minimum") << qint64(-21474836480000) << false << std::numeric_limits<int>::min();
    QTest::newRow("min - 0.5 rounds to even min") << qint64(-21474836485000) << false << std::numeric_limits<int>::min();
    QTest::newRow("min - 0.5001") << qint64(-21474836485001) << true << 0;
    QTest::newRow("three billion") << qint64(30000000000000) << true << 0;
    QTest::newRow("int64 maximum") << kInt64Max << true << 0;
    QTest::newRow("int64 minimum") << kInt64Min << true << 0;
}

void TestStopwatch::fixedPointToInt32()
{
    QFETCH(qint64, raw);
    QFETCH(bool, overflows);
    QFETCH(int, value);
    const FixedPoint4 a{raw};
    if (overflows) {
        QVERIFY_THROWS_EXCEPTION(OverflowError, a.toInt32());
    } else {
        QCOMPARE(a.toInt32(), value);
    }
}

QTEST_GUILESS_MAIN(TestStopwatch)
#include "tst_stopwatch.moc"
