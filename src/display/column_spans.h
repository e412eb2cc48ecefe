#pragma once

#include "ink_map.h"

#include <QRgb>
#include <QtGlobal>

#include <array>
#include <optional>
#include <vector>

// Vertical spans of one colour, at most one per pixel column, gathered and
// then written into a 32-bit image together.
//
// A dense trace lights most of a column, one column after another: written
// down the columns, nearly every pixel lands in a cache line of its own, so
// dense spans are written along the rows, in the order of the image's
// memory. Sparse ones are written down the columns, where only their own
// pixels cost anything.
class ColumnSpans
{
public:
    struct Span
    {
        int top = 0;
        int bottom = -1; // empty while bottom < top
        bool isEmpty() const { return bottom < top; }
        // Whether rows from..to overlap this span or border on it.
        bool touches(int from, int to) const { return !isEmpty() && from <= bottom + 1 && to >= top - 1; }
    };

    // Columns 0..width - 1, none holding a span.
    void setWidth(int width);
    bool isEmpty() const { return m_firstStrip > m_lastStrip; }

    // Spans that overlap or touch the column's span join it. Any other
    // replaces it and is handed back, for the caller to write on its own.
    Span add(int x, int top, int bottom);

    // The rows that the spans reach, when there are any.
    Span rows() const;
    // Whether the spans are best written along the rows, rather than down the columns.
    bool isDense(Span rows) const;
    // Each writes the spans and marks their blocks in `ink`.
    void writeDownColumns(QRgb *pixels, qsizetype stride, QRgb color, InkMap &ink) const;
    // Row y: its lit pixels take the colour, the others keep theirs or take
    // `background`. Rows go in increasing order after the last add().
    void writeRow(QRgb *row, int y, QRgb color, std::optional<QRgb> background, quint64 *ink);
    // Forgets every span.
    void clear();

    // One span down the column that `column` points into at row 0.
    static void fillColumn(QRgb *column, qsizetype stride, Span span, QRgb color);

private:
    // Columns are taken in strips a cache line wide.
    static constexpr int kStripWidth = InkMap::kBlockWidth;

    // The columns of a strip lit in one row, which hold for the rows below
    // until a column's span begins or ends.
    struct LitColumns
    {
        int until = 0; // the first row where they may change
        int count = 0;
        std::array<QRgb, kStripWidth> mask{}; // all ones in a lit column
    };

    void findLitColumns(int strip, int y);
    // The column just right of the last strip that holds a span.
    int stripsEnd() const;

    // Per column; an empty column lies nowhere (its top past every row).
    std::vector<int> m_top;
    std::vector<int> m_bottom;
    std::vector<LitColumns> m_lit; // per strip, while writing along the rows
    int m_width = 0;
    qsizetype m_pixels = 0; // in all spans
    // The strips that hold any span.
    int m_firstStrip = 0;
    int m_lastStrip = -1;
};
