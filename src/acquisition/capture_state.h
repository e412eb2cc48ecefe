#pragma once

#include "common/sample_size.h"
#include "stopwatch/cls_timer.h"

#include <QByteArray>

#include <memory>
#include <vector>

// The state the capture engine, the renderer and the cursors share. The
// window carries it as its own fields; tests can hold one on its own.
struct CaptureState
{
    static constexpr int kStartSampleSize = 768;
    static constexpr int kMaxSampleSize = ::kMaxSampleSize;

    // Readings 0..255, indices 0..N: a block fills 0..N-1, element N is never written.
    std::vector<qint16> m_Samples = std::vector<qint16>(kStartSampleSize + 1, 0);
    std::unique_ptr<clsTimer> m_CaptureTimer;
    // One byte per received reading, in arrival order.
    QByteArray m_RxBuffer;
    double m_XScale = 0.0; // pixels per reading
    double m_YScale = 0.0; // pixels per count
    bool m_Armed = true;
    bool m_UseTrigger = false;
    double m_MsPerSample = 0.125;
    // Readings read from the port since the stopwatch was last reset: the
    // block's time is divided by them. Long waits for a trigger and backlogs
    // take it far beyond any N.
    qint64 m_ReadingsTimed = 0;
    // Readings may not be flowing yet (the port has just opened, or a
    // backlog waits after a pause): the block is timed from the next chunk.
    bool m_TimeFromNextChunk = false;

    // N, the sample size.
    int sampleSize() const { return int(m_Samples.size()) - 1; }
};
