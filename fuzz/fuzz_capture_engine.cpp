// Drives the capture engine with an arbitrary sequence of chunks, operator
// changes and counter readings, and checks what must hold after every step.

#include "acquisition/capture_engine.h"
#include "acquisition/comm_events.h"
#include "acquisition/dump_text.h"
#include "fuzz_input.h"

#include <cmath>

namespace {

class PlayedCounter final : public PerformanceCounter
{
public:
    std::int64_t frequency = 10'000'000;
    std::int64_t reading = 0;
    bool queryFrequency(std::int64_t *ticksPerSecond) const override
    {
        *ticksPerSecond = frequency;
        return true;
    }
    bool queryCounter(std::int64_t *ticks) const override
    {
        *ticks = reading;
        return true;
    }
};

struct Bytes
{
    const std::uint8_t *data;
    std::size_t size;
    std::size_t pos = 0;
    bool empty() const { return pos >= size; }
    std::uint8_t next() { return pos < size ? data[pos++] : 0; }
    std::uint16_t next16() { return std::uint16_t(next() | next() << 8); }
};

const QString kBounds[] = {QStringLiteral("20"), QStringLiteral("100"), QStringLiteral("abc"), QStringLiteral("0"),
                           QStringLiteral("255"), QStringLiteral("1e999"), QStringLiteral("-1e999"),
                           QStringLiteral("&HFF"), QString()};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Bytes in{data, size};
    PlayedCounter counter;
    counter.frequency = (in.next() % 4 == 0) ? 0 : 10'000'000;
    CaptureState state;
    state.m_CaptureTimer = std::make_unique<clsTimer>(counter);
    state.m_CaptureTimer->ResetTimer();
    bool paused = false;
    QString low = kBounds[0], high = kBounds[1];

    while (!in.empty()) {
        switch (in.next() % 6) {
        case 0: { // a chunk arrives
            const std::size_t length = in.next16() % 5000;
            QByteArray chunk;
            for (std::size_t i = 0; i < length && !in.empty(); ++i)
                chunk.append(char(in.next()));
            bool read = false;
            const CommNotification notification{comEvReceive, paused, low, high, [&] {
                                                    FUZZ_REQUIRE(!read);
                                                    read = true;
                                                    return chunk;
                                                }};
            const std::optional<QString> dump = handleCommNotification(state, notification);
            FUZZ_REQUIRE(!paused || !read);
            if (dump) {
                const int n = state.sampleSize();
                FUZZ_REQUIRE(*dump == dumpText(std::span(state.m_Samples).first(size_t(n))));
                FUZZ_REQUIRE(dump->startsWith(u"( ") && dump->endsWith(u')'));
                FUZZ_REQUIRE(state.m_Armed && state.m_RxBuffer.isEmpty());
            }
            break;
        }
        case 1: // the operator changes N, as the sample-size box does
            state.m_Samples.resize(size_t(in.next16() % CaptureState::kMaxSampleSize + 1) + 1, 0);
            break;
        case 2:
            state.m_UseTrigger = !state.m_UseTrigger;
            break;
        case 3:
            paused = !paused;
            break;
        case 4: // time passes, possibly backwards
            counter.reading += std::int64_t(std::int16_t(in.next16())) * 1000;
            break;
        case 5:
            low = kBounds[in.next() % std::size(kBounds)];
            high = kBounds[in.next() % std::size(kBounds)];
            break;
        }
        const int n = state.sampleSize();
        FUZZ_REQUIRE(n >= 1 && n <= CaptureState::kMaxSampleSize);
        FUZZ_REQUIRE(std::isfinite(state.m_MsPerSample) && state.m_MsPerSample >= 0);
        // A block completes as soon as N readings are in: the buffer stays bounded.
        FUZZ_REQUIRE(state.m_RxBuffer.size() < CaptureState::kMaxSampleSize);
        FUZZ_REQUIRE(std::ranges::all_of(state.m_Samples, [](qint16 s) { return s >= 0 && s <= 255; }));
    }
    return 0;
}
