// The scope against its real board: the firmware on an emulated ATmega328P,
// its USART's bytes through a pseudo-terminal, the window reading them as it
// reads a USB serial adapter. Nothing is stubbed.
#include "emulated_board.h"
#include "event_loop.h"
#include "pseudo_terminal.h"
#include "window/dump_box.h"
#include "window/form1.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <numeric>
#include <random>
#include <vector>

namespace {

using Stream = std::vector<EmulatedBoard::SentByte>;

constexpr double kByteSeconds = 1496.0 / EmulatedBoard::kClockHz; // 93.50 us
constexpr double kReadingsPerSecond = 1.0 / kByteSeconds;        // 10,695

struct Block
{
    std::vector<std::uint8_t> readings;
    double msPerSample = 0;
    qint64 arrivedMs = 0;
};

// The scope on the board's line. Declared in this order so the board stops
// first, then the window closes its port.
struct Rig
{
    enum Opening { OpenNow, OpenLater };

    explicit Rig(UsbDelivery delivery = UsbDelivery::everyMillisecond(), Opening opening = OpenNow)
        : board(TARNWICK_BOARD_ELF, pty.masterFd())
    {
        board.setDelivery(delivery);
        board.setRecording(true);
        clock.start();
        if (opening == OpenNow)
            open();
    }
    // The window starts and opens the board's port.
    void open()
    {
        form = std::make_unique<Form1>(pty.slavePath());
        openedMs = clock.elapsed();
        QObject::connect(form->txtInput, &QPlainTextEdit::textChanged, form.get(), [this] {
            const int n = form->sampleSize();
            blocks.push_back({{form->m_Samples.begin(), form->m_Samples.begin() + n}, form->m_MsPerSample, clock.elapsed()});
        });
    }
    bool waitForBlocks(size_t count) { return runUntil([&] { return blocks.size() >= count; }, 30000); }
    void setSampleSize(int n) { form->txtArraySize->setText(QString::number(n)); }

    PseudoTerminal pty;
    std::unique_ptr<Form1> form;
    EmulatedBoard board;
    QElapsedTimer clock;
    qint64 openedMs = 0;
    std::vector<Block> blocks;
};

// Where each block lies in what the firmware sent, searched in order from
// the previous block's start; -1 for a block that is not a run of it.
std::vector<qsizetype> positionsInStream(const std::vector<Block> &blocks, const Stream &stream)
{
    std::vector<qsizetype> positions;
    auto from = stream.begin();
    for (const Block &block : blocks) {
        const auto at = std::search(from, stream.end(), block.readings.begin(), block.readings.end(),
                                    [](const EmulatedBoard::SentByte &sent, std::uint8_t r) { return sent.value == r; });
        positions.push_back(at == stream.end() ? -1 : at - stream.begin());
        if (at != stream.end())
            from = at;
    }
    return positions;
}

// The converter's ideal reading of v is floor(x), x = v x 256 / 5. The
// emulated one scales by 1023 / 1024 of that (up to 0.25 of a count low)
// and takes its input in whole millivolts (0.026 of a count): a reading
// must lie between floor(x - 0.28) and floor(x + 0.03).
bool isReadingOf(std::uint8_t reading, double volts)
{
    const double x = volts * 256.0 / EmulatedBoard::kSupplyVolts;
    return reading >= std::floor(x - 0.28) && reading <= std::floor(x + 0.03);
}

std::vector<double> randomVolts(int count)
{
    std::mt19937 random(15);
    std::uniform_real_distribution<double> volts(0.0, 5.0);
    std::vector<double> list(size_t(count), 0.0);
    std::generate(list.begin(), list.end(), [&] { return volts(random); });
    return list;
}

double median(std::vector<double> values)
{
    std::ranges::nth_element(values, values.begin() + qsizetype(values.size() / 2));
    return values[values.size() / 2];
}

void addDeliveryRows()
{
    QTest::addColumn<UsbDelivery>("delivery");
    QTest::newRow("every 1 ms") << UsbDelivery::everyMillisecond();
    QTest::newRow("Uno's CDC chip, every 4.096 ms") << UsbDelivery::unoCdc();
    QTest::newRow("FTDI chip, 62-reading packets") << UsbDelivery::ftdi();
}

} // namespace

Q_DECLARE_METATYPE(UsbDelivery)

class TestBoard : public QObject
{
    Q_OBJECT

private slots:
    void streamArrivesWholeAtTheLineRateAndIsTimed_data() { addDeliveryRows(); }
    void streamArrivesWholeAtTheLineRateAndIsTimed();
    void sineIsFollowedAndItsPeriodMeasured_data() { addDeliveryRows(); }
    void sineIsFollowedAndItsPeriodMeasured();
    void firstBlockAfterOpeningIsTimedFromItsReadings();
    void triggerStartsBlocksOnTheStream();
    void boardRestartedWhileThePortStaysOpen();
    void inputFollowsItsWaveform_data();
    void inputFollowsItsWaveform();
    void fileWithoutAProgramIsRefused_data();
    void fileWithoutAProgramIsRefused();
};

void TestBoard::streamArrivesWholeAtTheLineRateAndIsTimed()
{
    QFETCH(UsbDelivery, delivery);
    Rig rig(delivery);
    // The readings each notification brought, where no block completed.
    std::vector<double> chunks;
    qsizetype buffered = 0;
    size_t blocksBefore = 0;
    QObject::connect(&rig.form->MSComm1, &SerialLink::OnComm, rig.form.get(), [&] {
        if (rig.blocks.size() == blocksBefore)
            chunks.push_back(double(rig.form->m_RxBuffer.size() - buffered));
        buffered = rig.form->m_RxBuffer.size();
        blocksBefore = rig.blocks.size();
    });
    // A new voltage for every conversion: a lost, doubled or changed byte
    // anywhere makes a block no run of the stream.
    rig.board.setVoltages(randomVolts(10007));
    rig.board.start();
    QVERIFY(rig.waitForBlocks(26));
    rig.board.stop();
    const Stream stream = rig.board.recorded();
    QCOMPARE(rig.board.bytesDropped(), 0u);

    // Evenly spaced: one conversion per byte, a byte time apart; only the
    // first two after reset are further apart (the first conversion is
    // longer, and it meets an idle transmitter). The emulated converter
    // starts at once; the chip's waits up to 4 us for its clock's edge.
    for (size_t i = 2; i < stream.size(); ++i)
        QCOMPARE(stream[i].conversionCycle - stream[i - 1].conversionCycle, 1496u);

    const std::vector<qsizetype> at = positionsInStream(rig.blocks, stream);
    for (size_t b = 0; b < at.size(); ++b) {
        QVERIFY2(at[b] >= 0, qPrintable(QStringLiteral("block %1").arg(b)));
        if (b > 0)
            QVERIFY(at[b] >= at[b - 1] + 768); // in order, none overlapping
    }
    // The rate at the scope: readings between the ends of blocks a dozen
    // apart over the time between their arrivals. Each arrival is late by a
    // notification's latency, about 1 ms in 0.87 s, far more on a busy
    // machine now and then: the median of a dozen such spans does not follow
    // one late arrival.
    std::vector<double> rates;
    for (size_t b = 1; b + 12 < rig.blocks.size(); ++b) {
        const double seconds = double(rig.blocks[b + 12].arrivedMs - rig.blocks[b].arrivedMs) / 1000.0;
        rates.push_back(double(at[b + 12] - at[b]) / seconds);
    }
    const double rate = median(rates);
    const double cpu = rig.board.cpuSeconds() / rig.board.boardSeconds();
    qInfo("readings a second at the scope: %.0f (line %.0f), median chunk %.0f; emulated board: %.1f %% of a core",
          rate, kReadingsPerSecond, median(chunks), 100.0 * cpu);
    QVERIFY2(std::abs(rate - kReadingsPerSecond) <= 0.01 * kReadingsPerSecond, qPrintable(QString::number(rate)));

    // A block is timed from the notification that completed the one before
    // (or, the first, from the first chunk after the opening) to the one
    // that completes it, over the readings read in that time, the dropped
    // rest of its completing chunk included: the sampling interval, whatever
    // the chunks. A notification late at one end of a block and not the
    // other moves that block's figure by about 1 ms in 72 (a block after a
    // stall of the host, far more), which the median of two dozen blocks
    // does not follow.
    std::vector<double> figures;
    QStringList seen;
    for (const Block &block : rig.blocks) {
        figures.push_back(block.msPerSample);
        seen << QString::number(block.msPerSample * 1000.0, 'f', 2);
    }
    const double mean = std::accumulate(figures.begin(), figures.end(), 0.0) / double(figures.size());
    const double middle = median(figures);
    qInfo("us per sample: %s; median %.3f, mean %.3f, sampling interval %.3f", qPrintable(seen.join(u' ')),
          middle * 1000.0, mean * 1000.0, kByteSeconds * 1e6);
    QVERIFY2(std::abs(middle - kByteSeconds * 1000.0) <= 0.005 * kByteSeconds * 1000.0,
             qPrintable(QString::number(middle * 1000.0)));
}

void TestBoard::sineIsFollowedAndItsPeriodMeasured()
{
    QFETCH(UsbDelivery, delivery);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Rig rig(delivery);
    Form1 &form = *rig.form;
    // At the sample size the window starts with, 768 readings (72 ms, 3.6
    // periods), where a block's timing shows most.
    const int n = form.sampleSize();
    rig.board.setSignal({.waveform = EmulatedBoard::Waveform::Sine, .frequencyHz = 50.0, .amplitudeV = 2.0, .offsetV = 2.5});
    rig.board.start();

    // As an operator measures: both time cursors on successive rising
    // crossings of the middle of a trace held on the screen, then, with the
    // trace running again, the time readout, which shows the period by each
    // block's time per sample. A notification 1 ms late at one end of a
    // block moves that block's figure by 1.4 %: the value the readout shows
    // most is the one to judge.
    QVERIFY(rig.waitForBlocks(1));
    form.chkPauseRedraw->setChecked(true);
    std::vector<int> rising;
    for (int i = 1; i < n && rising.size() < 2; ++i) {
        if (form.m_Samples[size_t(i) - 1] < 128 && form.m_Samples[size_t(i)] >= 128)
            rising.push_back(i);
    }
    QCOMPARE(rising.size(), size_t(2));
    form.scrollVLine1->setValue(rising[0]);
    form.scrollVLine2->setValue(rising[1]);
    form.chkPauseRedraw->setChecked(false);

    std::vector<double> periods;
    QStringList seen;
    size_t shown = rig.blocks.size();
    QObject::connect(&form.timerDraw, &QTimer::timeout, &form, [&] {
        if (rig.blocks.size() == shown)
            return;
        shown = rig.blocks.size();
        QString readout = form.lblDeltaV->text();
        seen << readout;
        readout.chop(2); // "ms"
        periods.push_back(QLocale().toDouble(readout));
    });
    QVERIFY(runUntil([&] { return periods.size() >= 20; }, 30000));
    rig.board.stop();
    const double period = median(periods);
    qInfo("period of the 50 Hz sine, %d readings: %s; median %.3f ms", rising[1] - rising[0],
          qPrintable(seen.join(u' ')), period);
    QVERIFY(std::ranges::all_of(seen, [](const QString &text) { return text.endsWith(u"ms"); }));
    QVERIFY2(std::abs(period - 20.0) <= 0.01 * 20.0, qPrintable(QString::number(period)));

    // The first block holds the first bytes sent from reset on: readings
    // from the first, no banner. Every block follows the input.
    const Stream stream = rig.board.recorded();
    const std::vector<qsizetype> at = positionsInStream(rig.blocks, stream);
    QCOMPARE(at.front(), 0);
    for (size_t b = 0; b < rig.blocks.size(); ++b) {
        QVERIFY(at[b] >= 0);
        const auto sine = [](const EmulatedBoard::SentByte &sent) {
            const double t = double(sent.conversionCycle) / EmulatedBoard::kClockHz;
            return isReadingOf(sent.value, 2.5 + 2.0 * std::sin(2.0 * std::numbers::pi * 50.0 * t));
        };
        const auto stray = std::ranges::find_if_not(stream.begin() + at[b], stream.begin() + at[b] + n, sine);
        const qsizetype followed = stray - (stream.begin() + at[b]);
        QVERIFY2(followed == n, qPrintable(QStringLiteral("block %1, reading %2").arg(b).arg(followed)));
    }
}

void TestBoard::firstBlockAfterOpeningIsTimedFromItsReadings()
{
    // An Uno: opening its port resets it, and its bootloader keeps the line
    // silent before the firmware starts sending.
    Rig rig(UsbDelivery::unoCdc(), Rig::OpenLater);
    rig.board.resetOnOpening(EmulatedBoard::kUnoBootloaderSeconds);
    rig.board.setVoltages(randomVolts(10007));
    rig.board.start();
    QTest::qWait(50); // the board runs, into a line nobody has open
    rig.open();
    // A long block (0.94 s), so that its timing holds even when a
    // notification at one of its ends comes 9 ms late (1 %), as on a busy
    // machine; there is only one first block to judge.
    rig.setSampleSize(10000);
    QVERIFY(rig.waitForBlocks(1));
    rig.board.stop();

    // The block is the first readings from the reset on, which came after
    // the bootloader's wait.
    const std::vector<size_t> restarts = rig.board.restartsInRecording();
    QCOMPARE(restarts.size(), size_t(1));
    const std::vector<qsizetype> at = positionsInStream(rig.blocks, rig.board.recorded());
    QCOMPARE(at.front(), qsizetype(restarts.front()));
    const qint64 arrivedAfterMs = rig.blocks.front().arrivedMs - rig.openedMs;
    QVERIFY2(arrivedAfterMs >= 1400 + 935, qPrintable(QString::number(arrivedAfterMs)));

    const double usPerSample = rig.blocks.front().msPerSample * 1000.0;
    qInfo("first block, %lld ms after the opening: %.3f us per sample", arrivedAfterMs, usPerSample);
    QVERIFY2(std::abs(usPerSample - kByteSeconds * 1e6) <= 0.01 * kByteSeconds * 1e6, qPrintable(QString::number(usPerSample)));
}

void TestBoard::triggerStartsBlocksOnTheStream()
{
    Rig rig;
    Form1 &form = *rig.form;
    rig.setSampleSize(500);
    // The sine is in 200..255 (3.9 V and up) around its peaks only.
    form.txtTriggerLow->setText(QStringLiteral("200"));
    form.txtTriggerHigh->setText(QStringLiteral("255"));
    rig.board.setSignal({.waveform = EmulatedBoard::Waveform::Sine, .frequencyHz = 50.0, .amplitudeV = 2.0, .offsetV = 2.5});
    std::vector<int> refused;
    // A chunk holds what arrived since the read before it: the longest gap
    // between notifications bounds how long the triggering chunks were.
    QElapsedTimer sinceNotification;
    qint64 longestGapMs = 0;
    QObject::connect(&form.MSComm1, &SerialLink::OnComm, &form, [&] {
        if (form.m_UseTrigger && form.m_Armed && !form.m_RxBuffer.isEmpty())
            refused.push_back(static_cast<unsigned char>(form.m_RxBuffer.front()));
        if (sinceNotification.isValid())
            longestGapMs = std::max(longestGapMs, sinceNotification.elapsed());
        sinceNotification.start();
    });
    rig.board.start();
    QVERIFY(rig.waitForBlocks(1));
    form.chkLookForTrigger->click();
    QVERIFY(form.m_UseTrigger);
    const size_t triggeredFrom = rig.blocks.size() + 1; // the block under way finishes untriggered
    QVERIFY(rig.waitForBlocks(triggeredFrom + 8));
    rig.board.stop();
    const Stream stream = rig.board.recorded();

    // Each block begins right after its triggering chunk, readings that
    // began inside the window: one of them lies within a chunk's length
    // (the longest gap, plus the emulator's 1 ms slice) before the block.
    const qsizetype chunkAtMost = qsizetype(std::ceil(double(longestGapMs + 2) / 1000.0 * kReadingsPerSecond));
    const std::vector<Block> triggered(rig.blocks.begin() + qsizetype(triggeredFrom), rig.blocks.end());
    const std::vector<qsizetype> at = positionsInStream(triggered, stream);
    for (const qsizetype p : at) {
        QVERIFY(p >= 0);
        QVERIFY2(std::any_of(stream.begin() + std::max<qsizetype>(0, p - chunkAtMost), stream.begin() + p,
                             [](const EmulatedBoard::SentByte &s) { return s.value >= 200; }),
                 qPrintable(QStringLiteral("block at %1, chunks up to %2 readings").arg(p).arg(chunkAtMost)));
    }
    QVERIFY(!refused.empty());
    for (const int first : refused)
        QVERIFY2(first < 200, qPrintable(QString::number(first)));
}

void TestBoard::boardRestartedWhileThePortStaysOpen()
{
    Rig rig;
    rig.setSampleSize(500);
    rig.board.setVoltages(randomVolts(10007));
    rig.board.start();
    QVERIFY(rig.waitForBlocks(3));
    rig.board.restart();
    const size_t restartedBy = rig.blocks.size() + 1;
    QVERIFY(rig.waitForBlocks(restartedBy + 4));
    rig.board.stop();
    const Stream stream = rig.board.recorded();
    const std::vector<size_t> restarts = rig.board.restartsInRecording();
    QCOMPARE(restarts.size(), size_t(1));
    const qsizetype restart = qsizetype(restarts.front());

    // The firmware starts again from reset: conversions spaced as at
    // power-up, and from the first byte on nothing but readings of the input.
    QCOMPARE(stream[size_t(restart) + 2].conversionCycle - stream[size_t(restart) + 1].conversionCycle, 1496u);
    const auto input = [](const EmulatedBoard::SentByte &s) { return isReadingOf(s.value, s.conversionVolts); };
    const auto stray = std::ranges::find_if_not(stream.begin() + restart, stream.end(), input);
    QVERIFY2(stray == stream.end(), qPrintable(QString::number(stray - stream.begin() - restart)));
    // Blocks go on, each a run of the stream, nothing lost or left over at
    // the seam. The line carries no framing, so the block under way at the
    // restart holds the last readings before it and the first after.
    const std::vector<qsizetype> at = positionsInStream(rig.blocks, stream);
    QVERIFY(std::ranges::none_of(at, [](qsizetype p) { return p < 0; }));
    QVERIFY(at.back() >= restart);
}

void TestBoard::inputFollowsItsWaveform_data()
{
    // 2 V about 2.5 V at 50 Hz: a period is 20 ms.
    QTest::addColumn<EmulatedBoard::Waveform>("waveform");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("volts");
    QTest::newRow("dc") << EmulatedBoard::Waveform::Dc << 0.003 << 2.5;
    QTest::newRow("sine, a quarter in") << EmulatedBoard::Waveform::Sine << 0.005 << 4.5;
    QTest::newRow("square, second half") << EmulatedBoard::Waveform::Square << 0.012 << 0.5;
    QTest::newRow("triangle, rising") << EmulatedBoard::Waveform::Triangle << 0.0025 << 1.5;
    QTest::newRow("triangle, falling") << EmulatedBoard::Waveform::Triangle << 0.0175 << 1.5;
    QTest::newRow("sawtooth, before the start") << EmulatedBoard::Waveform::Sawtooth << -0.005 << 3.5;
    QTest::newRow("noise stays at the offset") << EmulatedBoard::Waveform::Noise << 0.007 << 2.5;
}

void TestBoard::inputFollowsItsWaveform()
{
    QFETCH(EmulatedBoard::Waveform, waveform);
    QFETCH(double, seconds);
    QFETCH(double, volts);
    const EmulatedBoard::Signal signal{.waveform = waveform, .frequencyHz = 50.0, .amplitudeV = 2.0, .offsetV = 2.5};
    QCOMPARE(EmulatedBoard::volts(signal, seconds), volts);
}

void TestBoard::fileWithoutAProgramIsRefused_data()
{
    QTest::addColumn<QByteArray>("content"); // none: no such file
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("Intel hex, not ELF") << QByteArray(":100000000C9434000C9451000C9451000C94510049\n:00000001FF\n");
    QTest::newRow("ELF header only") << QByteArray("\x7f" "ELF\x01\x01\x01", 7);
}

void TestBoard::fileWithoutAProgramIsRefused()
{
    QFETCH(QByteArray, content);
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(content);
    file.close();
    const QString path = content.isNull() ? file.fileName() + QStringLiteral(".missing") : file.fileName();
    PseudoTerminal pty;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, EmulatedBoard(path.toStdString(), pty.masterFd()));
}

QTEST_MAIN(TestBoard)
#include "tst_board.moc"
