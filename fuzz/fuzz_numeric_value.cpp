#include "common/numeric_value.h"
#include "fuzz_input.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = textFromFuzzBytes(data, size);
    const NumberReading reading = readNumber(text);
    FUZZ_REQUIRE(!std::isnan(reading.value));

    // Without a digit there is no number.
    const bool anyDigit = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit() || c.isLetter(); });
    FUZZ_REQUIRE(anyDigit || reading.value == 0.0);

    // Blanks are skipped anywhere: spreading them through the text changes nothing.
    QString spread;
    for (QChar c : text) {
        spread += c;
        spread += u' ';
    }
    const NumberReading again = readNumber(spread);
    FUZZ_REQUIRE(again.value == reading.value || (std::isnan(again.value) && std::isnan(reading.value)));
    FUZZ_REQUIRE(again.wholeText == reading.wholeText);
    return 0;
}
