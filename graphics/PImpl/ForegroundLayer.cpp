#include "graphics/PImpl/ForegroundLayer.h"

#include "graphics/Driver/LCD.h"

#include <algorithm>

namespace PImpl
{

namespace
{

Velmora::PixelArea ToPanel(const Velmora::PixelArea& area)
{
    Driver::LCD& driver = Driver::LCD::GetInstance();
    return driver.ReverseOrientArea(driver.GetArea(), area);
}

} // namespace

ForegroundLayer::ForegroundLayer(const Velmora::PixelArea& area) : m_graphics(ToPanel(area), 0x00)
{
    Clear();
}

void ForegroundLayer::Clear()
{
    Driver::LCD& driver = Driver::LCD::GetInstance();
    const bool wasEnabled = driver.IsRefreshEnabled();
    driver.DisableRefresh(true);
    const Velmora::PixelArea& area = m_graphics.GetArea();
    ClearPixels(Velmora::PixelArea(Velmora::PixelPoint(0, 0), area.GetWidth(), area.GetHeight()));
    driver.RegisterChange(area);
    driver.EnableRefresh(wasEnabled);
}

void ForegroundLayer::ClearPixels(const Velmora::PixelArea& local)
{
    if (local.GetWidth() == 0 || local.GetHeight() == 0)
        return;
    InkMap& ink = m_graphics.GetPixelFormat().GetInk();
    const Velmora::Color transparent(0, 0, 0, 0);
    const unsigned layerWidth = m_graphics.GetArea().GetWidth();
    const unsigned left = static_cast<unsigned>(local.GetLeft());
    const unsigned end = left + local.GetWidth();
    const unsigned firstBlock = left >> InkMap::blockShift;
    const unsigned endBlock = ((end - 1) >> InkMap::blockShift) + 1;
    // The blocks not wholly inside the area: at most the one at its left edge and the one at its
    // right edge, unless the edge is a block's (or the layer's) edge. Those are cleared only as
    // far as the area reaches and stay marked.
    const unsigned none = ~0u;
    const unsigned leftPart = left % InkMap::blockPixels != 0 ? firstBlock : none;
    const unsigned rightPart = end % InkMap::blockPixels != 0 && end != layerWidth ? endBlock - 1 : none;
    // The layer's last block, when narrower than 16 pixels, is cleared as far as it reaches.
    const unsigned narrowBlock = layerWidth % InkMap::blockPixels != 0 ? layerWidth >> InkMap::blockShift : none;
    const auto bitOf = [](unsigned block, unsigned word) { return block >> 5 == word ? 1u << (block & 31) : 0u; };
    const unsigned firstWord = firstBlock >> 5;
    const unsigned lastWord = (endBlock - 1) >> 5;
    const unsigned top = static_cast<unsigned>(local.GetTop());
    const unsigned rows = local.GetHeight();
    const unsigned wordsPerRow = ink.GetWordsPerRow();
    // Zero kept out of the compiler's sight, so that the block stores below stay stores (two
    // words each on the Cortex-M4) instead of becoming a call to the library's memset.
    uint32_t zero = 0;
    __asm__("" : "+r"(zero));
    // Column by column of mark words, then row by row: what a word's blocks need (which lie in
    // the area, which are cleared whole) is worked out once for all rows. Each block is cleared
    // and unmarked on its own, so the order changes nothing.
    for (unsigned word = firstWord; word <= lastWord; ++word)
    {
        const uint32_t inArea = (word == firstWord ? ~0u << (firstBlock & 31) : ~0u) &
                                (word == lastWord ? ~0u >> (31 - ((endBlock - 1) & 31)) : ~0u);
        // Unmarked once cleared.
        const uint32_t whole = inArea & ~(bitOf(leftPart, word) | bitOf(rightPart, word));
        // Whole blocks of 16 pixels from a word boundary are 48 bytes, 12 words.
        const uint32_t storable = whole & ~bitOf(narrowBlock, word);
        uint32_t* marks = ink.GetRow(top) + word;
        Velmora::Color* row = m_graphics.GetPixel(0, static_cast<int>(top));
        for (unsigned y = 0; y < rows; ++y, marks += wordsPerRow, row += layerWidth)
        {
            const uint32_t marked = *marks & inArea;
            if (marked == 0)
                continue;
            *marks &= ~whole;
            const uint32_t stored = (reinterpret_cast<uintptr_t>(row) & 3) == 0 ? marked & storable : 0;
            // A run of neighbouring blocks at a time: adding its lowest bit carries through the
            // run and clears it.
            for (uint32_t bits = stored; bits != 0;)
            {
                const uint32_t rest = bits & (bits + (bits & (0u - bits)));
                const uint32_t run = bits ^ rest;
                bits = rest;
                const unsigned first = (word << 5) + static_cast<unsigned>(__builtin_ctz(run));
                const unsigned count = 32u - static_cast<unsigned>(__builtin_clz(run)) - (first & 31);
                PixelWord* w = reinterpret_cast<PixelWord*>(row + (first << InkMap::blockShift));
                PixelWord* const blocksEnd = w + 12 * count;
                do
                {
                    w[0] = zero;
                    w[1] = zero;
                    w[2] = zero;
                    w[3] = zero;
                    w[4] = zero;
                    w[5] = zero;
                    w[6] = zero;
                    w[7] = zero;
                    w[8] = zero;
                    w[9] = zero;
                    w[10] = zero;
                    w[11] = zero;
                    w += 12;
                } while (w != blocksEnd);
            }
            // The rest: the blocks at the area's edges (cleared as far as the area reaches, and
            // left marked), a narrow last block, every block of a row that is not word-aligned.
            for (uint32_t bits = marked & ~stored; bits != 0; bits &= bits - 1)
            {
                const unsigned block = (word << 5) + static_cast<unsigned>(__builtin_ctz(bits));
                const unsigned from = std::max(block << InkMap::blockShift, left);
                const unsigned to = std::min((block + 1) << InkMap::blockShift, end);
                FillPixels(row + from, to - from, transparent);
            }
        }
    }
}

} // namespace PImpl
