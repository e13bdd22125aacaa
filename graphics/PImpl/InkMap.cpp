#include "graphics/PImpl/InkMap.h"

#include <cstring>

namespace PImpl
{

InkMap::InkMap(unsigned width, unsigned height)
    : m_width(width), m_height(height), m_wordsPerRow((((width + blockPixels - 1) >> blockShift) + 31) / 32),
      m_words(new uint32_t[m_wordsPerRow * height > 0 ? m_wordsPerRow * height : 1])
{
    UnmarkAll();
}

InkMap::~InkMap()
{
    delete[] m_words;
}

void InkMap::MarkAll()
{
    if (m_width == 0)
        return;
    // Only the blocks the row has: the bits past its end stay clear, so a search for a marked
    // block never finds one beyond the layer.
    const unsigned lastBlock = (m_width - 1) >> blockShift;
    for (unsigned y = 0; y < m_height; ++y)
    {
        uint32_t* row = GetRow(y);
        std::memset(row, 0, m_wordsPerRow * sizeof(uint32_t));
        MarkBlocks(row, 0, lastBlock);
    }
}

void InkMap::UnmarkAll()
{
    std::memset(m_words, 0, m_wordsPerRow * m_height * sizeof(uint32_t));
}

} // namespace PImpl
