#pragma once

#include <QStringView>

#include <variant>

// N, the sample size, lies from 1 to kMaxSampleSize: the range the window
// offers and the capture engine takes. The engine counts in wider integers,
// so the bound is the scope's choice, not a counter's limit.
inline constexpr int kMaxSampleSize = 32766;

// What a sample-size text asks for.
struct SampleSizeUnchanged {}; // the number it begins with is not above 0
struct SampleSizeRefused {};   // as a whole no number, or not a whole number from 1 to 32766
struct SampleSize { int n; };

using SampleSizeRequest = std::variant<SampleSizeUnchanged, SampleSizeRefused, SampleSize>;

// The whole text read as a number and rounded to the nearest whole number,
// a half going to the even neighbour.
SampleSizeRequest readSampleSize(QStringView text);

inline const char *const kSampleSizeHint = "Sample size: a whole number from 1 to 32766";
