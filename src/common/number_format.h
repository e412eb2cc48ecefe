#pragma once

#include <QLocale>
#include <QString>

// The few number patterns the scope shows, with the decimal mark and group
// separator of the given locale. Halves of the last digit shown round away
// from zero.
struct NumberPattern
{
    int minIntegerDigits = 1; // 0: a value below 1 begins with the decimal mark
    bool grouped = false;     // thousands separated through the whole integer part
    int decimals = 0;         // exactly this many fraction digits
};

// "###,###.000", "0.00" and "###,##0.000".
inline constexpr NumberPattern kMillisecondsPattern{0, true, 3};
inline constexpr NumberPattern kVoltsPattern{1, false, 2};
inline constexpr NumberPattern kStopwatchPattern{1, true, 3};

QString formatNumber(double value, NumberPattern pattern, const QLocale &locale = QLocale());
