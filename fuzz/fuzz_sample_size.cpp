// The sample-size rule against a plain reference: the whole text must be one
// number; it is rounded to the nearest whole number, a half to the even one,
// and taken from 1 to 32766. A text whose number is not above 0 changes
// nothing.

#include "fuzz_input.h"
#include "reference_number.h"
#include "common/sample_size.h"

#include <cmath>

namespace {

constexpr int kUnchanged = -1;
constexpr int kRefused = -2;

int expectedRequest(const QString &text)
{
    const ReferenceNumber number = referenceNumber(text);
    if (!(number.value > 0))
        return kUnchanged;
    if (!number.wholeText || number.value > 40000)
        return kRefused;
    const double below = std::floor(number.value);
    const double fraction = number.value - below;
    const bool up = fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0);
    const int nearest = int(below) + (up ? 1 : 0);
    return nearest >= 1 && nearest <= 32766 ? nearest : kRefused;
}

int requestCode(const SampleSizeRequest &request)
{
    if (std::holds_alternative<SampleSizeUnchanged>(request))
        return kUnchanged;
    if (std::holds_alternative<SampleSizeRefused>(request))
        return kRefused;
    return std::get<SampleSize>(request).n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = textFromFuzzBytes(data, size);
    FUZZ_REQUIRE(requestCode(readSampleSize(text)) == expectedRequest(text));
    return 0;
}
