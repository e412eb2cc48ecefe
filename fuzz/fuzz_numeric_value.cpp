// The number reader against a plain reference: the same value to the last
// bit (signed zeros, infinities and zeros from underflow included) and the
// same verdict on whether the number is the whole text.

#include "common/numeric_value.h"
#include "fuzz_input.h"
#include "reference_number.h"

#include <cmath>
#include <cstring>

namespace {

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = textFromFuzzBytes(data, size);
    const NumberReading reading = readNumber(text);
    const ReferenceNumber expected = referenceNumber(text);
    FUZZ_REQUIRE(sameBits(reading.value, expected.value));
    FUZZ_REQUIRE(reading.wholeText == expected.wholeText);
    return 0;
}
