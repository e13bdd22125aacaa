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
    const uint32_t firstWordBlocks = ~0u << (firstBlock & 31);
    const uint32_t lastWordBlocks = ~0u >> (31 - ((endBlock - 1) & 31));
    // Zero kept out of the compiler's sight, so that the block stores below stay stores (two
    // words each on the Cortex-M4) instead of becoming a call to the library's memset.
    uint32_t zero = 0;
    __asm__("" : "+r"(zero));
    for (int y = local.GetTop(); y <= local.GetBottom(); ++y)
    {
        uint32_t* marks = ink.GetRow(static_cast<unsigned>(y));
        Velmora::Color* row = m_graphics.GetPixel(0, y);
        const bool wordAligned = (reinterpret_cast<uintptr_t>(row) & 3) == 0;
        for (unsigned word = firstWord; word <= lastWord; ++word)
        {
            const uint32_t marked = marks[word] & (word == firstWord ? firstWordBlocks : ~0u) &
                                    (word == lastWord ? lastWordBlocks : ~0u);
            if (marked == 0)
                continue;
            const uint32_t whole = marked & ~(bitOf(leftPart, word) | bitOf(rightPart, word));
            marks[word] &= ~whole;
            // Whole blocks of 16 pixels from a word boundary are 48 bytes, 12 words.
            const uint32_t stored = wordAligned ? whole & ~bitOf(narrowBlock, word) : 0;
            for (uint32_t bits = stored; bits != 0; bits &= bits - 1)
            {
                const unsigned block = (word << 5) + static_cast<unsigned>(__builtin_ctz(bits));
                PixelWord* w = reinterpret_cast<PixelWord*>(row + (block << InkMap::blockShift));
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
