#pragma once

#include <QtGlobal>

#include <bit>
#include <vector>

// Where each row of a picture may hold anything but the background: one
// bit per block of 16 columns (a cache line of pixels), set as pixels are
// written. Where two pictures' maps are both clear they both hold the
// background, so comparing them needs only the blocks that either marks.
class InkMap
{
public:
    static constexpr int kBlockWidth = 16;

    // Rows of `width` pixels, nothing marked.
    void setSize(int width, int height);
    void clear();
    // Anything may be anywhere, as in a picture kept from before.
    void markAll();

    void mark(int y, int left, int right);
    void markColumn(int x, int top, int bottom);
    // The block's bit in row y, for loops that mark block by block.
    quint64 *row(int y) { return m_bits.data() + qsizetype(y) * m_words; }
    const quint64 *row(int y) const { return m_bits.data() + qsizetype(y) * m_words; }
    int wordsPerRow() const { return m_words; }
    // Hands each run of marked blocks in row y to `run(left, right)`, as columns.
    template<typename Run>
    void forEachRun(int y, Run run) const;

private:
    std::vector<quint64> m_bits;
    int m_words = 0;
};

template<typename Run>
void InkMap::forEachRun(int y, Run run) const
{
    const quint64 *const bits = row(y);
    int first = -1; // the first block of the run under way
    for (int word = 0; word < m_words; ++word) {
        for (int bit = 0; bit < 64;) {
            // The next change between marked and unmarked, if any in this word.
            const quint64 rest = (first < 0 ? bits[word] : ~bits[word]) >> bit;
            if (rest == 0)
                break;
            bit += std::countr_zero(rest);
            if (first < 0) {
                first = word * 64 + bit;
            } else {
                run(first * kBlockWidth, (word * 64 + bit) * kBlockWidth - 1);
                first = -1;
            }
        }
    }
    if (first >= 0)
        run(first * kBlockWidth, m_words * 64 * kBlockWidth - 1);
}
