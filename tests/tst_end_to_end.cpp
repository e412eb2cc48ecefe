// The whole road of a reading: simulated board -> pseudo-terminal -> serial
// link -> capture engine -> window, with nothing stubbed.
#include "common/number_format.h"
#include "pseudo_terminal.h"
#include "simulated_board.h"
#include "event_loop.h"
#include "window/dump_box.h"
#include "window/form1.h"
#include "window/scope_screen.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

namespace {

struct Block
{
    QString dump;
    std::vector<qint16> samples;
    double msPerSample = 0;
    qsizetype rxLeft = 0; // receive buffer right after the block
};

// The scope on its own line, and a board on the other end. Declared in this
// order so the board stops first, then the window closes its port.
struct Rig
{
    Rig() : form(std::make_unique<Form1>(pty.slavePath())), board(pty.masterFd())
    {
        QObject::connect(form->txtInput, &QPlainTextEdit::textChanged, form.get(), [this] {
            blocks.push_back({form->txtInput->toPlainText(), form->m_Samples, form->m_MsPerSample,
                              form->m_RxBuffer.size()});
        });
    }
    bool waitForBlocks(size_t count, int timeoutMs = 20000)
    {
        return runUntil([&] { return blocks.size() >= count; }, timeoutMs);
    }

    PseudoTerminal pty;
    std::unique_ptr<Form1> form;
    SimulatedBoard board;
    std::vector<Block> blocks;
};

QByteArray countingScript()
{
    QByteArray bytes(256, Qt::Uninitialized);
    for (int v = 0; v < 256; ++v)
        bytes[v] = char(v);
    return bytes;
}

QString expectedDump(int first, int n)
{
    QString text = QStringLiteral("(");
    for (int k = 0; k < n; ++k)
        text += QStringLiteral(" %1,").arg((first + k) % 256);
    text.back() = u')';
    return text;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void blocksCarryTheBytesExactly();
    void timePerSampleMatchesTheLine();
    void triggerStartsBlocksOnlyAfterAChunkInTheWindow();
    void pauseHoldsCaptureAndLosesNothing();
    void screenShowsTraceGridAndCursors();
    void operatorSession();
    void floodKeepsTheWindowGoing();
    void boardPluggedInLaterUnpluggedAndBack();
};

void TestEndToEnd::blocksCarryTheBytesExactly()
{
    Rig rig;
    Form1 &form = *rig.form;
    QVERIFY(form.MSComm1.PortOpen());
    form.txtArraySize->setText(QStringLiteral("256"));
    QCOMPARE(form.sampleSize(), 256);

    rig.board.setScript(countingScript(), true);
    rig.board.start();
    QVERIFY(rig.waitForBlocks(6));
    rig.board.stop();

    for (size_t b = 0; b < rig.blocks.size(); ++b) {
        const Block &block = rig.blocks[b];
        QCOMPARE(block.samples.size(), size_t(257));
        QCOMPARE(block.samples[256], qint16(0)); // element N is never written
        const int first = block.samples[0];
        // 256 consecutive bytes of the count: every value once, none lost,
        // none reordered, none changed.
        std::set<int> values;
        for (int k = 0; k < 256; ++k) {
            QCOMPARE(int(block.samples[size_t(k)]), (first + k) % 256);
            values.insert(block.samples[size_t(k)]);
        }
        QCOMPARE(values.size(), size_t(256));
        QCOMPARE(block.dump, expectedDump(first, 256));
        // What came with the last chunk beyond N is dropped, not kept for
        // the next block.
        QCOMPARE(block.rxLeft, qsizetype(0));
    }
    // The box shows each block from its start, and keeps no history of the
    // texts it replaced.
    QCOMPARE(form.txtInput->textCursor().position(), 0);
    QVERIFY(!form.txtInput->document()->isUndoAvailable());
}

void TestEndToEnd::timePerSampleMatchesTheLine()
{
    Rig rig;
    Form1 &form = *rig.form;
    QCOMPARE(form.sampleSize(), 768);
    rig.board.setSignal(
            {.waveform = SimulatedBoard::Waveform::Triangle, .frequencyHz = 40, .amplitudeV = 2.0, .offsetV = 2.5});
    rig.board.start();
    QVERIFY(rig.waitForBlocks(8));
    rig.board.stop();

    // The first two blocks may still carry the start-up's delays.
    const double expected = 11.0 / 115200.0 * 1000.0; // about 0.0955 ms
    double sum = 0;
    QStringList seen;
    for (size_t b = 2; b < 8; ++b) {
        sum += rig.blocks[b].msPerSample;
        seen << QString::number(rig.blocks[b].msPerSample, 'f', 5);
    }
    const double mean = sum / 6;
    qInfo("ms per sample: %s; mean %.5f, line %.5f", qPrintable(seen.join(u' ')), mean, expected);
    // A block is timed from the notification that ended the previous one to
    // the one that ends it, over the readings read in that time, and either
    // end can be late by a notification's latency (about 1 ms, a few on a
    // busy machine, against 73 ms a block). The board keeps to the line's
    // clock, so lateness at one end is made up at the next block: over six
    // blocks 10 % holds with room to spare.
    QVERIFY2(std::abs(mean - expected) <= 0.10 * expected, qPrintable(QString::number(mean)));
}

void TestEndToEnd::triggerStartsBlocksOnlyAfterAChunkInTheWindow()
{
    Rig rig;
    Form1 &form = *rig.form;
    form.txtArraySize->setText(QStringLiteral("256"));
    // A square wave: 1024 readings at 60 counts, inside the 20..100 window,
    // then 1024 below it, at 0 for the first 512 readings after the edge
    // and at 10 for the rest, so a block that starts late in the low phase
    // shows by its first reading. The triggering chunk is not part of the
    // block, so a long one (the test held up for tens of milliseconds) may
    // start it well past the edge: 512 readings are about 50 ms of line.
    QByteArray script;
    script.append(1024, char(60));
    script.append(512, char(0));
    script.append(512, char(10));
    rig.board.setScript(script, true);

    // Looking at the engine after each notification: while it waits, the
    // chunk it has just tested and refused stays in the receive buffer.
    std::vector<int> refusedFirstReadings;
    int waitingEnded = 0;
    QObject::connect(&form.MSComm1, &SerialLink::OnComm, &form, [&] {
        if (!form.m_UseTrigger)
            return;
        if (form.m_Armed && !form.m_RxBuffer.isEmpty())
            refusedFirstReadings.push_back(static_cast<unsigned char>(form.m_RxBuffer.front()));
        if (!form.m_Armed)
            ++waitingEnded;
    });

    rig.board.start();
    // Without the trigger, blocks start anywhere, late in the low phase too.
    QVERIFY(runUntil([&] {
        for (const Block &block : rig.blocks)
            if (block.samples[0] == 10)
                return true;
        return false;
    }, 30000));

    form.chkLookForTrigger->click();
    QVERIFY(form.m_UseTrigger);
    rig.blocks.clear();
    QVERIFY(rig.waitForBlocks(10, 30000));

    for (const Block &block : rig.blocks) {
        // The block begins right after a chunk that began at 60: still in
        // the high phase, or just past its edge.
        QVERIFY2(block.samples[0] == 60 || block.samples[0] == 0, qPrintable(block.dump.left(40)));
    }
    QVERIFY(!refusedFirstReadings.empty());
    for (const int first : refusedFirstReadings)
        QVERIFY2(first < 20 || first > 100, qPrintable(QString::number(first)));
    QVERIFY(waitingEnded > 0);

    // New bounds take effect at once, a pasted one as long as the box takes
    // included: the window 5..15 holds only the late low phase's 10s.
    form.txtTriggerLow->setText(QString(form.txtTriggerLow->maxLength() - 1, u'0') + u'5');
    QCOMPARE(form.txtTriggerLow->text().size(), 32767);
    form.txtTriggerHigh->selectAll();
    QTest::keyClicks(form.txtTriggerHigh, QStringLiteral("15"));
    QCOMPARE(form.txtTriggerHigh->text(), QStringLiteral("15"));
    refusedFirstReadings.clear();
    rig.blocks.clear();
    QVERIFY(rig.waitForBlocks(6, 30000));
    rig.board.stop();
    // The first block may have been under way when the bounds changed.
    for (size_t i = 1; i < rig.blocks.size(); ++i) {
        const Block &block = rig.blocks[i];
        QVERIFY2(block.samples[0] == 10 || block.samples[0] == 60, qPrintable(block.dump.left(40)));
    }
    QVERIFY(!refusedFirstReadings.empty());
    for (const int first : refusedFirstReadings)
        QVERIFY2(first < 5 || first > 15, qPrintable(QString::number(first)));
}

void TestEndToEnd::pauseHoldsCaptureAndLosesNothing()
{
    Rig rig;
    Form1 &form = *rig.form;
    // A block far longer than the test, so the receive buffer only grows.
    form.txtArraySize->setText(QStringLiteral("32000"));
    rig.board.setScript(countingScript(), true);

    std::vector<qsizetype> sizeAfterNotification;
    bool watching = false;
    QObject::connect(&form.MSComm1, &SerialLink::OnComm, &form, [&] {
        if (watching)
            sizeAfterNotification.push_back(form.m_RxBuffer.size());
    });

    rig.board.start();
    QVERIFY(runUntil([&] { return form.m_RxBuffer.size() >= 1000; }, 10000));

    form.chkPauseRedraw->setChecked(true);
    const QByteArray rx = form.m_RxBuffer;
    const std::vector<qint16> samples = form.m_Samples;
    const QString dump = form.txtInput->toPlainText();
    const bool armed = form.m_Armed;
    const double msPerSample = form.m_MsPerSample;
    const quint64 writtenBefore = rig.board.bytesWritten();
    runFor(500);
    const quint64 writtenMeanwhile = rig.board.bytesWritten() - writtenBefore;
    QVERIFY(writtenMeanwhile > 2000); // the board kept sending
    QCOMPARE(form.m_RxBuffer, rx);
    QVERIFY(form.m_Samples == samples);
    QCOMPARE(form.txtInput->toPlainText(), dump);
    QCOMPARE(form.m_Armed, armed);
    QCOMPARE(form.m_MsPerSample, msPerSample);
    QVERIFY(rig.blocks.empty());

    watching = true;
    form.chkPauseRedraw->setChecked(false);
    QVERIFY(runUntil([&] { return !sizeAfterNotification.empty(); }, 5000));
    rig.board.stop();

    // The first read after the pause brings what waited in the port: nearly
    // all the board sent meanwhile (a little may still have been on its way).
    const qsizetype firstChunk = sizeAfterNotification.front() - rx.size();
    qInfo("paused 500 ms: board sent %llu bytes, first chunk after %lld", writtenMeanwhile, qlonglong(firstChunk));
    QVERIFY2(firstChunk >= qsizetype(writtenMeanwhile * 8 / 10), qPrintable(QString::number(firstChunk)));
    // And nothing was lost or reordered across the pause.
    const QByteArray &all = form.m_RxBuffer;
    QVERIFY(all.startsWith(rx));
    for (qsizetype i = 1; i < all.size(); ++i)
        QCOMPARE(quint8(all[i]), quint8(quint8(all[i - 1]) + 1));
}

void TestEndToEnd::screenShowsTraceGridAndCursors()
{
    Rig rig;
    Form1 &form = *rig.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.scrollVLine1->setValue(150);
    form.scrollVLine2->setValue(500);
    form.scrollHLine1->setValue(60);
    form.scrollHLine2->setValue(190);
    rig.board.setSignal({.waveform = SimulatedBoard::Waveform::Sine,
                         .frequencyHz = 40.0,
                         .amplitudeV = 2.15,
                         .offsetV = 2.35});
    rig.board.start();
    QVERIFY(rig.waitForBlocks(1));
    QVERIFY(form.timerDraw.isActive());

    struct Census
    {
        int trace = 0, grid = 0, timeCursor = 0, levelCursor = 0;
        std::set<int> traceRows;
    } census;
    // The next redraw after the block puts it on the screen.
    QVERIFY(runUntil([&] {
        const QImage image = form.Picture1->picture().convertToFormat(QImage::Format_RGB32);
        census = {};
        for (int y = 0; y < image.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                switch (line[x] & 0xffffff) {
                case 0x00ff00: ++census.trace; census.traceRows.insert(y); break;
                case 0x323232: ++census.grid; break;
                case 0x6464ff: ++census.timeCursor; break;
                case 0xff6464: ++census.levelCursor; break;
                default: break;
                }
            }
        }
        return census.traceRows.size() > 100;
    }, 10000));
    rig.board.stop();

    // 0.2 V to 4.5 V spans most of the screen's height: not a flat line.
    QVERIFY(census.trace > 300);
    QVERIFY(census.grid > 500);
    QVERIFY(census.timeCursor > 200);
    QVERIFY(census.levelCursor > 500);

    // The window as shown carries the same picture.
    const QImage shown = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int shownTrace = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            shownTrace += (shown.pixel(x, y) & 0xffffff) == 0x00ff00;
    QVERIFY(shownTrace > 300);
}

namespace {

// A block of the counting script: every reading one more than the last, modulo 256.
bool consecutive(const Block &block, int n)
{
    if (block.samples.size() != size_t(n) + 1)
        return false;
    for (int i = 1; i < n; ++i) {
        if (block.samples[size_t(i)] != (block.samples[size_t(i) - 1] + 1) % 256)
            return false;
    }
    return true;
}

} // namespace

// One operator's session from opening to closing, checked at every step.
void TestEndToEnd::operatorSession()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Rig rig;
    Form1 &form = *rig.form;
    form.show();
    QVERIFY(form.MSComm1.PortOpen());
    QVERIFY(form.lblPortStatus->text().contains(rig.pty.slavePath()));
    rig.board.setScript(countingScript(), true);
    rig.board.start();

    // A block arrives.
    QVERIFY(rig.waitForBlocks(1));
    QVERIFY(consecutive(rig.blocks.back(), 768));
    QVERIFY(rig.blocks.back().dump.startsWith(u"( "));

    // N changed while a block is being collected: the next block has the new length.
    QVERIFY(runUntil([&] { return form.m_RxBuffer.size() > 100; }, 5000));
    form.txtArraySize->setText(QStringLiteral("300"));
    QCOMPARE(form.scrollVLine1->maximum(), 300);
    const size_t before = rig.blocks.size();
    QVERIFY(rig.waitForBlocks(before + 2));
    QVERIFY(consecutive(rig.blocks.back(), 300));
    QCOMPARE(rig.blocks.back().dump.count(u','), 299);

    // Trigger on: blocks go on arriving, each begun after a chunk whose first reading was in 20..100.
    form.chkLookForTrigger->click();
    QVERIFY(form.m_UseTrigger);
    const size_t triggeredFrom = rig.blocks.size() + 1; // the block under way may finish untriggered
    QVERIFY(rig.waitForBlocks(triggeredFrom + 2));
    for (size_t i = triggeredFrom; i < rig.blocks.size(); ++i) {
        QVERIFY(consecutive(rig.blocks[i], 300));
        const int first = rig.blocks[i].samples[0];
        // The triggering chunk is at most a few dozen readings long, all of them consecutive.
        QVERIFY2(first >= 21 && first <= 101 + 64, qPrintable(QString::number(first)));
    }

    // Paused: nothing changes, while the screen is still redrawn; the window resized meanwhile.
    form.scrollVLine1->setValue(0);
    form.scrollVLine2->setValue(300);
    form.chkPauseRedraw->click();
    runFor(100);
    const size_t pausedAt = rig.blocks.size();
    const std::vector<qint16> frozen = form.m_Samples;
    const double msPerSample = form.m_MsPerSample;
    runFor(300);
    const QString readout = form.lblDeltaV->text();
    QCOMPARE(readout, formatNumber(300 * msPerSample, kMillisecondsPattern) + QStringLiteral("ms"));
    form.resize(1000, 600);
    QCOMPARE(form.Picture1->geometry(), QRect(4, 76, 992, 448));
    runFor(200);
    QCOMPARE(rig.blocks.size(), pausedAt);
    QCOMPARE(form.m_Samples, frozen);
    QCOMPARE(form.lblDeltaV->text(), readout); // resizing changes no readout

    // Resumed: capture goes on.
    form.chkPauseRedraw->click();
    QVERIFY(rig.waitForBlocks(pausedAt + 2));
    QVERIFY(consecutive(rig.blocks.back(), 300));

    rig.board.stop();
    QVERIFY(form.close());
    QVERIFY(!form.MSComm1.PortOpen());
}

// A board fifty times faster than the line, paused and not: blocks stay
// whole, redraws keep coming and nothing grows without bound.
void TestEndToEnd::floodKeepsTheWindowGoing()
{
    Rig rig;
    Form1 &form = *rig.form;
    form.show();
    int redraws = 0;
    QObject::connect(&form.timerDraw, &QTimer::timeout, &form, [&] { ++redraws; });
    rig.board.setScript(countingScript(), true);
    rig.board.setRateMultiplier(50);
    rig.board.start();

    QVERIFY(rig.waitForBlocks(20));
    for (size_t i = 1; i < rig.blocks.size(); ++i) {
        QVERIFY(consecutive(rig.blocks[i], 768));
        QCOMPARE(rig.blocks[i].rxLeft, 0);
    }
    QVERIFY(form.m_RxBuffer.size() < 768);

    form.chkPauseRedraw->click();
    const int redrawsBefore = redraws;
    runFor(1500); // over 64 KiB arrive meanwhile
    QVERIFY(redraws > redrawsBefore + 5);
    const size_t pausedAt = rig.blocks.size();
    form.chkPauseRedraw->click();
    QVERIFY(runUntil([&] { return form.m_RxBuffer.isEmpty() && rig.blocks.size() > pausedAt; }, 5000));
    QVERIFY(form.m_RxBuffer.size() < 768);
    rig.board.stop();
}

void TestEndToEnd::boardPluggedInLaterUnpluggedAndBack()
{
    // The device path stays; the line behind it changes, as a USB adapter
    // that is unplugged and plugged in again comes back under its name.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString device = dir.filePath(QStringLiteral("board"));
    Form1 form(device);
    form.show();
    std::vector<QString> dumps;
    connect(form.txtInput, &QPlainTextEdit::textChanged, &form, [&] { dumps.push_back(form.txtInput->toPlainText()); });
    const auto portLabel = [&] { return form.lblPortStatus->text(); };
    QVERIFY(!form.MSComm1.PortOpen());
    QVERIFY(portLabel().contains(u"device not found"));

    // Plugged in after start-up: picked up by itself.
    auto pty = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::link(pty->slavePath(), device));
    QVERIFY(runUntil([&] { return form.MSComm1.PortOpen(); }, 5000));
    QCOMPARE(portLabel(), QStringLiteral("Port: %1").arg(device));
    QVERIFY(pty->writeAll(QByteArray(768, char(200))));
    QVERIFY(runUntil([&] { return dumps.size() == 1; }, 5000));

    // Unplugged with a block under way: the last block stays on the screen
    // and in the box, and the window says what happened.
    QVERIFY(pty->writeAll(QByteArray(300, char(50))));
    QVERIFY(runUntil([&] { return form.m_RxBuffer.size() == 300; }, 5000));
    const std::vector<qint16> shown = form.m_Samples;
    form.drawArray();
    const QImage picture = form.Picture1->picture();
    pty.reset();
    QVERIFY(runUntil([&] { return !form.MSComm1.PortOpen(); }, 5000));
    // Gone with its device, as an unplugged adapter's name is: left in place,
    // the link could meet another program's new terminal under the freed number.
    QVERIFY(QFile::remove(device));
    QVERIFY(portLabel().contains(u"port lost"));
    runFor(1500);
    QVERIFY(form.m_Samples == shown);
    QCOMPARE(dumps.size(), size_t(1));
    QCOMPARE(form.Picture1->picture(), picture); // redrawn all along, the same

    // Back: reopened, the half block given up, and the next block made of
    // new readings only. It arrives whole, in the first chunk after the
    // reopening, so it keeps the time per sample there was.
    auto back = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::link(back->slavePath(), device));
    QVERIFY(runUntil([&] { return form.MSComm1.PortOpen(); }, 5000));
    QCOMPARE(portLabel(), QStringLiteral("Port: %1").arg(device));
    QVERIFY(form.m_RxBuffer.isEmpty());
    runFor(500);
    QVERIFY(back->writeAll(QByteArray(768, char(120))));
    QVERIFY(runUntil([&] { return dumps.size() == 2; }, 5000));
    QVERIFY(std::ranges::all_of(form.m_Samples.begin(), form.m_Samples.end() - 1, [](qint16 s) { return s == 120; }));
    // Timed from the last block before the loss it would be over 2 s, 2.6 ms a reading.
    QVERIFY2(form.m_MsPerSample < 1000.0 / 768, qPrintable(QString::number(form.m_MsPerSample)));
    form.Form_Unload();
}

QTEST_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
