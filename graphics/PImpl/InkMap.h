#pragma once

// Which 16-pixel blocks of a foreground layer may hold ink: a bit per block, a row of words per
// layer row. A block whose bit is clear has every byte of its pixels zero (fully transparent, no
// colour bits), so clearing need not store into it and compositing need not read it. A set bit
// promises nothing: the block may have been cleared by a run that did not cover all of it.
//
// Every write into a layer marks the blocks it touches before or after writing, within the same
// drawing call; nothing reads the map in between.

#include <cstdint>

namespace PImpl
{

// The marks of one layer row as compositing reads them: the row's words and the layer column of
// the first pixel handed over with them.
struct InkRow
{
    const uint32_t* marks;
    unsigned column;
};

class InkMap
{
public:
    static constexpr unsigned blockShift = 4;
    static constexpr unsigned blockPixels = 1u << blockShift;

    // Taken once, with the layer's buffer: the map never grows or shrinks. Every block unmarked.
    InkMap(unsigned width, unsigned height);
    ~InkMap();

    InkMap(const InkMap&) = delete;
    InkMap& operator=(const InkMap&) = delete;

    unsigned GetWidth() const { return m_width; }
    unsigned GetHeight() const { return m_height; }
    unsigned GetWordsPerRow() const { return m_wordsPerRow; }

    const uint32_t* GetRow(unsigned y) const { return m_words + y * m_wordsPerRow; }
    uint32_t* GetRow(unsigned y) { return m_words + y * m_wordsPerRow; }
    InkRow GetInkRow(unsigned x, unsigned y) const { return InkRow{GetRow(y), x}; }

    bool IsMarked(unsigned block, unsigned y) const { return (GetRow(y)[block >> 5] >> (block & 31)) & 1u; }

    // Marks the blocks that pixels x .. x + length - 1 of row y lie in; length at least 1.
    void Mark(unsigned x, unsigned y, unsigned length)
    {
        MarkBlocks(GetRow(y), x >> blockShift, (x + length - 1) >> blockShift);
    }

    // Marks every block of the layer (a fill with anything but zero bytes) or none (zero bytes).
    void MarkAll();
    void UnmarkAll();

    // Sets bits first .. last (block numbers) of a row.
    static void MarkBlocks(uint32_t* row, unsigned first, unsigned last) { SetBlocks<true>(row, first, last); }

    // Clears bits first .. last (block numbers) of a row.
    static void UnmarkBlocks(uint32_t* row, unsigned first, unsigned last) { SetBlocks<false>(row, first, last); }

    // Sets (marked) or clears bits first .. last of a row: the partial words at both ends by their
    // masks, the words between whole.
    template <bool marked> static void SetBlocks(uint32_t* row, unsigned first, unsigned last)
    {
        const unsigned firstWord = first >> 5;
        const unsigned lastWord = last >> 5;
        const uint32_t head = ~0u << (first & 31);
        const uint32_t tail = ~0u >> (31 - (last & 31));
        const auto apply = [row](unsigned word, uint32_t mask) {
            row[word] = marked ? row[word] | mask : row[word] & ~mask;
        };
        if (firstWord == lastWord)
        {
            apply(firstWord, head & tail);
            return;
        }
        apply(firstWord, head);
        for (unsigned w = firstWord + 1; w < lastWord; ++w)
            row[w] = marked ? ~0u : 0u;
        apply(lastWord, tail);
    }

    // The bits of word word of a row that stand for blocks first .. end - 1.
    static uint32_t BlockMask(unsigned word, unsigned first, unsigned end)
    {
        const unsigned base = word << 5;
        if (first >= end || end <= base || first >= base + 32)
            return 0;
        const uint32_t low = first > base ? ~0u << (first - base) : ~0u;
        const uint32_t high = end < base + 32 ? ~(~0u << (end - base)) : ~0u;
        return low & high;
    }

    // The first block from block on, up to end (exclusive), whose mark is marked: end if none.
    static inline __attribute__((__always_inline__)) unsigned FindBlock(const uint32_t* row, unsigned block,
                                                                        unsigned end, bool marked)
    {
        const uint32_t flip = marked ? 0u : ~0u;
        unsigned word = block >> 5;
        uint32_t bits = (row[word] ^ flip) & (~0u << (block & 31));
        const unsigned lastWord = (end - 1) >> 5;
        while (bits == 0)
        {
            if (++word > lastWord)
                return end;
            bits = row[word] ^ flip;
        }
        const unsigned found = (word << 5) + static_cast<unsigned>(__builtin_ctz(bits));
        return found < end ? found : end;
    }

private:
    unsigned m_width;
    unsigned m_height;
    unsigned m_wordsPerRow;
    uint32_t* m_words;
};

} // namespace PImpl
