#pragma once

#include "usb_serial_chip.h"
#include "waveform.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The sampling board's firmware running on an emulated ATmega328P at 16 MHz
// (simavr), paced to real time. A waveform or a list of voltages drives pin
// A0; every byte the chip's USART sends goes through the board's USB serial
// chip into a line (the master side of a pseudo-terminal), in order and at
// the line's pace.
class EmulatedBoard
{
public:
    static constexpr std::uint32_t kClockHz = 16'000'000;
    static constexpr double kSupplyVolts = 5.0;
    // How long an Uno's bootloader keeps the line silent after a reset
    // (its LED flashes, then its one-second watchdog).
    static constexpr double kUnoBootloaderSeconds = 1.4;

    // Noise is the simulated board's alone: here it stays at the offset.
    using Waveform = ::Waveform;
    using Signal = TestSignal;

    // One byte the USART sent, with the cycle at which the conversion that
    // produced it began (cycles count on across restarts) and the voltage
    // that conversion was given.
    struct SentByte
    {
        std::uint8_t value;
        std::uint64_t conversionCycle;
        double conversionVolts;
    };

    // Loads the firmware ELF; throws std::runtime_error when it cannot.
    // Writes into `fd`, which must stay open until stop() or destruction.
    EmulatedBoard(const std::string &firmwareElf, int fd);
    ~EmulatedBoard();
    EmulatedBoard(const EmulatedBoard &) = delete;
    EmulatedBoard &operator=(const EmulatedBoard &) = delete;

    // The input on A0, as a function of the board's time; clipped to the
    // ADC's 0..5 V, as the pin's protection would.
    void setSignal(const Signal &signal);
    // One voltage per conversion, played over and over.
    void setVoltages(std::vector<double> volts);
    static double volts(const Signal &signal, double seconds);

    // How the USB chip hands the bytes over; every millisecond unless told.
    // Before start().
    void setDelivery(UsbDelivery delivery);
    // From start() on, opening the line resets the chip, as an Uno's USB
    // chip does when a program opens the port; the line then stays silent
    // for `holdSeconds` (the bootloader's wait) before the firmware runs from
    // reset. What the board sends while nobody has the line open is lost,
    // as on a closed port. Before start().
    void resetOnOpening(double holdSeconds);

    void start();
    void stop();
    // The reset pin pulled, as the reset button or the USB chip does: the
    // firmware starts again from its first instruction; the line stays.
    void restart();

    // Keeps every byte sent from now on, for tests.
    void setRecording(bool on);
    std::vector<SentByte> recorded() const;
    // Index into recorded() of the first byte sent after each restart.
    std::vector<std::size_t> restartsInRecording() const;

    // Bytes the line refused (nobody reading and its buffer full).
    std::uint64_t bytesDropped() const { return m_dropped.load(); }
    // The board's own time, and the host CPU time its thread took.
    double boardSeconds() const;
    double cpuSeconds() const;

private:
    struct Simulation; // simavr's state, owned by the thread while it runs

    void run();
    void runSlice(std::uint64_t untilCycle);
    void fixByteTime();
    void resetChip();
    bool lineJustOpened();
    bool holdSilent(double seconds);
    void record();
    void handOver();

    const int m_fd;
    std::unique_ptr<Simulation> m_sim;
    double m_openingHoldSeconds = -1; // below 0: opening the line does nothing
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_restartRequested{false};

    mutable std::mutex m_mutex; // guards the input and the recording
    Signal m_signal{.waveform = Waveform::Dc, .offsetV = 2.5};
    std::vector<double> m_voltages;
    std::size_t m_nextVoltage = 0;
    bool m_recording = false;
    std::vector<SentByte> m_recorded;
    std::vector<std::size_t> m_restarts;

    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<std::uint64_t> m_boardCycles{0};
    std::atomic<std::int64_t> m_cpuNanoseconds{0};

    // Simulation thread only.
    UsbSerialChip m_usb{UsbDelivery::everyMillisecond(), kClockHz};
    bool m_lineOpen = true;
    std::vector<SentByte> m_pending;
    std::uint64_t m_conversionCycle = 0;
    double m_conversionVolts = 0;

    friend struct SimulationCallbacks;
};
