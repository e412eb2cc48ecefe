#pragma once

#include <cstdint>

// A number with four implied decimal places, held as its raw value x 10000
// in a signed 64-bit integer: raw 35795 is 3.5795.
struct FixedPoint4
{
    std::int64_t raw = 0;

    static constexpr std::int64_t kScale = 10000;

    // Subtraction and multiplication by an integer fail with OverflowError
    // when the raw result leaves the signed 64-bit range.
    FixedPoint4 operator-(FixedPoint4 other) const;
    FixedPoint4 operator*(std::int64_t factor) const;

    double toDouble() const { return double(raw) / double(kScale); }
    // Nearest integer, a tie going to the even one; OverflowError outside
    // the signed 32-bit range.
    std::int32_t toInt32() const;

    friend bool operator==(FixedPoint4, FixedPoint4) = default;
};
