#include "benchmarks.h"

#include "pseudo_terminal.h"
#include "simulated_board.h"
#include "window/dump_box.h"
#include "window/form1.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSerialPort>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>
#include <functional>
#include <fstream>

#include <unistd.h>

namespace {

int g_lineRateSeconds = 10;

double threadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double residentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// One iteration: a block of noise arrives on the port, the window takes it
// in, and the next redraw tick shows it with its dump. Two blocks alternate
// so that every iteration changes the picture and the text.
void blockArrivesAndIsShown(benchmark::State &state, int n)
{
    PseudoTerminal line;
    Form1 window(line.slavePath());
    window.timerDraw.stop(); // the iteration draws exactly once
    window.txtArraySize->setText(QString::number(n));
    window.show();
    int blocks = 0;
    QObject::connect(window.txtInput, &QPlainTextEdit::textChanged, [&blocks] { ++blocks; });
    const QByteArray block[2] = {noiseReadings(n, 1), noiseReadings(n, 2)};
    QCoreApplication::processEvents();

    for (auto _ : state) {
        // Written as the line takes it: the window reads on this same thread.
        const QByteArray &bytes = block[blocks % 2];
        const int before = blocks;
        qsizetype sent = 0;
        while (blocks == before) {
            if (sent < bytes.size())
                sent += std::max<qsizetype>(0, ::write(line.masterFd(), bytes.constData() + sent, bytes.size() - sent));
            QCoreApplication::processEvents(sent < bytes.size() ? QEventLoop::AllEvents
                                                                : QEventLoop::WaitForMoreEvents);
        }
        window.timerDraw_Timer();
        QCoreApplication::processEvents(); // paints what the block and the redraw changed
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// Measures the share of one core this thread uses, and its resident
// memory after the first second and at the end, while whatever was set up
// reads the board streaming at the line rate for a fixed time. The board's
// own thread stands for the hardware and is not counted. `warm` runs once
// the warm-up is over.
void measureAtLineRate(benchmark::State &state, SimulatedBoard &board, const std::function<void()> &warm = {})
{
    board.start();
    runEventLoopFor(1000); // warm-up: first blocks, first layouts, font caches
    if (warm)
        warm();

    double cpuShare = 0;
    const double warmMegabytes = residentMegabytes();
    double peakMegabytes = warmMegabytes;
    for (auto _ : state) {
        const double cpuBefore = threadCpuSeconds();
        for (int second = 0; second < g_lineRateSeconds; ++second) {
            runEventLoopFor(1000);
            peakMegabytes = std::max(peakMegabytes, residentMegabytes());
        }
        cpuShare = (threadCpuSeconds() - cpuBefore) / g_lineRateSeconds;
    }
    board.stop();
    state.counters["core_%"] = 100.0 * cpuShare;
    state.counters["rss_warm_MB"] = warmMegabytes;
    state.counters["rss_peak_MB"] = peakMegabytes;
    state.counters["rss_end_MB"] = residentMegabytes();
}

// The window at N = 768.
void windowAtLineRate(benchmark::State &state, int burstIntervalMs)
{
    PseudoTerminal line;
    SimulatedBoard board(line.masterFd());
    board.setBurstIntervalMs(burstIntervalMs);
    Form1 window(line.slavePath());
    window.show();
    measureAtLineRate(state, board);
}

// The window as large as a maximised one on a 4K screen, at N = 768,
// streaming or with Pause Redraw ticked once it shows the sine: then no
// pixel changes, and every tick rebuilds the picture and finds nothing to show.
void window4kAtLineRate(benchmark::State &state, bool paused)
{
    PseudoTerminal line;
    SimulatedBoard board(line.masterFd());
    Form1 window(line.slavePath());
    window.resize(3840, 2160);
    window.show();
    measureAtLineRate(state, board, [&] { window.chkPauseRedraw->setChecked(paused); });
}

// The floor under the window's figure: a bare serial port that only reads
// the same stream, beside a shown text box with the focus and its caret.
void bareReaderAtLineRate(benchmark::State &state, int burstIntervalMs)
{
    PseudoTerminal line;
    SimulatedBoard board(line.masterFd());
    board.setBurstIntervalMs(burstIntervalMs);
    QPlainTextEdit box;
    box.show();
    box.setFocus();
    QSerialPort port(line.slavePath());
    port.setBaudRate(QSerialPort::Baud115200);
    port.setStopBits(QSerialPort::TwoStop);
    if (!port.open(QIODevice::ReadOnly)) {
        state.SkipWithError(port.errorString().toStdString().c_str());
        return;
    }
    qint64 bytesRead = 0;
    QObject::connect(&port, &QSerialPort::readyRead, [&] { bytesRead += port.readAll().size(); });
    measureAtLineRate(state, board);
    // A reader that took nothing would make the floor look lower than it is.
    if (bytesRead == 0)
        state.SkipWithError("the port read nothing");
}

// A trigger bound as the operator may paste it: its value padded with
// leading zeros to the 32767 characters the box takes, or written short.
QString triggerBound(int value, bool padded)
{
    const QString digits = QString::number(value);
    return padded ? QString(32767 - digits.size(), u'0') + digits : digits;
}

// A window waiting for a trigger that never comes: the bounds lie above every
// reading, so every receive notification tests its chunk against them.
void waitForTrigger(Form1 &window, bool longBounds)
{
    window.txtTriggerLow->setText(triggerBound(300, longBounds));
    window.txtTriggerHigh->setText(triggerBound(400, longBounds));
    window.chkLookForTrigger->setChecked(true);
    window.show();
}

void triggerWaitingAtLineRate(benchmark::State &state, bool longBounds)
{
    PseudoTerminal line;
    SimulatedBoard board(line.masterFd());
    Form1 window(line.slavePath());
    waitForTrigger(window, longBounds);
    measureAtLineRate(state, board);
}

// One iteration: one reading arrives and the window handles its notification.
void triggerWaitingNotification(benchmark::State &state, bool longBounds)
{
    PseudoTerminal line;
    Form1 window(line.slavePath());
    window.timerDraw.stop();
    waitForTrigger(window, longBounds);
    int notifications = 0;
    QObject::connect(&window.MSComm1, &SerialLink::OnComm, [&notifications] { ++notifications; });
    QCoreApplication::processEvents();

    for (auto _ : state) {
        const int before = notifications;
        if (!line.writeAll(QByteArray(1, char(42)))) {
            state.SkipWithError("the line took no byte");
            return;
        }
        while (notifications == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (!window.m_Armed)
        state.SkipWithError("the trigger fired");
}

} // namespace

void setLineRateSeconds(int seconds)
{
    g_lineRateSeconds = std::max(1, seconds);
}

void registerWindowBenchmarks()
{
    for (int n : {768, 32766})
        benchmark::RegisterBenchmark(("window/blockShown/N=" + std::to_string(n)).c_str(), blockArrivesAndIsShown, n)
                ->Unit(benchmark::kMicrosecond);
    // A pty hands over what arrived every millisecond; a USB serial adapter
    // sends a 62-byte packet, about every 6 ms at the line rate.
    for (int burstMs : {1, 6}) {
        const std::string burst = "/burst=" + std::to_string(burstMs) + "ms";
        benchmark::RegisterBenchmark(("window/lineRate" + burst).c_str(), windowAtLineRate, burstMs)
                ->Iterations(1)
                ->Unit(benchmark::kSecond);
        benchmark::RegisterBenchmark(("bareReader/lineRate" + burst).c_str(), bareReaderAtLineRate, burstMs)
                ->Iterations(1)
                ->Unit(benchmark::kSecond);
    }
    for (const bool paused : {false, true})
        benchmark::RegisterBenchmark(paused ? "window/3840x2160/lineRate/paused" : "window/3840x2160/lineRate/streaming",
                                     window4kAtLineRate, paused)
                ->Iterations(1)
                ->Unit(benchmark::kSecond);
    for (const bool longBounds : {false, true}) {
        const std::string bounds = longBounds ? "/bounds=32767chars" : "/bounds=short";
        benchmark::RegisterBenchmark(("triggerWaiting/lineRate" + bounds).c_str(), triggerWaitingAtLineRate,
                                     longBounds)
                ->Iterations(1)
                ->Unit(benchmark::kSecond);
        benchmark::RegisterBenchmark(("triggerWaiting/notification" + bounds).c_str(), triggerWaitingNotification,
                                     longBounds)
                ->Unit(benchmark::kMicrosecond);
    }
}
