#include "acquisition/capture_engine.h"
#include "acquisition/capture_state.h"
#include "acquisition/comm_events.h"
#include "acquisition/dump_text.h"
#include "common/errors.h"
#include "common/numeric_value.h"
#include "fake_counter.h"
#include "stopwatch/cls_timer.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(static_cast<unsigned char>(v)));
    return out;
}

constexpr qint16 kUntouched = -7; // no reading can be negative

// The engine's state with its stopwatch on a fake counter, N readings long.
// Every element of the buffer starts as kUntouched, so a write shows.
class Rig
{
public:
    explicit Rig(int n, std::int64_t frequency = 10000000) : counter(frequency)
    {
        counter.frequencyOk = frequency != 0;
        state.m_Samples.assign(size_t(n) + 1, kUntouched);
        state.m_CaptureTimer = std::make_unique<clsTimer>(counter);
        state.m_CaptureTimer->ResetTimer();
    }
    Rig(const Rig &) = delete;
    Rig &operator=(const Rig &) = delete;

    std::optional<QString> receive(const QByteArray &chunk, bool paused = false)
    {
        CommNotification notification;
        notification.commEvent = comEvReceive;
        notification.paused = paused;
        notification.triggerLow = numericValue(low);
        notification.triggerHigh = numericValue(high);
        notification.readInput = [this, chunk] {
            ++reads;
            return chunk;
        };
        return handleCommNotification(state, notification);
    }

    std::int64_t startReading() const { return state.m_CaptureTimer->m_StartTime.raw; }
    std::int64_t stopReading() const { return state.m_CaptureTimer->m_StopTime.raw; }
    QList<int> samples() const
    {
        QList<int> out;
        for (qint16 s : state.m_Samples)
            out.append(s);
        return out;
    }

    FakeCounter counter; // outlives the stopwatch that refers to it
    CaptureState state;
    QString low = QStringLiteral("20");
    QString high = QStringLiteral("100");
    int reads = 0;
};

bool closeTo(double actual, double expected)
{
    return std::fabs(actual - expected) <= 1e-12 * std::max(1.0, std::fabs(expected));
}

} // namespace

class TestCaptureEngine : public QObject
{
    Q_OBJECT

private slots:
    void threeReadingBlock();
    void doubleLengthChunkGivesOneBlock();
    void chunksAccumulate_data();
    void chunksAccumulate();
    void triggerWindow_data();
    void triggerWindow();
    void triggeringChunkIsDiscardedWhole();
    void nonTriggeringLongChunkCompletesAlone();
    void blockTiming_data();
    void blockTiming();
    void timingStartsWithTheFirstChunk_data();
    void timingStartsWithTheFirstChunk();
    void zeroFrequencyKeepsTimePerSample();
    void smallerSampleSizeCompletesAtOnce();
    void triggerSwitchedOnWhileArmed_data();
    void triggerSwitchedOnWhileArmed();
    void triggerSwitchedWhileCollectingTriggeredBlock_data();
    void triggerSwitchedWhileCollectingTriggeredBlock();
    void triggerSwitchedOffWhileWaiting();
    void emptyChunkWhileWaiting_data();
    void emptyChunkWhileWaiting();
    void ignoredNotifications_data();
    void ignoredNotifications();
    void sampleSizeOutOfRange_data();
    void sampleSizeOutOfRange();
    void largestSampleSize();
    void everyByteValueStoredUnaltered();
    void everyBlockRearms_data();
    void everyBlockRearms();
    void restartGivesUpBlock();
    void dumpText_data();
    void dumpText();
};

void TestCaptureEngine::threeReadingBlock()
{
    Rig rig(3);
    QVERIFY(!rig.receive(bytes({12, 0})).has_value());
    QCOMPARE(rig.state.m_RxBuffer, bytes({12, 0}));
    QCOMPARE(rig.samples(), (QList<int>{kUntouched, kUntouched, kUntouched, kUntouched}));

    const std::optional<QString> dump = rig.receive(bytes({255, 7}));
    QVERIFY(dump.has_value());
    QCOMPARE(*dump, QStringLiteral("( 12, 0, 255)"));
    QCOMPARE(rig.samples(), (QList<int>{12, 0, 255, kUntouched}));
    QVERIFY(rig.state.m_RxBuffer.isEmpty());
    QVERIFY(rig.state.m_Armed);
    QCOMPARE(rig.reads, 2);
}

void TestCaptureEngine::doubleLengthChunkGivesOneBlock()
{
    Rig rig(4);
    const std::optional<QString> dump = rig.receive(bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(dump.value_or(QString()), QStringLiteral("( 1, 2, 3, 4)"));
    QCOMPARE(rig.samples(), (QList<int>{1, 2, 3, 4, kUntouched}));
    QVERIFY(rig.state.m_RxBuffer.isEmpty());

    // The second half is gone: the next block is made of what arrives next.
    QVERIFY(!rig.receive(bytes({9, 10, 11})).has_value());
    QCOMPARE(rig.receive(bytes({12})).value_or(QString()), QStringLiteral("( 9, 10, 11, 12)"));
}

void TestCaptureEngine::chunksAccumulate_data()
{
    QTest::addColumn<bool>("useTrigger");
    QTest::newRow("trigger off") << false;
    QTest::newRow("trigger on, after a hit") << true;
}

void TestCaptureEngine::chunksAccumulate()
{
    QFETCH(bool, useTrigger);
    Rig rig(5);
    rig.state.m_UseTrigger = useTrigger;
    if (useTrigger) {
        QVERIFY(!rig.receive(bytes({50})).has_value());
        QVERIFY(!rig.state.m_Armed);
    }
    // Once collecting, chunk contents are not tested, wherever they begin.
    QVERIFY(!rig.receive(bytes({1})).has_value());
    QVERIFY(!rig.receive(bytes({2, 3})).has_value());
    QVERIFY(!rig.receive(QByteArray()).has_value());
    QCOMPARE(rig.state.m_RxBuffer, bytes({1, 2, 3}));
    QVERIFY(!rig.receive(bytes({4})).has_value());
    QCOMPARE(rig.receive(bytes({5})).value_or(QString()), QStringLiteral("( 1, 2, 3, 4, 5)"));
}

void TestCaptureEngine::triggerWindow_data()
{
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("high");
    QTest::addColumn<int>("first");
    QTest::addColumn<bool>("triggers");

    QTest::newRow("20..100 at 20") << "20" << "100" << 20 << true;
    QTest::newRow("20..100 at 100") << "20" << "100" << 100 << true;
    QTest::newRow("20..100 at 60") << "20" << "100" << 60 << true;
    QTest::newRow("20..100 at 19") << "20" << "100" << 19 << false;
    QTest::newRow("20..100 at 101") << "20" << "100" << 101 << false;
    QTest::newRow("20..100 at 0") << "20" << "100" << 0 << false;
    QTest::newRow("20..100 at 255") << "20" << "100" << 255 << false;
    QTest::newRow("20..100 at 200") << "20" << "100" << 200 << false;
    QTest::newRow("letters at 0") << "abc" << "abc" << 0 << true;
    QTest::newRow("letters at 1") << "abc" << "abc" << 1 << false;
    QTest::newRow("letters at 255") << "abc" << "abc" << 255 << false;
    QTest::newRow("empty bounds at 0") << "" << "" << 0 << true;
    QTest::newRow("0..255 at 0") << "0" << "255" << 0 << true;
    QTest::newRow("0..255 at 128") << "0" << "255" << 128 << true;
    QTest::newRow("0..255 at 255") << "0" << "255" << 255 << true;
    QTest::newRow("low above high at 20") << "100" << "20" << 20 << false;
    QTest::newRow("low above high at 60") << "100" << "20" << 60 << false;
    QTest::newRow("low above high at 100") << "100" << "20" << 100 << false;
    QTest::newRow("fractional low") << "20.5" << "21" << 20 << false;
    QTest::newRow("fractional low at 21") << "20.5" << "21" << 21 << true;
    QTest::newRow("fractional high") << "0" << "199.9" << 200 << false;
    QTest::newRow("hex and exponent bounds") << "&H14" << "1e2" << 20 << true;
    QTest::newRow("hex and exponent bounds at 101") << "&H14" << "1e2" << 101 << false;
    QTest::newRow("bounds with trailing text") << "20abc" << "100 V" << 100 << true;
    QTest::newRow("negative low") << "-5" << "0.5" << 0 << true;
    QTest::newRow("negative low at 1") << "-5" << "0.5" << 1 << false;
    QTest::newRow("high above byte range") << "200" << "1e999" << 255 << true;
}

void TestCaptureEngine::triggerWindow()
{
    QFETCH(QString, low);
    QFETCH(QString, high);
    QFETCH(int, first);
    QFETCH(bool, triggers);

    Rig rig(8);
    rig.state.m_UseTrigger = true;
    rig.low = low;
    rig.high = high;
    rig.counter.reading = 4242;
    const QByteArray chunk = bytes({first, 50, 60});
    QVERIFY(!rig.receive(chunk).has_value());
    QCOMPARE(rig.reads, 1);
    QCOMPARE(rig.state.m_Armed, !triggers);
    if (triggers) {
        QVERIFY(rig.state.m_RxBuffer.isEmpty());
        QCOMPARE(rig.startReading(), std::int64_t(4242)); // the block is timed from the hit
    } else {
        QCOMPARE(rig.state.m_RxBuffer, chunk);
        QCOMPARE(rig.startReading(), std::int64_t(0));
    }
    QVERIFY(rig.state.m_UseTrigger);
    QCOMPARE(rig.state.m_MsPerSample, 0.125);
}

void TestCaptureEngine::triggeringChunkIsDiscardedWhole()
{
    {
        // A reading inside the window that is not the chunk's first does not trigger.
        Rig rig(4);
        rig.state.m_UseTrigger = true;
        QVERIFY(!rig.receive(bytes({5, 50, 60})).has_value());
        QVERIFY(rig.state.m_Armed);
        QCOMPARE(rig.state.m_RxBuffer, bytes({5, 50, 60}));
        QCOMPARE(rig.startReading(), std::int64_t(0));
    }

    Rig hit(3);
    hit.state.m_UseTrigger = true;
    hit.counter.reading = 1000;
    // The triggering chunk is long enough for a block but belongs to none.
    QVERIFY(!hit.receive(bytes({50, 1, 2, 3, 4})).has_value());
    QVERIFY(!hit.state.m_Armed);
    QVERIFY(hit.state.m_RxBuffer.isEmpty());
    QCOMPARE(hit.samples(), (QList<int>{kUntouched, kUntouched, kUntouched, kUntouched}));
    hit.counter.reading = 1600;
    QVERIFY(!hit.receive(bytes({7, 8})).has_value());
    hit.counter.reading = 2200;
    QCOMPARE(hit.receive(bytes({9})).value_or(QString()), QStringLiteral("( 7, 8, 9)"));
    // Timed from the hit at 1000 to 2200: 1200 ticks of 0.1 us = 0.12 ms, over 3.
    QVERIFY2(closeTo(hit.state.m_MsPerSample, 0.04), qPrintable(QString::number(hit.state.m_MsPerSample, 'g', 17)));
    QVERIFY(hit.state.m_Armed);
}

void TestCaptureEngine::nonTriggeringLongChunkCompletesAlone()
{
    Rig rig(3);
    rig.state.m_UseTrigger = true;
    rig.low = QStringLiteral("100");
    rig.high = QStringLiteral("20"); // never triggers
    rig.counter.reading = 500;
    QVERIFY(!rig.receive(bytes({1, 2})).has_value());
    QCOMPARE(rig.state.m_RxBuffer, bytes({1, 2}));
    QVERIFY(rig.state.m_Armed);

    // The held chunk is replaced, not added to.
    rig.counter.reading = 3000;
    QCOMPARE(rig.receive(bytes({3, 4, 5, 6})).value_or(QString()), QStringLiteral("( 3, 4, 5)"));
    QCOMPARE(rig.samples(), (QList<int>{3, 4, 5, kUntouched}));
    // Timed from the last reset (reading 0 at set-up): 3000 ticks = 0.3 ms,
    // over the 6 readings read since, the replaced chunk's included.
    QVERIFY2(closeTo(rig.state.m_MsPerSample, 0.05), qPrintable(QString::number(rig.state.m_MsPerSample, 'g', 17)));
    QVERIFY(rig.state.m_Armed);
    QVERIFY(rig.state.m_RxBuffer.isEmpty());
    QCOMPARE(rig.startReading(), std::int64_t(3000));

    // Still waiting: a short chunk is held again.
    QVERIFY(!rig.receive(bytes({7})).has_value());
    QCOMPARE(rig.state.m_RxBuffer, bytes({7}));
    QVERIFY(!rig.receive(bytes({8, 9})).has_value());
    QCOMPARE(rig.state.m_RxBuffer, bytes({8, 9}));
}

void TestCaptureEngine::blockTiming_data()
{
    QTest::addColumn<qint64>("frequency");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("stop");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("readings"); // in the one chunk that completes the block
    QTest::addColumn<double>("msPerSample");

    QTest::newRow("800 readings in 73.728 ms") << qint64(10000000) << qint64(0) << qint64(737280) << 768 << 800
                                               << 0.09216;
    QTest::newRow("768 readings in 73.728 ms") << qint64(10000000) << qint64(0) << qint64(737280) << 768 << 768
                                               << 0.096;
    QTest::newRow("offset start") << qint64(10000000) << qint64(5000000) << qint64(5737280) << 768 << 800 << 0.09216;
    QTest::newRow("one reading") << qint64(10000000) << qint64(1000) << qint64(123457789) << 1 << 1 << 12345.6789;
    QTest::newRow("thirds") << qint64(3) << qint64(0) << qint64(2) << 2 << 2 << 666.6666666666667 / 2;
    QTest::newRow("counter went back") << qint64(3579545) << qint64(100) << qint64(50) << 1 << 1
                                       << 0.013968255742000729;
    QTest::newRow("no time at all") << qint64(10000000) << qint64(77) << qint64(77) << 4 << 9 << 0.0;
}

void TestCaptureEngine::blockTiming()
{
    QFETCH(qint64, frequency);
    QFETCH(qint64, start);
    QFETCH(qint64, stop);
    QFETCH(int, n);
    QFETCH(int, readings);
    QFETCH(double, msPerSample);

    Rig rig(n, frequency);
    rig.counter.reading = start;
    rig.state.m_CaptureTimer->ResetTimer();
    rig.counter.reading = stop;
    const QByteArray chunk(readings, char(42));
    QVERIFY(rig.receive(chunk).has_value());
    QVERIFY2(closeTo(rig.state.m_MsPerSample, msPerSample),
             qPrintable(QStringLiteral("%1 ms per sample, expected %2")
                            .arg(rig.state.m_MsPerSample, 0, 'g', 17)
                            .arg(msPerSample, 0, 'g', 17)));
    QVERIFY(rig.state.m_MsPerSample >= 0);
    QCOMPARE(rig.stopReading(), stop);
    QCOMPARE(rig.startReading(), stop); // reset at completion
}

void TestCaptureEngine::timingStartsWithTheFirstChunk_data()
{
    QTest::addColumn<bool>("afterPause"); // else after the port opened
    QTest::addColumn<bool>("useTrigger");
    QTest::addColumn<QList<QByteArray>>("chunks"); // 1200 ticks (0.12 ms) apart
    QTest::addColumn<QString>("dump");
    QTest::addColumn<double>("msPerSample");

    // The first chunk starts the stopwatch; the block is timed over the
    // readings after it.
    QTest::newRow("opened") << false << false << QList{bytes({2, 3}), bytes({4, 5, 6})} << "( 2, 3, 4, 5)"
                            << 0.12 / 3;
    // The block under way before the pause goes on, with the backlog.
    QTest::newRow("resumed") << true << false << QList{bytes({2, 3}), bytes({4, 5, 6})} << "( 1, 2, 3, 4)"
                             << 0.12 / 3;
    // Nothing timed: the previous time per sample stays.
    QTest::newRow("opened, block within the first chunk") << false << false << QList{bytes({1, 2, 3, 4, 5})}
                                                          << "( 1, 2, 3, 4)" << 0.5;
    QTest::newRow("resumed, block within the backlog") << true << false << QList{bytes({2, 3, 4, 5, 6})}
                                                       << "( 1, 2, 3, 4)" << 0.5;
    QTest::newRow("waiting, first chunk refused") << false << true << QList{bytes({5}), bytes({6, 7, 8, 9, 10})}
                                                  << "( 6, 7, 8, 9)" << 0.12 / 5;
    // The hit starts the stopwatch again, as always.
    QTest::newRow("waiting, first chunk triggers")
            << false << true << QList{bytes({50}), bytes({1, 2}), bytes({3, 4})} << "( 1, 2, 3, 4)" << 0.24 / 4;
    QTest::newRow("waiting, first chunk refused and long") << false << true << QList{bytes({5, 6, 7, 8, 9})}
                                                           << "( 5, 6, 7, 8)" << 0.5;
}

void TestCaptureEngine::timingStartsWithTheFirstChunk()
{
    QFETCH(bool, afterPause);
    QFETCH(bool, useTrigger);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, dump);
    QFETCH(double, msPerSample);

    Rig rig(4);
    rig.state.m_MsPerSample = 0.5;
    if (afterPause) {
        QVERIFY(!rig.receive(bytes({1})).has_value());
        QVERIFY(!rig.receive(bytes({9, 9, 9, 9}), true).has_value()); // left in the port
        QCOMPARE(rig.state.m_RxBuffer, bytes({1}));
    } else {
        restartCapture(rig.state);
    }
    rig.state.m_UseTrigger = useTrigger;

    // A second of silence (the board resetting, or the operator looking),
    // and a read that brings nothing: neither starts the timing.
    std::int64_t reading = 10000000;
    rig.counter.reading = reading;
    QVERIFY(!rig.receive(QByteArray()).has_value());
    std::optional<QString> completed;
    for (const QByteArray &chunk : chunks) {
        QVERIFY(!completed.has_value());
        rig.counter.reading = reading;
        completed = rig.receive(chunk);
        reading += 1200;
    }
    QCOMPARE(completed.value_or(QString()), dump);
    QVERIFY2(closeTo(rig.state.m_MsPerSample, msPerSample), qPrintable(QString::number(rig.state.m_MsPerSample, 'g', 17)));

    // The next block is timed as usual, from the completion on.
    rig.state.m_UseTrigger = false;
    rig.counter.reading += 4000;
    QVERIFY(rig.receive(bytes({1, 2, 3, 4})).has_value());
    QVERIFY(closeTo(rig.state.m_MsPerSample, 0.4 / 4));
}

void TestCaptureEngine::zeroFrequencyKeepsTimePerSample()
{
    Rig rig(3, 0);
    rig.state.m_MsPerSample = 0.5;
    rig.counter.reading = 900;
    const std::optional<QString> dump = rig.receive(bytes({10, 20, 30}));
    QCOMPARE(dump.value_or(QString()), QStringLiteral("( 10, 20, 30)"));
    QCOMPARE(rig.state.m_MsPerSample, 0.5);
    QCOMPARE(rig.samples(), (QList<int>{10, 20, 30, kUntouched}));
    QVERIFY(rig.state.m_Armed);
    QVERIFY(rig.state.m_RxBuffer.isEmpty());
    QCOMPARE(rig.startReading(), std::int64_t(900));
}

void TestCaptureEngine::smallerSampleSizeCompletesAtOnce()
{
    Rig rig(5);
    QVERIFY(!rig.receive(bytes({1, 2, 3})).has_value());
    // The operator shrinks N to 2 between two notifications.
    rig.state.m_Samples.resize(3);
    QCOMPARE(rig.receive(QByteArray()).value_or(QString()), QStringLiteral("( 1, 2)"));
    QCOMPARE(rig.samples(), (QList<int>{1, 2, kUntouched}));
    QVERIFY(rig.state.m_RxBuffer.isEmpty());

    // A larger N applies from the next completion test on.
    rig.state.m_Samples.resize(5, kUntouched);
    QVERIFY(!rig.receive(bytes({6, 7, 8})).has_value());
    QCOMPARE(rig.receive(bytes({9})).value_or(QString()), QStringLiteral("( 6, 7, 8, 9)"));
}

void TestCaptureEngine::triggerSwitchedOnWhileArmed_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<bool>("triggers");
    QTest::newRow("next chunk outside window") << 5 << false;
    QTest::newRow("next chunk inside window") << 50 << true;
}

void TestCaptureEngine::triggerSwitchedOnWhileArmed()
{
    QFETCH(int, first);
    QFETCH(bool, triggers);
    Rig rig(4);
    QVERIFY(!rig.receive(bytes({1, 2})).has_value());
    rig.state.m_UseTrigger = true;
    QCOMPARE(rig.state.m_RxBuffer, bytes({1, 2})); // the switch alone touches nothing
    QVERIFY(rig.state.m_Armed);

    // The next chunk replaces the partly collected block.
    QVERIFY(!rig.receive(bytes({first, 6})).has_value());
    QCOMPARE(rig.state.m_Armed, !triggers);
    QCOMPARE(rig.state.m_RxBuffer, triggers ? QByteArray() : bytes({first, 6}));
}

void TestCaptureEngine::triggerSwitchedWhileCollectingTriggeredBlock_data()
{
    QTest::addColumn<bool>("finalSwitch");
    QTest::newRow("switched off") << false;
    QTest::newRow("switched off and on again") << true;
}

void TestCaptureEngine::triggerSwitchedWhileCollectingTriggeredBlock()
{
    QFETCH(bool, finalSwitch);
    Rig rig(4);
    rig.state.m_UseTrigger = true;
    QVERIFY(!rig.receive(bytes({50})).has_value());
    QVERIFY(!rig.state.m_Armed);

    rig.state.m_UseTrigger = false;
    QVERIFY(!rig.receive(bytes({1, 2})).has_value());
    rig.state.m_UseTrigger = finalSwitch;
    // Outside the window, but the block is being collected: appended, not tested.
    QCOMPARE(rig.receive(bytes({3, 4})).value_or(QString()), QStringLiteral("( 1, 2, 3, 4)"));
    QVERIFY(rig.state.m_Armed);

    // What follows goes by the switch as it stands now.
    QVERIFY(!rig.receive(bytes({5})).has_value());
    QVERIFY(!rig.receive(bytes({6})).has_value());
    QCOMPARE(rig.state.m_RxBuffer, finalSwitch ? bytes({6}) : bytes({5, 6}));
}

void TestCaptureEngine::triggerSwitchedOffWhileWaiting()
{
    Rig rig(4);
    rig.state.m_UseTrigger = true;
    QVERIFY(!rig.receive(bytes({1, 2})).has_value());
    QCOMPARE(rig.state.m_RxBuffer, bytes({1, 2}));
    rig.state.m_UseTrigger = false;
    // The held chunk begins the next block.
    QCOMPARE(rig.receive(bytes({3, 4})).value_or(QString()), QStringLiteral("( 1, 2, 3, 4)"));
}

void TestCaptureEngine::emptyChunkWhileWaiting_data()
{
    QTest::addColumn<QByteArray>("held");
    QTest::addColumn<bool>("widenWindow");
    QTest::newRow("nothing held") << QByteArray() << false;
    QTest::newRow("chunk held") << bytes({5, 6}) << false;
    // The held chunk is not tested again, even against a window it now lies in.
    QTest::newRow("held chunk, window widened") << bytes({5, 6}) << true;
}

void TestCaptureEngine::emptyChunkWhileWaiting()
{
    QFETCH(QByteArray, held);
    QFETCH(bool, widenWindow);
    Rig rig(4);
    rig.state.m_UseTrigger = true;
    if (!held.isEmpty())
        QVERIFY(!rig.receive(held).has_value());
    if (widenWindow) {
        rig.low = QStringLiteral("0");
        rig.high = QStringLiteral("255");
    }
    rig.counter.reading = 777;
    const int queries = rig.counter.counterQueries;
    const int reads = rig.reads;

    QVERIFY(!rig.receive(QByteArray()).has_value());
    QCOMPARE(rig.reads, reads + 1);
    QVERIFY(rig.state.m_Armed);
    QCOMPARE(rig.state.m_RxBuffer, held);
    QCOMPARE(rig.counter.counterQueries, queries);
    QCOMPARE(rig.startReading(), std::int64_t(0));
    QCOMPARE(rig.state.m_MsPerSample, 0.125);
}

void TestCaptureEngine::ignoredNotifications_data()
{
    QTest::addColumn<int>("event");
    QTest::addColumn<bool>("paused");
    QTest::addColumn<bool>("useTrigger");
    QTest::addColumn<bool>("armed");

    QTest::newRow("receive buffer overflow") << int(comEventRxOver) << false << false << true;
    QTest::newRow("port lost") << int(comEventPortLost) << false << true << true;
    QTest::newRow("event 0") << 0 << false << false << false;
    QTest::newRow("event 1") << 1 << false << true << false;
    QTest::newRow("paused, collecting") << int(comEvReceive) << true << false << true;
    QTest::newRow("paused, waiting") << int(comEvReceive) << true << true << true;
    QTest::newRow("paused, triggered block") << int(comEvReceive) << true << true << false;
    QTest::newRow("paused overflow") << int(comEventRxOver) << true << false << true;
}

void TestCaptureEngine::ignoredNotifications()
{
    QFETCH(int, event);
    QFETCH(bool, paused);
    QFETCH(bool, useTrigger);
    QFETCH(bool, armed);

    Rig rig(3);
    rig.state.m_UseTrigger = useTrigger;
    rig.state.m_Armed = armed;
    rig.state.m_RxBuffer = bytes({50, 1});
    rig.state.m_MsPerSample = 0.25;
    rig.state.m_Samples = {9, 8, 7, 6};
    rig.counter.reading = 31;
    rig.state.m_CaptureTimer->ResetTimer();
    rig.counter.reading = 99;
    const int queries = rig.counter.counterQueries;

    CommNotification notification;
    notification.commEvent = event;
    notification.paused = paused;
    notification.triggerLow = 0;
    notification.triggerHigh = 255;
    int reads = 0;
    notification.readInput = [&reads] {
        ++reads;
        return bytes({50, 60, 70, 80});
    };
    QVERIFY(!handleCommNotification(rig.state, notification).has_value());

    QCOMPARE(reads, 0);
    QCOMPARE(rig.state.m_RxBuffer, bytes({50, 1}));
    QCOMPARE(rig.state.m_Armed, armed);
    QCOMPARE(rig.state.m_UseTrigger, useTrigger);
    QCOMPARE(rig.state.m_MsPerSample, 0.25);
    QCOMPARE(rig.samples(), (QList<int>{9, 8, 7, 6}));
    QCOMPARE(rig.counter.counterQueries, queries);
    QCOMPARE(rig.startReading(), std::int64_t(31));
}

void TestCaptureEngine::sampleSizeOutOfRange_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("overflow");
    QTest::addColumn<bool>("useTrigger");
    QTest::newRow("zero") << 0 << false << false;
    QTest::newRow("zero, waiting") << 0 << false << true;
    QTest::newRow("32767") << 32767 << true << false;
    QTest::newRow("40000, waiting") << 40000 << true << true;
}

void TestCaptureEngine::sampleSizeOutOfRange()
{
    QFETCH(int, n);
    QFETCH(bool, overflow);
    QFETCH(bool, useTrigger);
    Rig rig(n);
    rig.state.m_UseTrigger = useTrigger;
    rig.state.m_RxBuffer = bytes({1, 2});
    if (overflow)
        QVERIFY_THROWS_EXCEPTION(OverflowError, rig.receive(QByteArray(n + 1, char(50))));
    else
        QVERIFY_THROWS_EXCEPTION(ArithmeticError, rig.receive(bytes({50, 60})));
    QCOMPARE(rig.reads, 0);
    QCOMPARE(rig.state.m_RxBuffer, bytes({1, 2}));
    QVERIFY(rig.state.m_Armed);
    QCOMPARE(rig.state.m_MsPerSample, 0.125);
}

void TestCaptureEngine::largestSampleSize()
{
    const int n = CaptureState::kMaxSampleSize;
    QCOMPARE(n, 32766);
    Rig rig(n);
    QByteArray chunk;
    for (int i = 0; i < n; ++i)
        chunk.append(char(i % 256));
    // Waiting for a trigger that never comes, over two refused chunks, then
    // the last one held begins the block: 65531 readings were timed, more
    // than a 16-bit counter holds.
    rig.state.m_UseTrigger = true;
    rig.low = QStringLiteral("256");
    QVERIFY(!rig.receive(chunk.first(n - 1)).has_value());
    QVERIFY(!rig.receive(chunk.first(n - 1)).has_value());
    rig.state.m_UseTrigger = false;
    rig.counter.reading = 65531 * 1000; // 0.1 ms per reading
    const std::optional<QString> dump = rig.receive(chunk.last(1));
    QVERIFY(dump.has_value());
    QVERIFY(dump->startsWith(QStringLiteral("( 0, 1, 2,")));
    QVERIFY(dump->endsWith(QStringLiteral(", 252, 253)")));
    QCOMPARE(dump->count(u','), n - 1);
    QCOMPARE(rig.state.m_Samples[size_t(n - 1)], qint16((n - 1) % 256));
    QCOMPARE(rig.state.m_Samples[size_t(n)], kUntouched);
    QVERIFY2(closeTo(rig.state.m_MsPerSample, 0.1), qPrintable(QString::number(rig.state.m_MsPerSample, 'g', 17)));
}

void TestCaptureEngine::everyByteValueStoredUnaltered()
{
    Rig rig(256);
    QByteArray chunk;
    QString expected = QStringLiteral("(");
    for (int v = 255; v >= 0; --v) { // descending, so index and value differ
        chunk.append(char(static_cast<unsigned char>(v)));
        expected += QStringLiteral(" %1,").arg(v);
    }
    expected.chop(1);
    expected += u')';

    const std::optional<QString> dump = rig.receive(chunk);
    QCOMPARE(dump.value_or(QString()), expected);
    for (int h = 0; h < 256; ++h)
        QCOMPARE(rig.state.m_Samples[size_t(h)], qint16(255 - h));
    QCOMPARE(rig.state.m_Samples[256], kUntouched);
}

void TestCaptureEngine::everyBlockRearms_data()
{
    QTest::addColumn<bool>("useTrigger");
    QTest::addColumn<bool>("viaTrigger");
    QTest::newRow("trigger off") << false << false;
    QTest::newRow("triggered block") << true << true;
    QTest::newRow("long chunk while waiting") << true << false;
}

void TestCaptureEngine::everyBlockRearms()
{
    QFETCH(bool, useTrigger);
    QFETCH(bool, viaTrigger);
    Rig rig(2);
    rig.state.m_UseTrigger = useTrigger;
    std::int64_t reading = 100;
    rig.counter.reading = reading;
    rig.state.m_CaptureTimer->ResetTimer();
    for (int block = 0; block < 3; ++block) {
        if (viaTrigger) {
            // The hit resets the stopwatch: the wait before it is not timed.
            reading += 500;
            rig.counter.reading = reading;
            QVERIFY(!rig.receive(bytes({50})).has_value());
            QVERIFY(!rig.state.m_Armed);
            QCOMPARE(rig.startReading(), reading);
        }
        reading += 2000;
        rig.counter.reading = reading;
        QVERIFY(rig.receive(bytes({block, 1, 2})).has_value());
        QVERIFY(rig.state.m_Armed);
        QVERIFY(rig.state.m_RxBuffer.isEmpty());
        QCOMPARE(rig.stopReading(), reading);
        QCOMPARE(rig.startReading(), reading);
        QCOMPARE(rig.state.m_UseTrigger, useTrigger);
        QCOMPARE(rig.samples(), (QList<int>{block, 1, kUntouched}));
        // 2000 ticks = 0.2 ms over the chunk's 3 readings.
        QVERIFY(closeTo(rig.state.m_MsPerSample, 0.2 / 3));
    }
}

void TestCaptureEngine::restartGivesUpBlock()
{
    Rig rig(4);
    rig.state.m_UseTrigger = true;
    QVERIFY(!rig.receive(bytes({50})).has_value());
    QVERIFY(!rig.receive(bytes({1, 2})).has_value());
    QVERIFY(!rig.state.m_Armed);
    rig.counter.reading = 5150;
    restartCapture(rig.state);
    QVERIFY(rig.state.m_Armed);
    QVERIFY(rig.state.m_RxBuffer.isEmpty());
    QCOMPARE(rig.startReading(), std::int64_t(5150));
    QCOMPARE(rig.samples(), (QList<int>{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched}));
}

void TestCaptureEngine::dumpText_data()
{
    QTest::addColumn<QList<int>>("readings");
    QTest::addColumn<QString>("text");
    QTest::newRow("three") << QList<int>{12, 0, 255} << "( 12, 0, 255)";
    QTest::newRow("one") << QList<int>{7} << "( 7)";
    QTest::newRow("zero") << QList<int>{0} << "( 0)";
    QTest::newRow("widths") << QList<int>{1, 10, 100, 200} << "( 1, 10, 100, 200)";
    QTest::newRow("none") << QList<int>{} << "(";
}

void TestCaptureEngine::dumpText()
{
    QFETCH(QList<int>, readings);
    QFETCH(QString, text);
    std::vector<qint16> values;
    for (int r : readings)
        values.push_back(qint16(r));
    QCOMPARE(::dumpText(values), text);
}

QTEST_GUILESS_MAIN(TestCaptureEngine)
#include "tst_capture_engine.moc"
