#include "descriptions.h"

#include "readouts.h"

#include <algorithm>

QString timeCursorDescription(const QString &timeReadout)
{
    return QStringLiteral("time between the cursors ") + timeReadout;
}

QString levelCursorDescription(const QString &levelReadout)
{
    return QStringLiteral("voltage between the cursors ") + levelReadout;
}

QString traceDescription(std::span<const qint16> readings, double msPerSample, const QLocale &locale)
{
    const int n = int(readings.size());
    // A level or a time is the readout between the zero cursor and it.
    const auto [lowest, highest] = std::ranges::minmax(readings);
    return QStringLiteral("%1 %2 from %3 to %4, %5 per reading, %6 in all")
            .arg(locale.toString(n), n == 1 ? QStringLiteral("reading") : QStringLiteral("readings"),
                 levelReadout(0, lowest, locale), levelReadout(0, highest, locale),
                 timeReadout(0, 1, msPerSample, locale), timeReadout(0, n, msPerSample, locale));
}
