#include "graphics/PImpl/MeasureCache.h"

#include <algorithm>
#include <cstring>

namespace PImpl
{

namespace
{

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

MeasureCache& MeasureCache::GetInstance()
{
    static MeasureCache instance;
    return instance;
}

MeasureCache::MeasureCache() : m_store(entryCount * entryWords), m_key(entryWords)
{
}

bool MeasureCache::MakeKey(const Path& path, const Velmora::Stroke* stroke)
{
    const unsigned count = path.GetVertexCount();
    if (count > (entryWords - 4) / 3)
    {
        return false;
    }
    uint32_t* word = m_key.data();
    *word++ = stroke == nullptr ? 0 : 1;
    *word++ = stroke == nullptr ? 0 : Bits(stroke->GetWidth());
    *word++ = stroke == nullptr ? 0 : static_cast<uint32_t>(stroke->GetCap());
    *word++ = stroke == nullptr ? 0 : static_cast<uint32_t>(stroke->GetJoin());
    for (unsigned i = 0; i < count; ++i)
    {
        float x;
        float y;
        *word++ = path.GetVertex(i, x, y);
        // Not a number never equals itself, and its bits need not either.
        if (x != x || y != y)
        {
            return false;
        }
        // Bits, not values: 0 and -0 are equal but may stroke differently.
        *word++ = Bits(x);
        *word++ = Bits(y);
    }
    m_keyWords = 4 + 3 * count;
    return true;
}

bool MeasureCache::Find(const Path& path, const Velmora::Stroke* stroke, Velmora::Area& area)
{
    m_keyValid = MakeKey(path, stroke);
    if (!m_keyValid)
    {
        return false;
    }
    for (unsigned i = 0; i < entryCount; ++i)
    {
        Entry& entry = m_entries[i];
        if (entry.words == m_keyWords && std::memcmp(Words(i), m_key.data(), m_keyWords * sizeof(uint32_t)) == 0)
        {
            entry.lastUse = ++m_clock;
            area = entry.area;
            return true;
        }
    }
    return false;
}

void MeasureCache::Add(const Velmora::Area& area)
{
    if (!m_keyValid)
    {
        return;
    }
    m_keyValid = false;
    // An empty entry if there is one, or else the least recently used.
    const Entry* const oldest = std::min_element(std::begin(m_entries), std::end(m_entries),
                                                 [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
    const unsigned i = static_cast<unsigned>(oldest - m_entries);
    std::memcpy(Words(i), m_key.data(), m_keyWords * sizeof(uint32_t));
    m_entries[i].words = m_keyWords;
    m_entries[i].area = area;
    m_entries[i].lastUse = ++m_clock;
}

} // namespace PImpl
