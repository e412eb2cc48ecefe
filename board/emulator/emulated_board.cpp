#include "emulated_board.h"

#include <avr_adc.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_io.h>
#include <sim_irq.h>
#include <sim_regbit.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr const char *kMcu = "atmega328p";
constexpr std::uint32_t kMillivolts = 5000;
// The simulation runs in slices of at most 1 ms of board time; after each
// one the clock is checked and the USB chip hands over what is due.
constexpr std::uint64_t kSliceCycles = EmulatedBoard::kClockHz / 1000;
// A host that stalled longer than this is not caught up with a burst.
constexpr double kMaxLagSeconds = 2.0;
// UPM01:0, the parity mode in UCSR0C, which simavr's UART does not describe.
constexpr std::uint8_t kParityBits = 0x30;

void quietLogger(avr_t *, int, const char *, va_list) { }

// The line is paced by the caller against the host's clock; simavr's own
// sleeping (usleep for the time the firmware sleeps) would only add to it.
void noSleep(avr_t *, avr_cycle_count_t) { }

std::int64_t threadCpuNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// What simavr's ELF reader allocated: the code and the symbol table.
void releaseFirmware(elf_firmware_t &firmware)
{
    std::free(firmware.flash);
    for (std::uint32_t i = 0; i < firmware.symbolcount; ++i)
        std::free(firmware.symbol[i]);
    std::free(firmware.symbol);
}

// A pseudo-terminal's master reports a hang-up while nobody has its slave open.
bool slaveOpen(int master)
{
    pollfd fd{master, 0, 0};
    return !(::poll(&fd, 1, 0) > 0 && (fd.revents & POLLHUP));
}

// Until its slave has been opened once, a master reports no hang-up at all:
// opened and closed here, the line shows from now on whether anyone holds it.
void showWhetherOpen(int master)
{
    char name[128];
    if (::ptsname_r(master, name, sizeof name) != 0)
        return;
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave >= 0)
        ::close(slave);
}

} // namespace

struct EmulatedBoard::Simulation
{
    avr_t *avr = nullptr;
    avr_uart_t *uart = nullptr;
    avr_irq_t *adcInput = nullptr;
};

// simavr's notifications, handed on to the board on the simulation thread.
struct SimulationCallbacks
{
    static void conversionStarted(avr_irq_t *, std::uint32_t, void *param)
    {
        auto *board = static_cast<EmulatedBoard *>(param);
        avr_t *avr = board->m_sim->avr;
        board->m_conversionCycle = avr->cycle;
        double volts = 0;
        {
            std::lock_guard lock(board->m_mutex);
            if (board->m_voltages.empty()) {
                volts = EmulatedBoard::volts(board->m_signal, double(avr->cycle) / EmulatedBoard::kClockHz);
            } else {
                volts = board->m_voltages[board->m_nextVoltage];
                board->m_nextVoltage = (board->m_nextVoltage + 1) % board->m_voltages.size();
            }
        }
        const long millivolts = std::lround(std::clamp(volts, 0.0, EmulatedBoard::kSupplyVolts) * 1000.0);
        board->m_conversionVolts = double(millivolts) / 1000.0;
        avr_raise_irq(board->m_sim->adcInput, std::uint32_t(millivolts));
    }

    static void byteSent(avr_irq_t *, std::uint32_t value, void *param)
    {
        auto *board = static_cast<EmulatedBoard *>(param);
        board->m_pending.push_back({std::uint8_t(value), board->m_conversionCycle, board->m_conversionVolts});
        board->m_usb.receive(std::uint8_t(value));
    }
};

EmulatedBoard::EmulatedBoard(const std::string &firmwareElf, int fd) : m_fd(fd)
{
    avr_global_logger_set(quietLogger);
    elf_firmware_t firmware{};
    // simavr takes any file it can open, an ELF without code or no ELF at
    // all, and leaves the flash empty then.
    if (elf_read_firmware(firmwareElf.c_str(), &firmware) != 0 || firmware.flash == nullptr || firmware.flashsize == 0) {
        releaseFirmware(firmware);
        throw std::runtime_error("no AVR program in " + firmwareElf);
    }
    firmware.frequency = kClockHz;
    firmware.vcc = firmware.avcc = firmware.aref = kMillivolts;

    avr_t *avr = avr_make_mcu_by_name(kMcu);
    if (avr == nullptr || avr_init(avr) != 0) {
        releaseFirmware(firmware);
        std::free(avr);
        throw std::runtime_error("simavr has no ATmega328P");
    }
    avr_load_firmware(avr, &firmware);
    // The chip has its copy of the code; the symbols serve only tracing.
    releaseFirmware(firmware);
    avr->log = 0;
    avr->sleep = noSleep;

    m_sim = std::make_unique<Simulation>(Simulation{avr, nullptr, avr_io_getirq(avr, AVR_IOCTL_ADC_GETIRQ, ADC_IRQ_ADC0)});
    for (avr_io_t *io = avr->io_port; io != nullptr; io = io->next) {
        if (std::strcmp(io->kind, "uart") == 0 && reinterpret_cast<avr_uart_t *>(io)->name == '0')
            m_sim->uart = reinterpret_cast<avr_uart_t *>(io);
    }
    if (m_sim->uart == nullptr || m_sim->adcInput == nullptr) {
        avr_terminate(avr);
        std::free(avr);
        throw std::runtime_error("simavr's ATmega328P has no USART0 or ADC");
    }
    // No echo of the bytes as text on our console, no napping in the UART.
    std::uint32_t uartFlags = 0;
    avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS('0'), &uartFlags);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_ADC_GETIRQ, ADC_IRQ_OUT_TRIGGER),
                            &SimulationCallbacks::conversionStarted, this);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                            &SimulationCallbacks::byteSent, this);
}

EmulatedBoard::~EmulatedBoard()
{
    stop();
    avr_terminate(m_sim->avr);
    std::free(m_sim->avr);
}

double EmulatedBoard::volts(const Signal &signal, double seconds)
{
    return signal.offsetV + signal.amplitudeV * waveShape(signal.waveform, signal.frequencyHz, seconds);
}

void EmulatedBoard::setSignal(const Signal &signal)
{
    std::lock_guard lock(m_mutex);
    m_signal = signal;
    m_voltages.clear();
}

void EmulatedBoard::setVoltages(std::vector<double> volts)
{
    std::lock_guard lock(m_mutex);
    m_voltages = std::move(volts);
    m_nextVoltage = 0;
}

void EmulatedBoard::setDelivery(UsbDelivery delivery)
{
    m_usb = UsbSerialChip(delivery, kClockHz);
}

void EmulatedBoard::resetOnOpening(double holdSeconds)
{
    m_openingHoldSeconds = std::max(0.0, holdSeconds);
}

void EmulatedBoard::start()
{
    if (m_thread.joinable())
        return;
    // A line already open when the board starts was not opened: the board
    // was powered up on it.
    if (m_openingHoldSeconds >= 0)
        showWhetherOpen(m_fd);
    m_lineOpen = slaveOpen(m_fd);
    m_stopping = false;
    m_thread = std::thread(&EmulatedBoard::run, this);
}

void EmulatedBoard::stop()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
}

void EmulatedBoard::restart()
{
    m_restartRequested = true;
}

void EmulatedBoard::setRecording(bool on)
{
    std::lock_guard lock(m_mutex);
    m_recording = on;
}

std::vector<EmulatedBoard::SentByte> EmulatedBoard::recorded() const
{
    std::lock_guard lock(m_mutex);
    return m_recorded;
}

std::vector<std::size_t> EmulatedBoard::restartsInRecording() const
{
    std::lock_guard lock(m_mutex);
    return m_restarts;
}

double EmulatedBoard::boardSeconds() const
{
    return double(m_boardCycles.load()) / kClockHz;
}

double EmulatedBoard::cpuSeconds() const
{
    return double(m_cpuNanoseconds.load()) * 1e-9;
}

void EmulatedBoard::run()
{
    using Clock = std::chrono::steady_clock;
    avr_t *avr = m_sim->avr;
    const std::int64_t cpuAtStart = threadCpuNanoseconds() - m_cpuNanoseconds.load();
    Clock::time_point origin = Clock::now();
    std::uint64_t originCycle = avr->cycle;
    m_usb.restart(avr->cycle);

    while (!m_stopping) {
        if (m_restartRequested.exchange(false))
            resetChip();
        runSlice(std::min(avr->cycle + kSliceCycles, m_usb.nextFlush()));
        record();
        m_boardCycles = avr->cycle;
        m_cpuNanoseconds = threadCpuNanoseconds() - cpuAtStart;
        if (avr->state == cpu_Done || avr->state == cpu_Crashed)
            break;

        // What the USB chip hands over leaves on time, not a slice early.
        const auto due = origin + std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(double(avr->cycle - originCycle) / kClockHz));
        const Clock::time_point now = Clock::now();
        if (now - due > std::chrono::duration<double>(kMaxLagSeconds)) {
            origin = now;
            originCycle = avr->cycle;
        } else if (due > now) {
            std::this_thread::sleep_until(due);
        }

        // Checked right before handing over, so nothing from before the
        // reset reaches the one who opened the line.
        if (lineJustOpened()) {
            resetChip();
            if (!holdSilent(m_openingHoldSeconds))
                break;
            origin = Clock::now();
            originCycle = avr->cycle;
            m_usb.restart(avr->cycle);
            continue;
        }
        handOver();
    }
}

// Up to `untilCycle`, or until the USB chip has a full packet to send.
void EmulatedBoard::runSlice(std::uint64_t untilCycle)
{
    avr_t *avr = m_sim->avr;
    while (avr->cycle < untilCycle && !m_usb.packetFull()) {
        fixByteTime();
        const int state = avr_run(avr);
        if (state == cpu_Done || state == cpu_Crashed)
            return;
    }
}

// simavr times a byte from the line settings only when UBRR0L is written,
// and always counts a parity bit. Worked out again before every instruction,
// a byte takes what it takes on the chip: at UBRR 16 with U2X, 8N2 is 11
// bits of 8 x 17 cycles, 1496 cycles.
void EmulatedBoard::fixByteTime()
{
    avr_t *avr = m_sim->avr;
    avr_uart_t *uart = m_sim->uart;
    const std::uint32_t ubrr = std::uint32_t(avr_regbit_get(avr, uart->ubrrh)) << 8 | avr_regbit_get(avr, uart->ubrrl);
    const std::uint32_t divisor = ubrr + 1;
    const std::uint32_t cyclesPerBit = divisor * (avr_regbit_get(avr, uart->u2x) ? 8 : 16);
    static constexpr int kDataBits[8] = {5, 6, 7, 8, 8, 8, 8, 9};
    const int dataBits = kDataBits[avr_regbit_get(avr, uart->ucsz) | avr_regbit_get(avr, uart->ucsz2) << 2];
    const int parityBits = (avr->data[uart->r_ucsrc] & kParityBits) ? 1 : 0;
    const int stopBits = 1 + avr_regbit_get(avr, uart->usbs);
    uart->cycles_per_byte = cyclesPerBit * std::uint32_t(1 + dataBits + parityBits + stopBits);
}

// The reset pin pulled, between slices: the firmware starts again from its
// first instruction.
void EmulatedBoard::resetChip()
{
    avr_reset(m_sim->avr);
    std::lock_guard lock(m_mutex);
    m_restarts.push_back(m_recorded.size());
}

// Whether the line has been opened since the last look, when the board is
// to reset on opening.
bool EmulatedBoard::lineJustOpened()
{
    if (m_openingHoldSeconds < 0)
        return false;
    const bool wasOpen = std::exchange(m_lineOpen, slaveOpen(m_fd));
    return m_lineOpen && !wasOpen;
}

// The bootloader's wait: the chip sends nothing for `seconds`. False when
// the board is stopped meanwhile.
bool EmulatedBoard::holdSilent(double seconds)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(seconds));
    for (Clock::time_point now = Clock::now(); !m_stopping && now < end; now = Clock::now())
        std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(10), end - now));
    return !m_stopping;
}

// The USART's bytes so far, for the recording.
void EmulatedBoard::record()
{
    if (m_pending.empty())
        return;
    std::lock_guard lock(m_mutex);
    if (m_recording)
        m_recorded.insert(m_recorded.end(), m_pending.begin(), m_pending.end());
    m_pending.clear();
}

// What the USB chip hands over now goes into the line at once. A line that
// cannot take it (nobody reading, its buffer full) loses it, as a real
// serial wire does; so does a line nobody has open, when the board resets
// on opening.
void EmulatedBoard::handOver()
{
    const std::vector<std::uint8_t> bytes = m_usb.handOver(m_sim->avr->cycle);
    if (bytes.empty())
        return;
    std::size_t done = 0;
    const bool lineClosed = m_openingHoldSeconds >= 0 && !m_lineOpen;
    while (!lineClosed && done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += std::size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    m_dropped += bytes.size() - done;
}
