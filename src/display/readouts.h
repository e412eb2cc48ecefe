#pragma once

#include <QLocale>
#include <QString>

// |V1 - V2| x ms per sample, as "###,###.000" and "ms": ".375ms", "1,500.000ms".
QString timeReadout(int cursor1, int cursor2, double msPerSample, const QLocale &locale = QLocale());
// (5 / 255) x |L1 - L2| volts, as "0.00" and "V": "1.96V".
QString levelReadout(int cursor1, int cursor2, const QLocale &locale = QLocale());
