#include "acquisition/capture_state.h"
#include "common/numeric_value.h"
#include "fuzz_input.h"
#include "window/sample_size.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = textFromFuzzBytes(data, size);
    const SampleSizeRequest request = readSampleSize(text);
    const NumberReading reading = readNumber(text);

    if (const auto *n = std::get_if<SampleSize>(&request)) {
        FUZZ_REQUIRE(n->n >= 1 && n->n <= CaptureState::kMaxSampleSize);
        FUZZ_REQUIRE(reading.wholeText);
        FUZZ_REQUIRE(std::fabs(reading.value - n->n) <= 0.5);
    } else if (std::holds_alternative<SampleSizeUnchanged>(request)) {
        FUZZ_REQUIRE(!(reading.value > 0));
    } else {
        FUZZ_REQUIRE(reading.value > 0);
    }
    return 0;
}
