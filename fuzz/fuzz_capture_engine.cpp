// Drives the capture engine with an arbitrary sequence of chunks (up to
// 64 KiB), other notifications, pauses, trigger switches and bounds, sample
// sizes in and out of range, restarts and counter readings, and checks every
// step against a plain model of what the engine must hold afterwards: the
// receive buffer, the state, every element of the sample buffer (element N
// never written), the exact time per sample, the stopwatch's start, the
// readings timed since and the dump of each block.

#include "acquisition/capture_engine.h"
#include "acquisition/comm_events.h"
#include "common/errors.h"
#include "fake_counter.h"
#include "fuzz_input.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr qint16 kUnwritten = -1; // no reading is negative
constexpr int kMaxN = 32766;

// The fuzz bytes as a sequence of choices; past their end every choice is 0.
struct Choices
{
    const std::uint8_t *data;
    std::size_t size;
    std::size_t pos = 0;
    bool empty() const { return pos >= size; }
    std::uint8_t next() { return pos < size ? data[pos++] : 0; }
    std::uint16_t next16() { return std::uint16_t(next() | next() << 8); }
};

// What the engine must hold, kept by the rules in their plainest form.
struct Model
{
    std::vector<qint16> samples;
    std::string buffer;
    bool armed = true;
    bool useTrigger = false;
    double low = 20;
    double high = 100;
    double msPerSample = 0.125;
    std::int64_t startTicks = 0;
    // Readings read since the stopwatch started, and whether it waits for
    // the next chunk to start.
    std::int64_t readingsTimed = 0;
    bool timeFromNextChunk = false;

    int n() const { return int(samples.size()) - 1; }

    // A receive notification that reads `chunk`; the block's dump if one completes.
    std::optional<std::string> receive(const std::string &chunk, std::int64_t now, std::int64_t frequency)
    {
        if (!chunk.empty() && timeFromNextChunk) {
            timeFromNextChunk = false;
            startTicks = now;
        } else {
            readingsTimed += std::int64_t(chunk.size());
        }
        if (armed && useTrigger) {
            if (chunk.empty())
                return std::nullopt;
            buffer = chunk;
            const double first = double(std::uint8_t(chunk[0]));
            if (low <= first && first <= high) {
                armed = false;
                buffer.clear();
                startTicks = now;
                readingsTimed = 0;
            }
        } else {
            buffer += chunk;
        }
        if (int(buffer.size()) < n())
            return std::nullopt;

        // The difference and the frequency as doubles, their quotient, then
        // times 10000 and times 1000: the stopwatch keeps the difference in
        // ten-thousandths, the frequency in whole ticks per second. Over
        // every reading timed; none timed, the time per sample stays.
        if (frequency != 0 && readingsTimed > 0) {
            const double elapsed = double(now - startTicks) / 10000.0 / double(frequency) * 10000.0 * 1000.0;
            msPerSample = std::fabs(elapsed) / double(readingsTimed);
        }
        std::string dump = "(";
        for (int h = 0; h < n(); ++h) {
            samples[size_t(h)] = qint16(std::uint8_t(buffer[size_t(h)]));
            dump += " " + std::to_string(samples[size_t(h)]) + ",";
        }
        dump.back() = ')';
        rearm(now);
        return dump;
    }

    void rearm(std::int64_t now)
    {
        armed = true;
        buffer.clear();
        startTicks = now;
        readingsTimed = 0;
    }

    // The port reopened, or a backlog waits after a pause: the stopwatch
    // starts with the next chunk.
    void waitForReadings()
    {
        timeFromNextChunk = true;
        readingsTimed = 0;
    }
};

// N mostly small, so that blocks complete often; sometimes anywhere in
// 1..32766, and now and then outside it.
int chooseSampleSize(Choices &in)
{
    const std::uint8_t kind = in.next();
    if (kind % 8 == 0) {
        const int outside[] = {0, kMaxN + 1, kMaxN + 2 + in.next16() % 10000};
        return outside[in.next() % 3];
    }
    if (kind % 8 < 5)
        return 1 + in.next() % 64;
    return 1 + in.next16() % kMaxN;
}

// A few bytes from the input, then a pattern, up to 64 KiB.
std::string chooseChunk(Choices &in)
{
    std::size_t length = 0;
    switch (in.next() % 4) {
    case 0: length = in.next() % 8; break;
    case 1: length = in.next() % 64; break;
    case 2: length = in.next16() % 4096; break;
    default: length = in.next16() + std::size_t(in.next() % 2); break; // up to 65536
    }
    std::string chunk(length, '\0');
    const std::uint8_t seed = in.next();
    for (std::size_t i = 0; i < length; ++i)
        chunk[i] = char(i < 16 ? in.next() : std::uint8_t(seed + i * 131 + (i >> 8)));
    return chunk;
}

double chooseBound(Choices &in)
{
    const std::uint8_t kind = in.next();
    if (kind < 200)
        return in.next();
    const double special[] = {-0.0, -1, 255.5, 256, 19.5, 100.5, std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};
    return special[kind % std::size(special)];
}

bool sameContents(const QByteArray &bytes, const std::string &text)
{
    return std::size_t(bytes.size()) == text.size() && std::memcmp(bytes.constData(), text.data(), text.size()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Choices in{data, size};
    const std::int64_t frequencies[] = {10'000'000, 0, 1, 3'579'545, 1'000'000'000};
    FakeCounter counter(frequencies[in.next() % std::size(frequencies)]);
    counter.frequencyOk = counter.frequency != 0;
    counter.reading = std::int64_t(in.next16()) << 20;

    CaptureState state;
    state.m_Samples.assign(CaptureState::kStartSampleSize + 1, kUnwritten);
    state.m_CaptureTimer = std::make_unique<clsTimer>(counter);
    state.m_CaptureTimer->ResetTimer();
    Model model;
    model.samples = state.m_Samples;
    model.startTicks = counter.reading;
    bool paused = false;

    while (!in.empty()) {
        const std::uint8_t event = in.next() % 11;
        if (event < 5) { // a notification from the port
            const short code = event < 4 ? short(comEvReceive) : short(in.next() % 2 ? comEventRxOver : in.next());
            const std::string chunk = code == comEvReceive ? chooseChunk(in) : std::string();
            int reads = 0;
            const CommNotification notification{code, paused, model.low, model.high, [&] {
                                                    ++reads;
                                                    return QByteArray(chunk.data(), qsizetype(chunk.size()));
                                                }};
            const int n = model.n();
            const bool mustRead = code == comEvReceive && !paused;
            const bool inRange = n >= 1 && n <= kMaxN;
            std::optional<QString> dump;
            bool refused = false;
            try {
                dump = handleCommNotification(state, notification);
            } catch (const OverflowError &) {
                refused = n > kMaxN;
                FUZZ_REQUIRE(refused);
            } catch (const ArithmeticError &) {
                refused = n < 1;
                FUZZ_REQUIRE(refused);
            }
            FUZZ_REQUIRE(refused == (mustRead && !inRange));
            FUZZ_REQUIRE(reads == (mustRead && inRange ? 1 : 0));
            if (mustRead && inRange) {
                const std::optional<std::string> expected = model.receive(chunk, counter.reading, counter.frequency);
                FUZZ_REQUIRE(dump.has_value() == expected.has_value());
                if (dump)
                    FUZZ_REQUIRE(dump->toStdString() == *expected);
            } else {
                FUZZ_REQUIRE(!dump);
                if (code == comEvReceive && paused)
                    model.waitForReadings();
            }
        } else {
            switch (event) {
            case 5:
                paused = !paused;
                break;
            case 6:
                model.useTrigger = state.m_UseTrigger = !state.m_UseTrigger;
                break;
            case 7: { // the operator changes N, as the sample-size box does
                const size_t size = size_t(chooseSampleSize(in)) + 1;
                state.m_Samples.resize(size, kUnwritten);
                model.samples.resize(size, kUnwritten);
                break;
            }
            case 8: // time passes, possibly backwards
                counter.reading += std::int64_t(std::int16_t(in.next16())) * 1000;
                break;
            case 9:
                model.low = chooseBound(in);
                model.high = chooseBound(in);
                break;
            default: // the port went away and came back
                restartCapture(state);
                model.rearm(counter.reading);
                model.waitForReadings();
                break;
            }
        }
        FUZZ_REQUIRE(state.m_Armed == model.armed);
        FUZZ_REQUIRE(sameContents(state.m_RxBuffer, model.buffer));
        FUZZ_REQUIRE(state.m_Samples == model.samples);
        FUZZ_REQUIRE(state.m_MsPerSample == model.msPerSample);
        FUZZ_REQUIRE(state.m_CaptureTimer->m_StartTime.raw == model.startTicks);
        FUZZ_REQUIRE(state.m_ReadingsTimed == model.readingsTimed);
    }
    return 0;
}
