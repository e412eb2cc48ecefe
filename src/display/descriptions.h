#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <span>

// What a screen reader says beside a control's name: a cursor's readout, and
// the trace in words.

// "time between the cursors .375ms"
QString timeCursorDescription(const QString &timeReadout);
// "voltage between the cursors 1.96V"
QString levelCursorDescription(const QString &levelReadout);

// The readings drawn as the trace (at least one), in the readouts' formats:
// "768 readings from 0.20V to 4.51V, .125ms per reading, 96.000ms in all".
QString traceDescription(std::span<const qint16> readings, double msPerSample, const QLocale &locale = QLocale());
