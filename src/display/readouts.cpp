#include "readouts.h"

#include "common/errors.h"
#include "common/number_format.h"

#include <cstdlib>

QString timeReadout(int cursor1, int cursor2, double msPerSample, const QLocale &locale)
{
    const double t = checkedResult(std::abs(cursor1 - cursor2) * msPerSample, "time readout");
    return formatNumber(t, kMillisecondsPattern, locale) + QStringLiteral("ms");
}

QString levelReadout(int cursor1, int cursor2, const QLocale &locale)
{
    const double v = checkedResult((5.0 / 255.0) * std::abs(cursor1 - cursor2), "level readout");
    return formatNumber(v, kVoltsPattern, locale) + QStringLiteral("V");
}
