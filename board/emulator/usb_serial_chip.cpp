#include "usb_serial_chip.h"

#include <iterator>

std::vector<std::uint8_t> UsbSerialChip::handOver(std::uint64_t tick)
{
    std::vector<std::uint8_t> leaving;
    if (tick >= m_nextFlush) {
        leaving.swap(m_waiting);
        // A free-running timer keeps its phase, however late it is asked.
        m_nextFlush = m_timerRestartsWithPacket ? tick + m_flushTicks
                                                : m_nextFlush + (tick - m_nextFlush) / m_flushTicks * m_flushTicks
                                                      + m_flushTicks;
    } else if (packetFull()) {
        const auto end = m_waiting.begin() + std::ptrdiff_t(m_packetBytes);
        leaving.assign(m_waiting.begin(), end);
        m_waiting.erase(m_waiting.begin(), end);
        if (m_timerRestartsWithPacket)
            m_nextFlush = tick + m_flushTicks;
    }
    return leaving;
}

void UsbSerialChip::restart(std::uint64_t tick)
{
    m_waiting.clear();
    m_nextFlush = tick + m_flushTicks;
}
