#pragma once

#include <cmath>
#include <stdexcept>

// The two kinds of failure the scope's arithmetic can raise. They end the
// operation where they occur and are caught only at the top of an event
// handler, which then ends; the program goes on.

class OverflowError : public std::overflow_error
{
public:
    using std::overflow_error::overflow_error;
};

// An invalid operation, a division by zero or a floating-point overflow.
class ArithmeticError : public std::domain_error
{
public:
    using std::domain_error::domain_error;
};

// All inputs of the scope's floating-point steps are finite, so a result that
// is not finite can only come from an invalid operation, a division by zero
// or an overflow: checking the result right after it is computed catches all
// three.
inline double checkedResult(double value, const char *what)
{
    if (!std::isfinite(value))
        throw ArithmeticError(what);
    return value;
}
