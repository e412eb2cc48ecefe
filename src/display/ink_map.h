#pragma once

#include <QtGlobal>

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

private:
    std::vector<quint64> m_bits;
    int m_words = 0;
};
