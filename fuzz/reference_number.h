#pragma once

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>

// The numeric value of a text, read the plain way to check the scope's own
// reader against: the C library's strtod on the part of the text the rule
// accepts, with every blank, tab and line feed taken out first.
struct ReferenceNumber
{
    double value = 0.0;
    bool wholeText = false; // a number, and nothing after it
};

namespace reference_detail {

inline bool isDigitOf(char16_t c, int radix)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0' < radix;
    return radix == 16 && ((c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'));
}

// Octal digits in groups of four (twelve bits) become three hex digits.
inline std::string octalAsHex(const std::string &octal)
{
    const std::string padded = std::string((4 - octal.size() % 4) % 4, '0') + octal;
    std::string hex;
    for (size_t i = 0; i < padded.size(); i += 4) {
        const int bits = (padded[i] - '0') * 512 + (padded[i + 1] - '0') * 64 + (padded[i + 2] - '0') * 8
                         + (padded[i + 3] - '0');
        char group[4];
        std::snprintf(group, sizeof group, "%03x", bits);
        hex += group;
    }
    return hex;
}

} // namespace reference_detail

inline ReferenceNumber referenceNumber(const QString &text)
{
    using reference_detail::isDigitOf;
    QString s = text;
    s.remove(u' ').remove(u'\t').remove(u'\n');
    const auto at = [&s](qsizetype i) { return i < s.size() ? s[i].unicode() : char16_t(0); };

    if (at(0) == u'&') {
        const char16_t kind = at(1);
        const int radix = kind == u'h' || kind == u'H' ? 16 : kind == u'o' || kind == u'O' ? 8 : 0;
        if (radix == 0)
            return {};
        qsizetype end = 2;
        while (isDigitOf(at(end), radix))
            ++end;
        if (end == 2)
            return {};
        const std::string digits = s.mid(2, end - 2).toStdString();
        const std::string hex = radix == 16 ? digits : reference_detail::octalAsHex(digits);
        return {std::strtod(("0x" + hex).c_str(), nullptr), end == s.size()};
    }

    qsizetype end = 0;
    if (at(end) == u'+' || at(end) == u'-')
        ++end;
    qsizetype digits = 0;
    for (; isDigitOf(at(end), 10); ++end)
        ++digits;
    if (at(end) == u'.')
        for (++end; isDigitOf(at(end), 10); ++end)
            ++digits;
    if (digits == 0)
        return {};
    if (at(end) == u'e' || at(end) == u'E') {
        qsizetype exponentEnd = end + 1;
        if (at(exponentEnd) == u'+' || at(exponentEnd) == u'-')
            ++exponentEnd;
        const qsizetype exponentDigits = exponentEnd;
        while (isDigitOf(at(exponentEnd), 10))
            ++exponentEnd;
        if (exponentEnd > exponentDigits)
            end = exponentEnd;
    }
    return {std::strtod(s.left(end).toStdString().c_str(), nullptr), end == s.size()};
}
