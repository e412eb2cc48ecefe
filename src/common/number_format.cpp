#include "number_format.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

// Rounds a string of decimal digits with a point at `point` to `decimals`
// fraction digits, half away from zero, and returns integer and fraction
// digits separately.
void roundDecimal(std::string digits, size_t point, int decimals, std::string &integer, std::string &fraction)
{
    const size_t keep = point + size_t(decimals);
    if (digits.size() < keep)
        digits.append(keep - digits.size(), '0');
    const bool roundUp = digits.size() > keep && digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        size_t i = keep;
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');
            ++point;
        } else {
            ++digits[i - 1];
        }
    }
    integer = digits.substr(0, point);
    fraction = digits.substr(point);
}

} // namespace

QString formatNumber(double value, NumberPattern pattern, const QLocale &locale)
{
    if (!std::isfinite(value))
        return locale.toString(value);

    // The shortest text that reads back as the same double: the number as the
    // user would write it, which is what a half is judged on.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    const std::string text(buffer, result.ptr);
    const size_t dot = text.find('.');
    std::string digits = text;
    size_t point = text.size();
    if (dot != std::string::npos) {
        digits.erase(dot, 1);
        point = dot;
    }

    std::string integer, fraction;
    roundDecimal(digits, point, pattern.decimals, integer, fraction);
    integer.erase(0, integer.find_first_not_of('0'));
    if (integer.size() < size_t(pattern.minIntegerDigits))
        integer.insert(0, size_t(pattern.minIntegerDigits) - integer.size(), '0');

    QString out;
    const bool shownAsZero = integer.find_first_not_of('0') == std::string::npos
                             && fraction.find_first_not_of('0') == std::string::npos;
    if (std::signbit(value) && !shownAsZero)
        out += locale.negativeSign();
    const QString group = locale.groupSeparator();
    for (size_t i = 0; i < integer.size(); ++i) {
        if (pattern.grouped && i > 0 && (integer.size() - i) % 3 == 0)
            out += group;
        out += QLatin1Char(integer[i]);
    }
    if (pattern.decimals > 0) {
        out += locale.decimalPoint();
        out += QLatin1StringView(fraction.data(), qsizetype(fraction.size()));
    }
    return out;
}
