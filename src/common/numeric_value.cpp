#include "numeric_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(char32_t c) { return c >= u'0' && c <= u'9'; }

// The text without the characters that are skipped anywhere, as ASCII; any
// other character becomes a stop mark, since it can continue no number.
std::string significantCharacters(QStringView text)
{
    std::string out;
    out.reserve(size_t(text.size()));
    for (QChar c : text) {
        if (isSkipped(c))
            continue;
        out.push_back(c.unicode() < 128 ? char(c.unicode()) : '\x7f');
    }
    return out;
}

int digitValue(char c, int radix)
{
    int value = radix;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < radix ? value : -1;
}

// Three bits an octal digit, most significant first, padded in front to
// whole hexadecimal digits of four.
std::string octalAsHex(std::string_view octal)
{
    std::vector<bool> bits((4 - octal.size() * 3 % 4) % 4, false);
    for (const char digit : octal)
        for (int shift = 2; shift >= 0; --shift)
            bits.push_back(((digit - '0') >> shift) & 1);
    std::string hex;
    for (size_t i = 0; i < bits.size(); i += 4)
        hex.push_back("0123456789abcdef"[bits[i] * 8 + bits[i + 1] * 4 + bits[i + 2] * 2 + bits[i + 3]]);
    return hex;
}

NumberReading readWholeNumber(const std::string &s, size_t pos, int radix)
{
    const size_t first = pos;
    while (pos < s.size() && digitValue(s[pos], radix) >= 0)
        ++pos;
    if (pos == first)
        return {};
    // Summing digit by digit would round at every step once the number
    // outgrows 53 bits; from_chars rounds the whole number once.
    const std::string_view digits(s.data() + first, pos - first);
    const std::string hex = radix == 16 ? std::string(digits) : octalAsHex(digits);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, std::chars_format::hex);
    if (ec == std::errc::result_out_of_range)
        value = std::numeric_limits<double>::infinity();
    return {value, pos == s.size()};
}

// from_chars refuses numbers beyond a double; tell an overflow from an
// underflow by the decimal exponent of the first significant digit.
double outOfRange(const std::string &number)
{
    const bool negative = number.front() == '-';
    const size_t ePos = number.find_first_of("eE");
    const std::string mantissa = number.substr(0, ePos);
    long long exponent = 0;
    if (ePos != std::string::npos) {
        const char *begin = number.data() + ePos + 1;
        if (*begin == '+')
            ++begin;
        const auto [end, ec] = std::from_chars(begin, number.data() + number.size(), exponent);
        // Far beyond a double's range only the exponent's sign counts; held
        // within an int's range it leaves room to add the digit count.
        constexpr long long limit = std::numeric_limits<int>::max();
        exponent = ec == std::errc::result_out_of_range ? (*begin == '-' ? -limit : limit)
                                                        : std::clamp(exponent, -limit, limit);
    }
    const size_t point = mantissa.find('.');
    const size_t firstSignificant = mantissa.find_first_of("123456789");
    const size_t integerEnd = point == std::string::npos ? mantissa.size() : point;
    long long magnitude = exponent;
    if (firstSignificant < integerEnd)
        magnitude += (long long)(integerEnd - firstSignificant);
    else
        magnitude -= (long long)(firstSignificant - integerEnd);
    const double huge = std::numeric_limits<double>::infinity();
    return magnitude > 0 ? (negative ? -huge : huge) : (negative ? -0.0 : 0.0);
}

} // namespace

NumberReading readNumber(QStringView text)
{
    const std::string s = significantCharacters(text);

    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'h' || s[1] == 'H')
            return readWholeNumber(s, 2, 16);
        if (s[1] == 'o' || s[1] == 'O')
            return readWholeNumber(s, 2, 8);
        return {};
    }

    // The longest prefix that forms a decimal number.
    size_t pos = 0;
    std::string number;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        number.push_back(s[pos++] == '-' ? '-' : '+');
    bool anyDigit = false;
    bool point = false;
    for (; pos < s.size(); ++pos) {
        if (isDigit(char32_t(s[pos]))) {
            anyDigit = true;
        } else if (s[pos] == '.' && !point) {
            point = true;
        } else {
            break;
        }
        number.push_back(s[pos]);
    }
    if (!anyDigit)
        return {};
    if (pos + 1 < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        size_t exponentEnd = pos + 1;
        if (s[exponentEnd] == '+' || s[exponentEnd] == '-')
            ++exponentEnd;
        const size_t digitsStart = exponentEnd;
        while (exponentEnd < s.size() && isDigit(char32_t(s[exponentEnd])))
            ++exponentEnd;
        if (exponentEnd > digitsStart) {
            number.append(s, pos, exponentEnd - pos);
            pos = exponentEnd;
        }
    }

    const char *begin = number.data() + (number.front() == '+' ? 1 : 0);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(begin, number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range)
        value = outOfRange(number);
    return {value, pos == s.size()};
}
