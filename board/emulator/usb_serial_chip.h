#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

// How a board's USB serial chip hands what its UART receives over to the
// host: in packets, each sent as soon as it is full, and whatever waits when
// the chip's flush timer runs out.
struct UsbDelivery
{
    std::size_t packetBytes = 0; // 0: no limit
    double flushSeconds = 0.001;
    // The timer counts from the last packet sent (FTDI's latency timer)
    // rather than running freely.
    bool timerRestartsWithPacket = false;

    // Whatever arrived, every millisecond: as a pseudo-terminal fed by a
    // program gives it.
    static constexpr UsbDelivery everyMillisecond() { return {0, 0.001, false}; }
    // An Uno's USB chip (its CDC firmware): a 64-byte endpoint, flushed
    // every 4.096 ms, so about 44 readings at a time.
    static constexpr UsbDelivery unoCdc() { return {64, 0.004096, false}; }
    // An FTDI chip: 62 bytes of payload a packet, sent when full or when
    // its 16 ms latency timer runs out; at the board's rate always full.
    static constexpr UsbDelivery ftdi() { return {62, 0.016, true}; }
};

// The chip, on a clock of whole ticks (the board's cycles), so that a flush
// falls on an exact tick.
class UsbSerialChip
{
public:
    UsbSerialChip(UsbDelivery delivery, double ticksPerSecond)
        : m_packetBytes(delivery.packetBytes),
          m_flushTicks(std::max<std::uint64_t>(1, std::uint64_t(std::llround(delivery.flushSeconds * ticksPerSecond)))),
          m_timerRestartsWithPacket(delivery.timerRestartsWithPacket)
    {
    }

    void receive(std::uint8_t byte) { m_waiting.push_back(byte); }
    // A full packet waits: it leaves now.
    bool packetFull() const { return m_packetBytes > 0 && m_waiting.size() >= m_packetBytes; }
    // The tick at which the flush timer runs out next.
    std::uint64_t nextFlush() const { return m_nextFlush; }
    // What leaves the chip at `tick`: all that waits when the timer has run
    // out, else a full packet; the rest waits.
    std::vector<std::uint8_t> handOver(std::uint64_t tick);
    // Starts afresh at `tick` (the chip was reset, or the port opened):
    // nothing waits, and the timer starts from there.
    void restart(std::uint64_t tick);

private:
    std::size_t m_packetBytes;
    std::uint64_t m_flushTicks;
    bool m_timerRestartsWithPacket;
    std::vector<std::uint8_t> m_waiting;
    std::uint64_t m_nextFlush = m_flushTicks;
};
