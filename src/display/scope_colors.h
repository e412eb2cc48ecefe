#pragma once

#include <QRgb>

namespace ScopeColors {
inline constexpr QRgb kBackground = qRgb(0, 0, 0);
inline constexpr QRgb kGrid = qRgb(50, 50, 50);
inline constexpr QRgb kTrace = qRgb(0, 255, 0);
inline constexpr QRgb kTimeCursor = qRgb(100, 100, 255);
inline constexpr QRgb kLevelCursor = qRgb(255, 100, 100);
} // namespace ScopeColors
