#include "ink_map.h"

#include <algorithm>

void InkMap::setSize(int width, int height)
{
    m_words = (std::max(width, 0) + 64 * kBlockWidth - 1) / (64 * kBlockWidth);
    m_bits.assign(size_t(m_words) * size_t(std::max(height, 0)), 0);
}

void InkMap::clear()
{
    std::fill(m_bits.begin(), m_bits.end(), 0);
}

void InkMap::markAll()
{
    std::fill(m_bits.begin(), m_bits.end(), ~quint64(0));
}

void InkMap::mark(int y, int left, int right)
{
    quint64 *const bits = row(y);
    const int first = left / kBlockWidth, last = right / kBlockWidth;
    for (int word = first / 64; word <= last / 64; ++word) {
        const int from = std::max(first, word * 64) % 64, to = std::min(last, word * 64 + 63) % 64;
        bits[word] |= (~quint64(0) >> (63 - (to - from))) << from;
    }
}

void InkMap::markColumn(int x, int top, int bottom)
{
    const int block = x / kBlockWidth;
    const quint64 bit = quint64(1) << (block % 64);
    quint64 *word = m_bits.data() + qsizetype(top) * m_words + block / 64;
    for (int y = top; y <= bottom; ++y, word += m_words)
        *word |= bit;
}
