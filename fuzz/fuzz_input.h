#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Fuzz bytes as text: pairs of bytes as UTF-16 code units, so that any
// character, blanks and stray surrogates included, can reach the reader.
inline QString textFromFuzzBytes(const std::uint8_t *data, std::size_t size)
{
    QString text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
    return text;
}

#define FUZZ_REQUIRE(condition) \
    do { \
        if (!(condition)) \
            __builtin_trap(); \
    } while (false)
