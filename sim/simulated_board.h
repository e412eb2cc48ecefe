#pragma once

#include "waveform.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// The sampling board: one 8-bit reading per byte, 0..255 for 0..5 V, sent
// into a line at the pace of 115200 baud with 11 bits a byte (start, 8 data,
// 2 stop). Runs on its own thread, writing whatever is due every burst
// interval, so the program under test sees chunks as from a real line.
class SimulatedBoard
{
public:
    static constexpr double kBaudRate = 115200.0;
    static constexpr double kBitsPerReading = 11.0;
    static constexpr double kReadingsPerSecond = kBaudRate / kBitsPerReading; // about 10473

    using Waveform = ::Waveform;
    using Signal = TestSignal;

    // Writes into `fd`, which must stay open until stop() or destruction.
    explicit SimulatedBoard(int fd);
    ~SimulatedBoard();
    SimulatedBoard(const SimulatedBoard &) = delete;
    SimulatedBoard &operator=(const SimulatedBoard &) = delete;

    void setSignal(const Signal &signal);
    // Plays these bytes instead of a signal: once, or over and over.
    void setScript(const QByteArray &bytes, bool loop);
    // Readings sent per second, as a multiple of the line's; above 1 floods.
    void setRateMultiplier(double multiplier);
    void setBurstIntervalMs(int ms);

    void start();
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

    // Bytes the line has taken so far.
    std::uint64_t bytesWritten() const { return m_written.load(); }
    // A script played once has been sent to its end.
    bool scriptFinished() const { return m_scriptDone.load(); }

    static std::uint8_t countForVolts(double volts);
    // The signal's reading number `index`, counted from the start; noise
    // follows its seeded sequence and so must be asked for in order. Not
    // while the board runs: its thread owns the signal then.
    std::uint8_t reading(std::uint64_t index);

private:
    void run();
    // Fills `out` with up to `count` readings; returns how many.
    qsizetype produce(char *out, qsizetype count);

    const int m_fd;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;

    // Under m_mutex.
    Signal m_signal{.waveform = Waveform::Sine, .frequencyHz = 40.0, .amplitudeV = 2.0, .offsetV = 2.5};
    QByteArray m_script;
    bool m_useScript = false;
    bool m_loop = false;
    qsizetype m_scriptPos = 0;
    std::uint64_t m_index = 0;
    std::uint64_t m_noiseState = 0;
    double m_multiplier = 1.0;
    int m_burstMs = 1;

    std::atomic<std::uint64_t> m_written{0};
    std::atomic<bool> m_scriptDone{false};
};
