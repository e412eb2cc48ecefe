#include "sample_size.h"

#include "numeric_value.h"

#include <cmath>

SampleSizeRequest readSampleSize(QStringView text)
{
    const NumberReading reading = readNumber(text);
    if (!(reading.value > 0))
        return SampleSizeUnchanged{};
    if (!reading.wholeText)
        return SampleSizeRefused{};
    const double nearest = std::nearbyint(reading.value); // ties to even in the default rounding mode
    if (nearest < 1 || nearest > kMaxSampleSize)
        return SampleSizeRefused{};
    return SampleSize{int(nearest)};
}
