#include "simulated_board.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <vector>

#include <unistd.h>

namespace {

// One burst never sends more than this, so a stalled reader or a long
// sleep does not turn into one huge write.
constexpr qsizetype kMaxBurst = 4096;

std::uint64_t splitMix64(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

SimulatedBoard::SimulatedBoard(int fd) : m_fd(fd) { }

SimulatedBoard::~SimulatedBoard()
{
    stop();
}

void SimulatedBoard::setSignal(const Signal &signal)
{
    std::lock_guard lock(m_mutex);
    m_signal = signal;
    m_useScript = false;
    m_index = 0;
    m_noiseState = signal.seed;
}

void SimulatedBoard::setScript(const QByteArray &bytes, bool loop)
{
    std::lock_guard lock(m_mutex);
    m_script = bytes;
    m_loop = loop;
    m_useScript = true;
    m_scriptPos = 0;
    m_scriptDone = bytes.isEmpty();
}

void SimulatedBoard::setRateMultiplier(double multiplier)
{
    std::lock_guard lock(m_mutex);
    m_multiplier = multiplier > 0 ? multiplier : 1.0;
}

void SimulatedBoard::setBurstIntervalMs(int ms)
{
    std::lock_guard lock(m_mutex);
    m_burstMs = std::max(1, ms);
}

void SimulatedBoard::start()
{
    if (m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
    }
    m_thread = std::thread(&SimulatedBoard::run, this);
}

void SimulatedBoard::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::uint8_t SimulatedBoard::countForVolts(double volts)
{
    const double counts = std::round(volts / 5.0 * 255.0);
    if (!(counts > 0.0)) // also NaN
        return 0;
    return counts >= 255.0 ? 255 : std::uint8_t(counts);
}

std::uint8_t SimulatedBoard::reading(std::uint64_t index)
{
    const Signal &s = m_signal;
    const double shape = s.waveform == Waveform::Noise
        ? double(splitMix64(m_noiseState) >> 11) / double(1ull << 53) * 2.0 - 1.0
        : waveShape(s.waveform, s.frequencyHz, double(index) / kReadingsPerSecond);
    return countForVolts(s.offsetV + s.amplitudeV * shape);
}

qsizetype SimulatedBoard::produce(char *out, qsizetype count)
{
    if (!m_useScript) {
        for (qsizetype i = 0; i < count; ++i)
            out[i] = char(reading(m_index + std::uint64_t(i)));
        return count;
    }
    qsizetype n = 0;
    while (n < count && !m_script.isEmpty()) {
        if (m_scriptPos >= m_script.size()) {
            if (!m_loop)
                break;
            m_scriptPos = 0;
        }
        const qsizetype take = std::min(count - n, m_script.size() - m_scriptPos);
        std::copy_n(m_script.constData() + m_scriptPos, take, out + n);
        n += take;
        m_scriptPos += take;
    }
    return n;
}

void SimulatedBoard::run()
{
    using Clock = std::chrono::steady_clock;
    std::vector<char> burst(kMaxBurst);
    const Clock::time_point begin = Clock::now();
    Clock::time_point next = begin;
    double due = 0.0; // readings owed to the line, fractions carried over
    Clock::time_point last = begin;

    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const Clock::time_point now = Clock::now();
        due += std::chrono::duration<double>(now - last).count() * kReadingsPerSecond * m_multiplier;
        last = now;
        // A line that fell behind (nobody reading, the host busy) does not
        // owe more than one burst.
        due = std::min(due, double(kMaxBurst));

        const qsizetype want = qsizetype(due);
        if (want > 0) {
            const bool script = m_useScript;
            const qsizetype startPos = m_scriptPos;
            const bool scriptWasDone = m_scriptDone.load();
            const qsizetype n = scriptWasDone && script ? 0 : produce(burst.data(), want);
            if (script && !m_loop && m_scriptPos >= m_script.size())
                m_scriptDone = true;
            ssize_t sent = 0;
            if (n > 0) {
                sent = ::write(m_fd, burst.data(), size_t(n));
                if (sent < 0) {
                    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                        break; // the line is gone
                    sent = 0;
                }
            }
            if (script && sent < n) {
                // Keep the untaken part of the script for the next burst.
                qsizetype pos = startPos + sent;
                if (m_loop && !m_script.isEmpty())
                    pos %= m_script.size();
                m_scriptPos = pos;
                m_scriptDone = false;
            } else if (!script) {
                // A signal keeps its own time: what the line refused is lost,
                // as it would be on a real wire with no one listening.
                m_index += std::uint64_t(want);
            }
            m_written += std::uint64_t(sent);
            due -= double(script ? sent : want);
            if (script && (m_scriptDone || sent < n))
                due = std::min(due, 1.0);
        }

        next += std::chrono::milliseconds(m_burstMs);
        if (next < now)
            next = now + std::chrono::milliseconds(m_burstMs);
        m_wake.wait_until(lock, next, [this] { return m_stopping; });
    }
}
