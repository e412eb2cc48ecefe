#include "benchmarks.h"

#include "acquisition/capture_engine.h"
#include "acquisition/comm_events.h"
#include "acquisition/dump_text.h"
#include "window/dump_box.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// One iteration is one whole block, fed in chunks as the port hands them over.
// With `showDump` the block's text also goes into a dump box, as in the window.
void captureBlocks(benchmark::State &state, int n, int chunkSize, bool showDump)
{
    CaptureState capture;
    capture.m_Samples.assign(size_t(n) + 1, 0);
    capture.m_CaptureTimer = std::make_unique<clsTimer>();
    capture.m_CaptureTimer->ResetTimer();
    DumpBox dumpBox;
    dumpBox.resize(773, 73); // as in the window when it opens
    const QByteArray chunk = noiseReadings(chunkSize, 99);
    const int chunksPerBlock = (n + chunkSize - 1) / chunkSize;

    CommNotification notification;
    notification.commEvent = comEvReceive;
    notification.triggerLow = 20;
    notification.triggerHigh = 100;
    notification.readInput = [&chunk] { return chunk; };

    std::int64_t blocks = 0;
    for (auto _ : state) {
        for (int i = 0; i < chunksPerBlock; ++i) {
            std::optional<QString> dump = handleCommNotification(capture, notification);
            if (dump) {
                ++blocks;
                if (showDump)
                    dumpBox.showDump(*dump);
                benchmark::DoNotOptimize(dump->size());
            }
        }
    }
    if (blocks != state.iterations())
        state.SkipWithError("a block was not completed in every iteration");
    state.SetBytesProcessed(state.iterations() * std::int64_t(chunksPerBlock) * chunkSize);
}

void dumpOnly(benchmark::State &state, int n)
{
    std::vector<qint16> samples;
    for (const char byte : noiseReadings(n, 5))
        samples.push_back(qint16(quint8(byte)));
    for (auto _ : state) {
        QString text = dumpText(samples);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

} // namespace

void registerCaptureBenchmarks()
{
    for (int n : {768, 32766}) {
        for (int chunk : {16, 4096}) {
            const std::string name = "N=" + std::to_string(n) + "/chunk=" + std::to_string(chunk);
            benchmark::RegisterBenchmark(("capture/engine/" + name).c_str(), captureBlocks, n, chunk, false)
                    ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("capture/engine+dumpbox/" + name).c_str(), captureBlocks, n, chunk, true)
                    ->Unit(benchmark::kMicrosecond);
        }
        benchmark::RegisterBenchmark(("dumpText/N=" + std::to_string(n)).c_str(), dumpOnly, n)
                ->Unit(benchmark::kMicrosecond);
    }
}
