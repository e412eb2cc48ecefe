#include "fixed_point4.h"

#include "common/errors.h"

#include <QtNumeric>

#include <limits>

FixedPoint4 FixedPoint4::operator-(FixedPoint4 other) const
{
    FixedPoint4 result;
    if (qSubOverflow(raw, other.raw, &result.raw))
        throw OverflowError("fixed-point subtraction overflows");
    return result;
}

FixedPoint4 FixedPoint4::operator*(std::int64_t factor) const
{
    FixedPoint4 result;
    if (qMulOverflow(raw, factor, &result.raw))
        throw OverflowError("fixed-point multiplication overflows");
    return result;
}

std::int32_t FixedPoint4::toInt32() const
{
    std::int64_t whole = raw / kScale;
    const std::int64_t rest = raw % kScale; // same sign as raw
    const std::int64_t twice = 2 * (rest < 0 ? -rest : rest);
    if (twice > kScale || (twice == kScale && whole % 2 != 0))
        whole += raw < 0 ? -1 : 1;
    if (whole < std::numeric_limits<std::int32_t>::min() || whole > std::numeric_limits<std::int32_t>::max())
        throw OverflowError("fixed-point value does not fit a 32-bit integer");
    return std::int32_t(whole);
}
