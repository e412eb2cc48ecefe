#include "capture_engine.h"

#include "comm_events.h"
#include "common/errors.h"
#include "dump_text.h"

#include <cmath>
#include <utility>

namespace {

void requireSampleSizeInRange(int n)
{
    if (n < 1)
        throw ArithmeticError("sample size below 1");
    if (n > CaptureState::kMaxSampleSize)
        throw OverflowError("sample size above 32766");
}

void resetStopwatch(CaptureState &state)
{
    state.m_CaptureTimer->ResetTimer();
    state.m_ReadingsTimed = 0;
}

void timeFromNextChunk(CaptureState &state)
{
    state.m_TimeFromNextChunk = true;
    state.m_ReadingsTimed = 0;
}

// A chunk arrived. The first one once readings flow again starts the
// stopwatch instead of being timed.
void countReadings(CaptureState &state, qsizetype chunkSize)
{
    if (chunkSize == 0)
        return;
    if (std::exchange(state.m_TimeFromNextChunk, false))
        resetStopwatch(state);
    else
        state.m_ReadingsTimed += chunkSize;
}

void rearm(CaptureState &state)
{
    state.m_Armed = true;
    state.m_RxBuffer.clear();
    resetStopwatch(state);
}

bool triggers(const CaptureState &state, const CommNotification &notification)
{
    const double first = static_cast<unsigned char>(state.m_RxBuffer.front());
    return notification.triggerLow <= first && first <= notification.triggerHigh;
}

QString completeBlock(CaptureState &state, int n)
{
    clsTimer &timer = *state.m_CaptureTimer;
    timer.StopTimer();
    // Without a counter frequency, or without a reading that arrived while
    // it was timed, the block cannot be timed; it keeps the previous time
    // per sample rather than an infinite one.
    if (timer.m_curFrequency.raw != 0 && state.m_ReadingsTimed > 0) {
        const double elapsed = elapsedMilliseconds(timer.m_StartTime, timer.m_StopTime, timer.m_curFrequency);
        state.m_MsPerSample = std::fabs(elapsed) / double(state.m_ReadingsTimed);
    }

    const auto *bytes = reinterpret_cast<const unsigned char *>(state.m_RxBuffer.constData());
    for (int h = 0; h < n; ++h)
        state.m_Samples[size_t(h)] = qint16(bytes[h]);
    QString dump = dumpText(std::span(state.m_Samples).first(size_t(n)));

    rearm(state);
    return dump;
}

} // namespace

std::optional<QString> handleCommNotification(CaptureState &state, const CommNotification &notification)
{
    if (notification.commEvent != comEvReceive)
        return std::nullopt;
    if (notification.paused) {
        timeFromNextChunk(state);
        return std::nullopt;
    }
    const int n = state.sampleSize();
    requireSampleSizeInRange(n);

    QByteArray chunk = notification.readInput();
    countReadings(state, chunk.size());
    if (state.m_Armed && state.m_UseTrigger) {
        // No first reading to test: the previous chunk stays as it was.
        if (chunk.isEmpty())
            return std::nullopt;
        state.m_RxBuffer = std::move(chunk);
        if (triggers(state, notification)) {
            state.m_Armed = false;
            state.m_RxBuffer.clear();
            resetStopwatch(state);
        }
    } else {
        state.m_RxBuffer.append(chunk);
    }

    if (state.m_RxBuffer.size() < n)
        return std::nullopt;
    return completeBlock(state, n);
}

void restartCapture(CaptureState &state)
{
    rearm(state);
    timeFromNextChunk(state);
}
